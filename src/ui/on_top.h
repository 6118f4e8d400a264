#pragma once
// clsOnTop: puts a window above all other windows of the desktop, or back
// among them, keeping its position and size. The test sequence editor is
// topmost from the moment it opens.
//
// Thread: the GUI thread.

class QWidget;

namespace ui {

struct clsOnTop {
    static void setTopmost(QWidget& window);
    static void setNormal(QWidget& window);
};

} // namespace ui
