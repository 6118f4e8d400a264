#include "views/recording_surface.h"

#include <algorithm>

namespace views {

namespace {

double carry(double v, double from1, double from2, double to1, double to2) {
    if (from2 == from1) return v;
    return to1 + (v - from1) * (to2 - to1) / (from2 - from1);
}

} // namespace

DrawOp inScale(const ScaledOp& scaled, const UserScale& target) {
    DrawOp op = scaled.op;
    const UserScale& s = scaled.scale;
    if (s == target) return op;
    op.xa = carry(op.xa, s.x1, s.x2, target.x1, target.x2);
    op.xb = carry(op.xb, s.x1, s.x2, target.x1, target.x2);
    op.ya = carry(op.ya, s.y1, s.y2, target.y1, target.y2);
    op.yb = carry(op.yb, s.y1, s.y2, target.y1, target.y2);
    return op;
}

RecordedPicture::RecordedPicture(std::vector<ScaledOp> ops) : scaled_(std::move(ops)) {
    ops_.reserve(scaled_.size());
    for (const ScaledOp& s : scaled_)
        ops_.push_back(s.op);
}

void RecordingSurface::clear() {
    drawn_.clear();
    ++clears_;
    DrawOp op;
    op.kind = DrawOp::Kind::Clear;
    history_.push_back(std::move(op));
}

void RecordingSurface::record(DrawOp op) {
    drawn_.push_back({op, scale_});
    history_.push_back(std::move(op));
}

void RecordingSurface::line(double xa, double ya, double xb, double yb) {
    line(xa, ya, xb, yb, pen_);
}

void RecordingSurface::line(double xa, double ya, double xb, double yb, Rgb colour) {
    record(DrawOp{DrawOp::Kind::Line, xa, ya, xb, yb, colour, width_, {}});
}

void RecordingSurface::text(double x, double y, std::string_view text) {
    record(DrawOp{DrawOp::Kind::Text, x, y, x, y, pen_, width_, std::string(text)});
}

std::vector<ScaledOp> RecordingSurface::shownScaled() const {
    std::vector<ScaledOp> ops;
    if (auto picture = std::dynamic_pointer_cast<const RecordedPicture>(background_))
        ops = picture->scaledOps();
    ops.insert(ops.end(), drawn_.begin(), drawn_.end());
    return ops;
}

std::vector<DrawOp> RecordingSurface::shown() const {
    std::vector<DrawOp> ops;
    for (const ScaledOp& s : shownScaled())
        ops.push_back(inScale(s, scale_));
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
    return std::make_shared<RecordedPicture>(shownScaled());
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
