#pragma once
// A graph surface that draws nothing and keeps every operation with its user
// coordinates, for tests and for checking what a view drew.

#include "views/graph_surface.h"

#include <string>
#include <vector>

namespace views {

struct DrawOp {
    enum class Kind { Clear, Line, Text, Background };
    Kind kind = Kind::Line;
    double xa = 0, ya = 0, xb = 0, yb = 0; // Line: both ends; Text: (xa, ya)
    Rgb colour = 0;                        // Line and Text
    int width = 1;                         // Line
    std::string text;                      // Text
    bool operator==(const DrawOp&) const = default;
};

// A picture of a recording surface: what was on it when the image was taken
// (its background's operations first).
class RecordedPicture final : public Picture {
public:
    explicit RecordedPicture(std::vector<DrawOp> ops) : ops_(std::move(ops)) {}
    const std::vector<DrawOp>& ops() const { return ops_; }

private:
    std::vector<DrawOp> ops_;
};

class RecordingSurface final : public GraphSurface {
public:
    void setScale(const UserScale& scale) override { scale_ = scale; }
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

    // Every operation since the surface was made (or forgotten).
    const std::vector<DrawOp>& history() const { return history_; }
    void forgetHistory() { history_.clear(); }
    // What the surface shows now: its background's operations, then what
    // was drawn since the last clear.
    std::vector<DrawOp> shown() const;
    std::vector<DrawOp> shownLines() const;
    std::vector<DrawOp> shownTexts() const;
    // The background picture's operations (empty without one).
    const PictureRef& background() const { return background_; }
    int clearCount() const { return clears_; }

private:
    UserScale scale_;
    SurfaceLayout layout_;
    bool visible_ = true;
    Rgb pen_ = colours::Black;
    int width_ = 1;
    std::vector<DrawOp> history_;
    std::vector<DrawOp> drawn_; // since the last clear
    PictureRef background_;
    int clears_ = 0;
};

} // namespace views
