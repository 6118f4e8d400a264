#include "ui/on_top.h"

#include <QWidget>

namespace ui {

namespace {

void stayOnTop(QWidget& window, bool on) {
    if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    // Changing a window's flags hides it; show it again where it was.
    const bool visible = window.isVisible();
    const QRect geometry = window.geometry();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        window.setGeometry(geometry);
        window.show();
    }
}

} // namespace

void clsOnTop::setTopmost(QWidget& window) {
    stayOnTop(window, true);
}

void clsOnTop::setNormal(QWidget& window) {
    stayOnTop(window, false);
}

} // namespace ui
