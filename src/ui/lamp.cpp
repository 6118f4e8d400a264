#include "ui/lamp.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

namespace ui {

Lamp::Lamp(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Lamp::setColour(std::uint32_t rgb) {
    if (rgb == rgb_) return;
    rgb_ = rgb;
    update();
}

QSize Lamp::sizeHint() const {
    const int side = fontMetrics().height();
    return {side, side};
}

QSize Lamp::minimumSizeHint() const {
    return sizeHint();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height()) - 2;
    const QRectF lens((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QColor colour = QColor::fromRgb(static_cast<QRgb>(rgb_));
    QRadialGradient glow(lens.center() - QPointF(side / 5, side / 5), side * 0.7);
    glow.setColorAt(0, colour.lighter(160));
    glow.setColorAt(0.6, colour);
    glow.setColorAt(1, colour.darker(160));
    p.setBrush(glow);
    p.setPen(QPen(QColor(10, 12, 14), 1.2));
    p.drawEllipse(lens);
}

} // namespace ui
