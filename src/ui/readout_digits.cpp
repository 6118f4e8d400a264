#include "ui/readout_digits.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace ui {

namespace {

// The width a slot asks for, whatever it shows: a reading and its unit at the
// full size. It gives way down to half of that.
constexpr auto kNominalText = "-00.000 dB";

} // namespace

ReadoutDigits::ReadoutDigits(QWidget* parent) : QLabel(parent) {}

QSize ReadoutDigits::sizeHint() const {
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(QLatin1String(kNominalText)) + m.left() + m.right(),
            QLabel::sizeHint().height()};
}

QSize ReadoutDigits::minimumSizeHint() const {
    return {sizeHint().width() / 2, QLabel::minimumSizeHint().height()};
}

void ReadoutDigits::paintEvent(QPaintEvent*) {
    const QRect room = contentsRect();
    QFont face = font();
    const int needed = QFontMetrics(face).horizontalAdvance(text());
    if (needed > room.width() && needed > 0) {
        const double scale = static_cast<double>(room.width()) / needed;
        if (face.pointSizeF() > 0)
            face.setPointSizeF(std::max(1.0, face.pointSizeF() * scale));
        else
            face.setPixelSize(std::max(1, static_cast<int>(face.pixelSize() * scale)));
    }
    QPainter p(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this); // a colour given to it
    p.setFont(face);
    p.setPen(palette().color(foregroundRole()));
    p.drawText(room, static_cast<int>(alignment()), text());
}

} // namespace ui
