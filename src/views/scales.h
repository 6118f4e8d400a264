#pragma once
// The graph's fixed coordinates and the scales drawn on them: the plot area
// is x 0..19800 and y 0 (top) .. 400 (bottom), 6000 x units per frequency
// decade (10 Hz at x = 1, 1 kHz at 12000, 20 kHz at 19806). Labels of the
// vertical scale sit at x = -1400, frequency labels at y = 405.

#include "views/graph_surface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace views {

inline constexpr UserScale kGraphScale{-1500, -20, 20500, 440};
inline constexpr UserScale kScopeBuffScale{0, 0, 7755, 3195};

// The logarithmic frequency axis. A frequency outside 1..20001 Hz leaves x
// as it was (the caller keeps its previous point).
void logFrequencyX(double frequencyHz, double& x);
// The linear axis from start (x = 0) to stop (x = 19800); nothing when the
// two are equal.
std::optional<double> linearFrequencyX(double frequencyHz, double startHz, double stopHz);
// A level in the sweep's unit: top at y = 0, top - span at y = 400; nothing
// when span is 0.
std::optional<double> levelY(double value, double top, double span);
// The THD sweep's percent axis, 66.6 units a decade (100 % at y = 0).
double percentY(double percent);

// What the last scale drawing left behind for the plots that follow.
struct ScaleState {
    double scaleTopDrawn = 0; // dB
    double scaleSpan = 0;     // dB
    std::int32_t axisStartHz = 0;
    std::int32_t axisStopHz = 0;
};

struct SweepScaleOptions {
    bool appendMode = false;
    bool linearAxis = false;
    bool thdSweep = false;
    double scaleTop = 0;    // SweepScaleTop
    double scaleBottom = 0; // SweepScaleBtm
    double startHz = 0;     // SweepStartFreq
    double stopHz = 0;      // SweepStopFreq
    Rgb grid = colours::GridNormal;
};

// Texts of the axis captions beside the graph.
struct AxisCaptions {
    std::string Ylabel;
    std::string Xlabel;
};

// The sweep scale (grid and labels); the surface is cleared first unless in
// append mode. Ends with the pen in the grid colour, width 1.
AxisCaptions drawSweepScale(GraphSurface& surface, const SweepScaleOptions& options,
                            ScaleState& state);

// The spectrum scale: always logarithmic, 20 down to -140 dBr, frequency
// labels that follow the sample rate.
AxisCaptions drawSpectrumScale(GraphSurface& surface, Rgb grid, std::int32_t sampleRate,
                               ScaleState& state);

// The oscilloscope graticule; ends with pen width 1 and pen colour black.
void drawScopeGraticule(GraphSurface& surface, Rgb grid);

} // namespace views
