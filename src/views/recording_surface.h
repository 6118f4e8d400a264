#pragma once
// A graph surface that draws nothing and keeps every operation with its user
// coordinates, for tests, for checking what a view drew, and for redrawing a
// view as vectors (printing and reports).
//
// Every operation remembers the user scale it was drawn in. What a surface
// shows is given in its current scale: a picture taken from a surface with
// another scale (ScopeBuff's traces shown on GraphBox) keeps its place on
// the surface, as a bitmap of the same size would.

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

// An operation with the user scale it was drawn in.
struct ScaledOp {
    DrawOp op;
    UserScale scale;
};

// The operation's coordinates carried from its own scale into another one
// (the same place on a surface of the same size).
DrawOp inScale(const ScaledOp& scaled, const UserScale& target);

// A picture of a recording surface: what was on it when the image was taken
// (its background's operations first).
class RecordedPicture final : public Picture {
public:
    explicit RecordedPicture(std::vector<ScaledOp> ops);
    // The operations as they were drawn, each in its own scale.
    const std::vector<DrawOp>& ops() const { return ops_; }
    const std::vector<ScaledOp>& scaledOps() const { return scaled_; }

private:
    std::vector<ScaledOp> scaled_;
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
    // What the surface shows now, in its current scale: its background's
    // operations, then what was drawn since the last clear.
    std::vector<DrawOp> shown() const;
    std::vector<DrawOp> shownLines() const;
    std::vector<DrawOp> shownTexts() const;
    // The background picture's operations (empty without one).
    const PictureRef& background() const { return background_; }
    int clearCount() const { return clears_; }

private:
    std::vector<ScaledOp> shownScaled() const;
    void record(DrawOp op);

    UserScale scale_;
    SurfaceLayout layout_;
    bool visible_ = true;
    Rgb pen_ = colours::Black;
    int width_ = 1;
    std::vector<DrawOp> history_;
    std::vector<ScaledOp> drawn_; // since the last clear
    PictureRef background_;
    int clears_ = 0;
};

} // namespace views
