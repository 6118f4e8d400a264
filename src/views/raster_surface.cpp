#include "views/raster_surface.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

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

void RasterSurface::clear() {
    changed();
    image_.fill(QColor::fromRgb(static_cast<QRgb>(colours::Background)));
    if (!background_) return;
    const QImage& picture = background_->image();
    if (picture.size() == image_.size() && picture.format() == image_.format()) {
        std::memcpy(image_.bits(), picture.constBits(),
                    static_cast<std::size_t>(image_.sizeInBytes()));
    } else {
        QPainter p(&image_);
        p.drawImage(0, 0, picture);
    }
}

void RasterSurface::line(double xa, double ya, double xb, double yb) {
    line(xa, ya, xb, yb, pen_);
}

void RasterSurface::line(double xa, double ya, double xb, double yb, Rgb colour) {
    const double x0 = (xa - scale_.x1) * xFactor_, y0 = (ya - scale_.y1) * yFactor_;
    const double x1 = (xb - scale_.x1) * xFactor_, y1 = (yb - scale_.y1) * yFactor_;
    plotLine(x0, y0, x1, y1, colour);
}

// Cuts the segment to the picture (a margin for wide pens) and draws it with
// Bresenham's algorithm straight into the pixels: thousands of short trace
// segments per block are far cheaper this way than through a painter. Both
// end pixels are drawn; a wide pen adds the neighbouring rows (for flat
// lines) or columns (for steep lines).
void RasterSurface::plotLine(double x0, double y0, double x1, double y1, Rgb colour) {
    changed();
    const double w = image_.width(), h = image_.height();
    const double margin = 2.0 * pixelScale_;
    const double left = -margin, top = -margin, right = w + margin, bottom = h + margin;
    // Liang-Barsky clipping on the continuous pixel coordinates.
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return;
            t1 = std::min(t1, t);
        }
    }
    int ax = static_cast<int>(std::floor(x0 + t0 * dx)),
        ay = static_cast<int>(std::floor(y0 + t0 * dy));
    const int bx = static_cast<int>(std::floor(x0 + t1 * dx)),
              by = static_cast<int>(std::floor(y0 + t1 * dy));

    const int width = image_.width(), height = image_.height();
    const auto pixel = static_cast<QRgb>(0xFF000000u | colour);
    auto* bits = reinterpret_cast<QRgb*>(image_.bits());
    const qsizetype stride = image_.bytesPerLine() / 4;
    auto put = [&](int x, int y) {
        if (x >= 0 && x < width && y >= 0 && y < height) bits[y * stride + x] = pixel;
    };

    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    const int ddx = std::abs(bx - ax), ddy = -std::abs(by - ay);
    const bool steep = -ddy > ddx;
    // A finer pixel scale thickens the pens so that the picture keeps its weight.
    const int thickness = width_ * ((pixelScale_ + 1) / 2);
    int err = ddx + ddy;
    for (;;) {
        for (int t = 0; t < thickness; ++t)
            steep ? put(ax + t, ay) : put(ax, ay + t);
        if (ax == bx && ay == by) break;
        const int e2 = 2 * err;
        if (e2 >= ddy) {
            err += ddy;
            ax += sx;
        }
        if (e2 <= ddx) {
            err += ddx;
            ay += sy;
        }
    }
}

void RasterSurface::text(double x, double y, std::string_view text) {
    changed();
    const auto pixel = static_cast<QRgb>(0xFF000000u | pen_);
    const int width = image_.width(), height = image_.height();
    auto* bits = reinterpret_cast<QRgb*>(image_.bits());
    const qsizetype stride = image_.bytesPerLine() / 4;
    const int dot = pixelScale_; // a glyph dot is dot x dot pixels
    int left = pixelX(x);
    const int top = pixelY(y);
    for (char ch : text) {
        if (const auto* rows = glyphFor(ch)) {
            for (int row = 0; row < 7 * dot; ++row) {
                for (int col = 0; col < 5 * dot; ++col) {
                    const int px = left + col, py = top + row;
                    if (((*rows)[static_cast<std::size_t>(row / dot)] & (0x10 >> (col / dot))) &&
                        px >= 0 && px < width && py >= 0 && py < height)
                        bits[py * stride + px] = pixel;
                }
            }
        }
        left += kGlyphAdvance * dot;
    }
}

PictureRef RasterSurface::takeImage() const {
    if (!snapshot_) snapshot_ = std::make_shared<RasterPicture>(image_.copy());
    return snapshot_;
}

void RasterSurface::setBackground(PictureRef picture) {
    background_ = std::dynamic_pointer_cast<const RasterPicture>(picture);
    clear();
}

void RasterSurface::setPixelScale(int scale) {
    pixelScale_ = std::clamp(scale, 1, 4);
    setLayout(layout_);
}

void RasterSurface::setLayout(const SurfaceLayout& layout) {
    const int w = twipsToPixels(layout.width) * pixelScale_;
    const int h = twipsToPixels(layout.height) * pixelScale_;
    layout_ = layout;
    if (image_.isNull() || image_.width() != w || image_.height() != h) {
        image_ = QImage(w, h, QImage::Format_RGB32);
        presented_ = true; // a new size is always worth a notification
        clear();
    }
    setScale(scale_);
}

const QImage& RasterSurface::image() const {
    return image_;
}

} // namespace views
