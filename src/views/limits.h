#pragma once
// Limit curves and the reverse calibration: drawing the limit curve over the
// sweep graph, judging a stored sweep point against the limit row with the
// same index, and reading the reverse calibration file.
//
// Limits and corrections are matched to sweep points by index (row k applies
// to point k whatever their frequencies).

#include "common/tables.h"
#include "views/graph_surface.h"
#include "views/scales.h"

#include <array>
#include <string>
#include <string_view>

namespace views {

inline constexpr std::string_view kReverseCalFile = "C:\\QEX_ARV1files\\reversecal";
inline constexpr std::string_view kLimitFileFilter = "Limit Files|*.dfl;";
inline constexpr Rgb kLimitColour = rgb(255, 0, 0);

// The x array the sweep points and the limit curve share (graph units).
using PlotX = std::array<double, common::kTableSize>;
// y of left and right at the previous point, then at the current one.
using SegmentY = std::array<float, 4>;

struct LimitCurveGeometry {
    bool thdSweep = false;
    bool linearAxis = false;
    double startHz = 0; // the linear axis
    double stopHz = 0;
    ScaleState scales;
};

// Draws the lower and upper limit lines in red for rows 1..limitCount. x goes
// through plotX (kept for the rows whose frequency has no place on the axis);
// segY carries the y values of a segment whose values cannot be mapped (a
// THD limit of 0 % or below, or a scale span of 0).
void drawLimitCurve(GraphSurface& surface, const common::LimitTable& limits,
                    const LimitCurveGeometry& geometry, PlotX& plotX, SegmentY& segY);

struct LimitVerdict {
    bool judged = false; // the point has a limit row
    bool leftFails = false;
    bool rightFails = false;
    bool fails() const { return leftFails || rightFails; }
};

// Judges point k: a value below its lower or above its upper limit fails; a
// value equal to a limit passes. Points beyond limitCount (or k < 1) are not
// judged. The values are compared as they read back from their shortest text.
LimitVerdict judgePoint(const common::LimitTable& limits, int k, float left, float right);

// Reads the reverse calibration file into the table. A missing or unreadable
// file changes nothing; returns why it was not read (empty when the table was
// replaced).
std::string loadReverseCal(std::string_view programPath, common::ReverseCalTable& cal);

} // namespace views
