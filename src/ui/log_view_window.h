#pragma once
// The Log Viewer window (LogView): a log file's text in a fixed-width font
// with Open, Reload (F5), Save As and Print. Bound to the script host's
// sequencer::LogViewer; the script function logviewer and File > Log Viewer
// show it.

#include "ui/instrument.h"

#include <QWidget>
#include <memory>

namespace ui {

std::unique_ptr<QWidget> makeLogView(Instrument& instrument, QWidget* parent);

} // namespace ui
