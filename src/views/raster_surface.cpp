#include "views/raster_surface.h"

#include <QColor>
#include <QLine>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>

namespace views {

namespace {

// 5 x 7 glyphs, one byte per row, bit 4 the leftmost column.
struct Glyph {
    char ch;
    std::array<std::uint8_t, 7> rows;
};

constexpr std::array<Glyph, 30> kGlyphs = {{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'z', {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'k', {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {'s', {0x00, 0x00, 0x0F, 0x10, 0x0E, 0x01, 0x1E}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
}};

// Characters without a glyph show as an outlined box.
constexpr std::array<std::uint8_t, 7> kUnknownGlyph = {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F};

const std::array<std::uint8_t, 7>* glyphFor(char ch) {
    if (ch == ' ') return nullptr;
    for (const Glyph& g : kGlyphs)
        if (g.ch == ch) return &g.rows;
    return &kUnknownGlyph;
}

constexpr int kGlyphAdvance = 6;

// Pixel coordinates far outside any picture are pulled in so that the integer
// line code never overflows; the clipping result is the same.
int clampPixel(double p) {
    return static_cast<int>(std::clamp(std::floor(p), -1.0e6, 1.0e6));
}

} // namespace

RasterSurface::RasterSurface() {
    setLayout({0, 0, 15, 15});
}

RasterSurface::~RasterSurface() {
    endPainting();
}

void RasterSurface::setScale(const UserScale& scale) {
    scale_ = scale;
    xFactor_ = scale.x2 != scale.x1 ? image_.width() / (scale.x2 - scale.x1) : 0;
    yFactor_ = scale.y2 != scale.y1 ? image_.height() / (scale.y2 - scale.y1) : 0;
}

int RasterSurface::pixelX(double x) const {
    return clampPixel((x - scale_.x1) * xFactor_);
}

int RasterSurface::pixelY(double y) const {
    return clampPixel((y - scale_.y1) * yFactor_);
}

QPainter& RasterSurface::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painterWidth_ = 0; // forces the first pen
    }
    return *painter_;
}

void RasterSurface::endPainting() const {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

void RasterSurface::applyPen(Rgb colour) {
    QPainter& p = painter();
    if (painterWidth_ != width_ || painterColour_ != colour) {
        QPen pen{QColor::fromRgb(static_cast<QRgb>(colour))};
        pen.setWidth(width_);
        pen.setCapStyle(Qt::SquareCap);
        p.setPen(pen);
        painterWidth_ = width_;
        painterColour_ = colour;
    }
}

void RasterSurface::clear() {
    endPainting();
    image_.fill(QColor::fromRgb(static_cast<QRgb>(colours::Background)));
    if (background_) {
        QPainter p(&image_);
        p.drawImage(0, 0, background_->image());
    }
}

void RasterSurface::line(double xa, double ya, double xb, double yb) {
    line(xa, ya, xb, yb, pen_);
}

void RasterSurface::line(double xa, double ya, double xb, double yb, Rgb colour) {
    applyPen(colour);
    painter_->drawLine(QLine(pixelX(xa), pixelY(ya), pixelX(xb), pixelY(yb)));
}

void RasterSurface::text(double x, double y, std::string_view text) {
    QPainter& p = painter();
    const QColor colour = QColor::fromRgb(static_cast<QRgb>(pen_));
    int left = pixelX(x);
    const int top = pixelY(y);
    for (char ch : text) {
        if (const auto* rows = glyphFor(ch)) {
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if ((*rows)[static_cast<std::size_t>(row)] & (0x10 >> col))
                        p.fillRect(left + col, top + row, 1, 1, colour);
        }
        left += kGlyphAdvance;
    }
}

PictureRef RasterSurface::takeImage() const {
    endPainting();
    return std::make_shared<RasterPicture>(image_.copy());
}

void RasterSurface::setBackground(PictureRef picture) {
    background_ = std::dynamic_pointer_cast<const RasterPicture>(picture);
    clear();
}

void RasterSurface::setLayout(const SurfaceLayout& layout) {
    const int w = twipsToPixels(layout.width);
    const int h = twipsToPixels(layout.height);
    layout_ = layout;
    if (image_.isNull() || image_.width() != w || image_.height() != h) {
        endPainting();
        image_ = QImage(w, h, QImage::Format_RGB32);
        clear();
    }
    setScale(scale_);
}

const QImage& RasterSurface::image() const {
    endPainting();
    return image_;
}

} // namespace views
