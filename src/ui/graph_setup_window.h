#pragma once
// The Graph Setup window (GraphSetup): the printed graph's title, legends,
// colour, line width and time stamp. Bound to views::GraphSetup.

#include "ui/instrument.h"

#include <QWidget>
#include <memory>

namespace ui {

std::unique_ptr<QWidget> makeGraphSetup(Instrument& instrument, QWidget* parent);

} // namespace ui
