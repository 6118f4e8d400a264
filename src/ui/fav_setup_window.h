#pragma once
// The Favorite Test Setup window (FavSetup, opened by "Hotkey Setup"): the
// five favourite panel files with their browse buttons. Bound to
// panel::FavSetup.

#include "ui/instrument.h"

#include <QWidget>
#include <memory>

namespace ui {

std::unique_ptr<QWidget> makeFavSetup(Instrument& instrument, QWidget* parent);

} // namespace ui
