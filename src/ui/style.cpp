#include "ui/style.h"

namespace ui {

QString instrumentStyleSheet() {
    return QStringLiteral(R"(
QMainWindow, QWidget[role="panel"] { background: #1f2329; }
QWidget { color: #d5dbe3; font-size: 9pt; }
QMenuBar { background: #2a2f37; color: #e4e8ee; }
QMenuBar::item:selected { background: #3d4553; }
QMenu { background: #2a2f37; color: #e4e8ee; border: 1px solid #4a515c; }
QMenu::item:selected { background: #3d6fa8; }
QMenu::item:disabled { color: #6c737d; }
QStatusBar { background: #2a2f37; color: #c0c7d0; }
QToolTip { background: #2a2f37; color: #e4e8ee; border: 1px solid #4a515c; }

QGroupBox[role="frame"] {
    border: 1px solid #444b56; border-radius: 5px; margin-top: 9px;
    padding: 7px 5px 4px 5px; background: #262b32;
    font-weight: bold; color: #9fc3e8;
}
QGroupBox[role="frame"]::title {
    subcontrol-origin: margin; subcontrol-position: top left;
    left: 8px; padding: 0 4px; color: #9fc3e8;
}
QGroupBox[role="frame"] QGroupBox[role="frame"] { background: #2b3038; }
QGroupBox QLabel, QGroupBox QCheckBox, QGroupBox QRadioButton { font-weight: normal; }

QLabel[role="caption"] { color: #aab3bf; }
QLabel[role="value"] {
    color: #f2f5f8; background: #14171b; border: 1px solid #3a4049;
    border-radius: 2px; padding: 1px 5px;
    font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; font-weight: bold;
}
QLabel[role="status"] {
    color: #f0f3f6; background: #14171b; border: 1px solid #3a4049;
    border-radius: 3px; padding: 3px 6px;
}
QLabel[role="axis"] {
    color: #ffffff; background: transparent; padding: 2px 4px; font-weight: bold;
}
QLabel[role="splash"] {
    color: #101418; background: rgba(255, 236, 150, 235);
    border: 2px solid #d8b848; border-radius: 8px;
    padding: 14px 22px; font-size: 16pt; font-weight: bold;
}
QLabel[role="badge"] {
    color: #1b1f24; background: #e8c25a; border-radius: 3px;
    padding: 0 6px; font-weight: bold;
}

QLabel[role="alarm"] {
    color: #ffffff; background: #c62828; border-radius: 4px;
    padding: 4px 8px; font-weight: bold;
}
QFrame[role="readout"] {
    background: #101316; border: 1px solid #3c434d; border-radius: 6px;
}
QLabel[role="digits"] {
    color: #e9fbff; background: transparent;
    font-family: "DejaVu Sans Mono", "Liberation Mono", monospace;
    font-size: 20pt; font-weight: bold; padding: 0 2px;
}
QFrame[role="graph"] {
    background: #000000; border: 1px solid #4a515c; border-radius: 3px;
}

QLineEdit, QPlainTextEdit, QComboBox {
    background: #14171b; color: #f2f5f8; border: 1px solid #4a515c;
    border-radius: 3px; padding: 1px 4px; selection-background-color: #3d6fa8;
}
QLineEdit:focus, QPlainTextEdit:focus, QComboBox:focus { border-color: #6aa0d8; }
QLineEdit:disabled, QComboBox:disabled { color: #6c737d; }
QPlainTextEdit[role="data"] {
    font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; color: #b8f5c0;
}
QComboBox::drop-down { border: none; width: 14px; }
QComboBox::down-arrow {
    width: 0; height: 0; border-left: 4px solid transparent;
    border-right: 4px solid transparent; border-top: 5px solid #aab3bf;
}
QComboBox QAbstractItemView {
    background: #1a1e23; color: #f2f5f8; selection-background-color: #3d6fa8;
    border: 1px solid #4a515c;
}

QPushButton {
    color: #eef1f4; border: 1px solid #555d69; border-radius: 4px;
    padding: 3px 10px; min-height: 16px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a525e, stop:1 #353b44);
}
QPushButton:hover { border-color: #7d8896; }
QPushButton:pressed { background: #2a2f36; }
QPushButton:disabled { color: #6c737d; }
QPushButton[role="small"] { padding: 2px 6px; }
QPushButton[role="on"] {
    font-weight: bold; min-width: 44px; border-color: #3f7d4a;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3f7a4a, stop:1 #2a5632);
}
QPushButton[role="off"] {
    font-weight: bold; min-width: 44px; border-color: #8a3d3d;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #7e3b3b, stop:1 #592828);
}

QCheckBox, QRadioButton { spacing: 4px; }
QScrollBar:horizontal {
    background: #14171b; height: 14px; border: 1px solid #4a515c; border-radius: 3px;
}
QScrollBar::handle:horizontal { background: #5a6472; min-width: 16px; border-radius: 3px; }
QScrollBar:vertical { background: #14171b; width: 12px; }
QScrollBar::handle:vertical { background: #4a525e; min-height: 16px; border-radius: 3px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
)");
}

} // namespace ui
