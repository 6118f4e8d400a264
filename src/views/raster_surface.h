#pragma once
// The graph surface on a QImage. The user scale maps x1..x2 across the image
// width and y1..y2 down its height; a user point lands in the pixel that
// contains it (column floor((x - x1) * width / (x2 - x1)), likewise rows), so
// x2 and y2 lie just outside the picture, as on the classic picture boxes.
// Lines are aliased, drawn pixel by pixel; labels use a built-in 5 x 7 pixel font, so a picture is
// the same on every machine and needs no font system.
//
// A window may draw at a finer pixel scale (2: twice the pixels each way, for
// a large or high-density screen): lines and glyph dots then grow with the
// scale, so the picture looks the same, only sharper. The user scale and every
// view's geometry stay as they are.
//
// Thread: the instrument's thread only.

#include "views/graph_surface.h"

#include <QImage>
#include <functional>
#include <memory>

namespace views {

class RasterPicture final : public Picture {
public:
    explicit RasterPicture(QImage image) : image_(std::move(image)) {}
    const QImage& image() const { return image_; }

private:
    QImage image_;
};

class RasterSurface final : public GraphSurface {
public:
    RasterSurface();

    void setScale(const UserScale& scale) override;
    UserScale scale() const override { return scale_; }
    void clear() override;
    void setPenColour(Rgb colour) override { pen_ = colour; }
    Rgb penColour() const override { return pen_; }
    void setPenWidth(int pixels) override { width_ = pixels == 2 ? 2 : 1; }
    int penWidth() const override { return width_; }
    void line(double xa, double ya, double xb, double yb) override;
    void line(double xa, double ya, double xb, double yb, Rgb colour) override;
    void text(double x, double y, std::string_view text) override;
    PictureRef takeImage() const override;
    void setBackground(PictureRef picture) override;
    void setLayout(const SurfaceLayout& layout) override;
    SurfaceLayout layout() const override { return layout_; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool visible() const override { return visible_; }

    // The picture as drawn so far (RGB32).
    const QImage& image() const;

    // Pixels per classic pixel (1..4; default 1). A new scale erases the surface.
    void setPixelScale(int scale);
    int pixelScale() const { return pixelScale_; }

    // Called once when the picture changes after markPresented (or at the
    // first change): a window schedules one repaint per batch of drawing
    // instead of one per line. Empty: no notifications.
    void setChangeObserver(std::function<void()> observer) { observer_ = std::move(observer); }
    // The window has shown the picture; the next change notifies again.
    void markPresented() { presented_ = true; }

    // The pixel that holds a user point (may lie outside the image).
    int pixelX(double x) const;
    int pixelY(double y) const;

private:
    void plotLine(double x0, double y0, double x1, double y1, Rgb colour);
    void changed() {
        snapshot_.reset();
        if (presented_ && observer_) {
            presented_ = false;
            observer_();
        }
    }

    UserScale scale_;
    SurfaceLayout layout_;
    bool visible_ = true;
    Rgb pen_ = colours::Black;
    int width_ = 1;
    QImage image_;
    std::shared_ptr<const RasterPicture> background_;
    // The last picture taken, kept until the surface changes.
    mutable std::shared_ptr<const RasterPicture> snapshot_;
    double xFactor_ = 1, yFactor_ = 1;
    int pixelScale_ = 1;
    std::function<void()> observer_;
    bool presented_ = true;
};

} // namespace views
