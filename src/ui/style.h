#pragma once
// The instrument's look: a dark front panel, framed groups, recessed entry
// fields, readouts in large fixed-width digits, and coloured ON/START and
// OFF/STOP keys. Widgets choose their part of it through the dynamic
// property "role" (frame, readout, digits, caption, value, status, splash,
// axis, data, badge, on, off, small, panel, graph).

#include <QString>

namespace ui {

QString instrumentStyleSheet();

} // namespace ui
