#pragma once
// The Settling Editor window (SettlingEditor): how a sweep step settles and
// is read, the level detector, the sample rate that follows the sweep, the
// data log's columns and file, and the default data directory. Bound to
// engine::SettlingEditor.

#include "ui/instrument.h"

#include <QWidget>
#include <memory>

namespace ui {

std::unique_ptr<QWidget> makeSettlingEditor(Instrument& instrument, QWidget* parent);

} // namespace ui
