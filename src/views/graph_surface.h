#pragma once
// The drawing operations every graph view uses. A surface is a rectangular
// picture with a user coordinate system: x1 at the left edge, x2 at the right
// edge, y1 at the top edge, y2 at the bottom edge (y grows downward). Its
// place in the window is given in layout units (twips, 1/1440 inch; 15 twips
// per pixel at 96 dpi).
//
// A picture taken from a surface is immutable and may be shared; setting it
// as another surface's background shows it at once and makes `clear` restore
// it. A null picture is the empty picture: clear then erases to the
// background colour.
//
// Thread: the instrument's thread only.

#include <cstdint>
#include <memory>
#include <string_view>

namespace views {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr Rgb rgb(int red, int green, int blue) {
    return static_cast<Rgb>(((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF));
}

namespace colours {
inline constexpr Rgb GridNormal = rgb(85, 85, 85);
inline constexpr Rgb GridHigh = rgb(119, 119, 119); // highScalelight
inline constexpr Rgb Label = rgb(255, 255, 255);
inline constexpr Rgb LeftTrace = rgb(0, 255, 0);
inline constexpr Rgb RightTrace = rgb(255, 255, 0);
inline constexpr Rgb Export = rgb(255, 255, 255); // every trace while exportRendering
inline constexpr Rgb Black = rgb(0, 0, 0);
inline constexpr Rgb Background = rgb(0, 0, 0);
} // namespace colours

inline constexpr double kTwipsPerPixel = 15.0;

// Pixels of a length in twips, rounded to the nearest whole pixel (at least 1).
int twipsToPixels(double twips);

// A snapshot of a surface. Each surface kind knows its own pictures.
class Picture {
public:
    virtual ~Picture() = default;
};
using PictureRef = std::shared_ptr<const Picture>;

struct UserScale {
    double x1 = 0, y1 = 0, x2 = 1, y2 = 1;
    bool operator==(const UserScale&) const = default;
};

// Position and size in twips.
struct SurfaceLayout {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const SurfaceLayout&) const = default;
};

class GraphSurface {
public:
    virtual ~GraphSurface() = default;

    virtual void setScale(const UserScale& scale) = 0;
    virtual UserScale scale() const = 0;

    // Erase to the background picture, or to the background colour without one.
    virtual void clear() = 0;

    virtual void setPenColour(Rgb colour) = 0;
    virtual Rgb penColour() const = 0;
    // 1 or 2 device pixels; other values are taken as 1.
    virtual void setPenWidth(int pixels) = 0;
    virtual int penWidth() const = 0;

    // A straight line in user coordinates, in the pen colour or the given one.
    virtual void line(double xa, double ya, double xb, double yb) = 0;
    virtual void line(double xa, double ya, double xb, double yb, Rgb colour) = 0;

    // Text with its top-left corner at the user point, in the pen colour.
    virtual void text(double x, double y, std::string_view text) = 0;

    // What is drawn now.
    virtual PictureRef takeImage() const = 0;
    // Shows the picture at once and makes clear restore it; nullptr removes it.
    virtual void setBackground(PictureRef picture) = 0;

    // Place and size in the window; a new size erases the surface.
    virtual void setLayout(const SurfaceLayout& layout) = 0;
    virtual SurfaceLayout layout() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool visible() const = 0;
};

} // namespace views
