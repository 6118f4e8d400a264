#pragma once
// The Help window (Help): the main help and the sound card tips as rich
// text, switched by the menu item "Soundcard Tips" / "Return to Main Help"
// (mnuTips), with Save a Copy and Print. Bound to output::Help.

#include "ui/instrument.h"

#include <QWidget>
#include <memory>

namespace ui {

std::unique_ptr<QWidget> makeHelp(Instrument& instrument, QWidget* parent);

} // namespace ui
