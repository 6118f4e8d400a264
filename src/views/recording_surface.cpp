#include "views/recording_surface.h"

#include <algorithm>

namespace views {

void RecordingSurface::clear() {
    drawn_.clear();
    ++clears_;
    DrawOp op;
    op.kind = DrawOp::Kind::Clear;
    history_.push_back(std::move(op));
}

void RecordingSurface::line(double xa, double ya, double xb, double yb) {
    line(xa, ya, xb, yb, pen_);
}

void RecordingSurface::line(double xa, double ya, double xb, double yb, Rgb colour) {
    DrawOp op{DrawOp::Kind::Line, xa, ya, xb, yb, colour, width_, {}};
    drawn_.push_back(op);
    history_.push_back(std::move(op));
}

void RecordingSurface::text(double x, double y, std::string_view text) {
    DrawOp op{DrawOp::Kind::Text, x, y, x, y, pen_, width_, std::string(text)};
    drawn_.push_back(op);
    history_.push_back(std::move(op));
}

std::vector<DrawOp> RecordingSurface::shown() const {
    std::vector<DrawOp> ops;
    if (auto picture = std::dynamic_pointer_cast<const RecordedPicture>(background_))
        ops = picture->ops();
    ops.insert(ops.end(), drawn_.begin(), drawn_.end());
    return ops;
}

std::vector<DrawOp> RecordingSurface::shownLines() const {
    std::vector<DrawOp> ops = shown();
    std::erase_if(ops, [](const DrawOp& op) { return op.kind != DrawOp::Kind::Line; });
    return ops;
}

std::vector<DrawOp> RecordingSurface::shownTexts() const {
    std::vector<DrawOp> ops = shown();
    std::erase_if(ops, [](const DrawOp& op) { return op.kind != DrawOp::Kind::Text; });
    return ops;
}

PictureRef RecordingSurface::takeImage() const {
    return std::make_shared<RecordedPicture>(shown());
}

void RecordingSurface::setBackground(PictureRef picture) {
    background_ = std::move(picture);
    DrawOp op;
    op.kind = DrawOp::Kind::Background;
    history_.push_back(std::move(op));
    clear();
}

void RecordingSurface::setLayout(const SurfaceLayout& layout) {
    if (layout.width != layout_.width || layout.height != layout_.height) clear();
    layout_ = layout;
}

} // namespace views
