#include "views/scales.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>

namespace views {

namespace {

// Int() of the classic language: toward minus infinity.
double Int(double value) {
    return std::floor(value);
}

// Vertical lines of the logarithmic grid: 10 Hz .. 20 kHz, the two ends wide.
void logGrid(GraphSurface& s) {
    struct Decade {
        double offset;
        int lines;
    };
    constexpr Decade decades[] = {{1, 10}, {6000, 10}, {12000, 10}, {18000, 2}};
    for (const Decade& d : decades) {
        for (int n = 1; n <= d.lines; ++n) {
            const bool edge = (d.offset == 1 && n == 1) || (d.offset == 18000 && n == 2);
            s.setPenWidth(edge ? 2 : 1);
            const double x = Int(2606 * std::log(static_cast<double>(n))) + d.offset;
            s.line(x, 0, x, 400);
        }
    }
}

// 41 level lines 10 units apart, every fifth wide.
void levelGrid(GraphSurface& s) {
    for (int k = 0; k <= 40; ++k) {
        s.setPenWidth(k % 5 == 0 ? 2 : 1);
        s.line(10, 10.0 * k, 19800, 10.0 * k);
    }
}

void logFrequencyLabels(GraphSurface& s, const std::string (&texts)[4]) {
    constexpr double xs[] = {-100, 5800, 11800, 17800};
    for (int i = 0; i < 4; ++i)
        s.text(xs[i], 405, texts[i]);
}

} // namespace

void logFrequencyX(double f, double& x) {
    if (f >= 1 && f < 11) x = Int(2606 * std::log(f / 1)) - 6000;
    if (f >= 10 && f < 101) x = Int(2606 * std::log(f / 10)) + 1;
    if (f >= 100 && f < 1001) x = Int(2606 * std::log(f / 100)) + 6000;
    if (f >= 1000 && f < 10001) x = Int(2606 * std::log(f / 1000)) + 12000;
    if (f >= 10000 && f < 20001) x = Int(2606 * std::log(f / 10000)) + 18000;
}

std::optional<double> linearFrequencyX(double f, double start, double stop) {
    if (stop == start) return std::nullopt;
    return (f - start) * (20000 / (stop - start)) * (198.0 / 200.0);
}

std::optional<double> levelY(double value, double top, double span) {
    if (span == 0) return std::nullopt;
    return 400 * (top - value) / span;
}

double percentY(double percent) {
    return (2 - std::log10(percent)) * 66.6;
}

AxisCaptions drawSweepScale(GraphSurface& s, const SweepScaleOptions& o, ScaleState& state) {
    if (!o.appendMode) s.clear();
    s.setPenColour(o.grid);
    state.axisStartHz = static_cast<std::int32_t>(
        std::clamp(common::roundHalfEven(o.startHz), -2147483648.0, 2147483647.0));
    state.axisStopHz = static_cast<std::int32_t>(
        std::clamp(common::roundHalfEven(o.stopHz), -2147483648.0, 2147483647.0));

    if (o.linearAxis) {
        for (int k = 0; k <= 10; ++k) {
            s.setPenWidth(k == 0 || k == 10 ? 2 : 1);
            s.line(k * 1980.0, 0, k * 1980.0, 400);
        }
    } else {
        logGrid(s);
    }

    if (o.thdSweep) {
        for (int k = 0; k <= 30; ++k) {
            s.setPenWidth(k % 5 == 0 ? 2 : 1);
            s.line(10, 13.3 * k, 19800, 13.3 * k);
        }
    } else {
        levelGrid(s);
    }

    s.setPenWidth(1);
    s.setPenColour(colours::Label);
    state.scaleTopDrawn = o.scaleTop;
    state.scaleSpan = o.scaleTop - o.scaleBottom;

    AxisCaptions captions;
    if (o.thdSweep) {
        for (int k = 0; k <= 6; ++k)
            s.text(-1400, 66.0 * k - 15, common::shortestText(std::pow(10.0, 2 - k)));
        captions.Ylabel = "%";
    } else {
        for (int k = 0; k <= 8; ++k)
            s.text(-1400, 50.0 * k - 15,
                   common::shortestText(state.scaleTopDrawn - (state.scaleSpan / 8) * k));
        captions.Ylabel = "dBr";
    }

    if (o.linearAxis) {
        const double step = (static_cast<double>(state.axisStopHz) - state.axisStartHz) / 10;
        for (int k = 0; k <= 10; ++k)
            s.text(1980.0 * k - 400, 405, common::shortestText(state.axisStartHz + step * k));
    } else {
        logFrequencyLabels(s, {"10", "100", "1000", "10000"});
    }
    captions.Xlabel = "Hz";
    s.setPenColour(o.grid);
    return captions;
}

AxisCaptions drawSpectrumScale(GraphSurface& s, Rgb grid, std::int32_t sampleRate,
                               ScaleState& state) {
    s.clear();
    s.setPenColour(grid);
    state.axisStartHz = 20;
    state.axisStopHz = 20000;
    state.scaleTopDrawn = 20;
    state.scaleSpan = 160;

    logGrid(s);
    levelGrid(s);
    s.setPenWidth(1);

    s.setPenColour(colours::Label);
    for (int k = 0; k <= 8; ++k)
        s.text(-1400, 50.0 * k - 15, common::shortestText(20.0 - 20.0 * k));
    std::string texts[4];
    double decade = 10;
    for (std::string& text : texts) {
        text = common::Format(decade * sampleRate / 44100, "#####");
        decade *= 10;
    }
    logFrequencyLabels(s, texts);
    s.setPenColour(grid);
    return {"dBr", "Hz"};
}

void drawScopeGraticule(GraphSurface& s, Rgb grid) {
    s.setPenColour(grid);
    for (int k = 1; k <= 20; ++k) {
        s.line(-1500, 50.0 * k - 40, 22000, 50.0 * k - 40);
        s.line(1200.0 * k - 1500, -40, 1200.0 * k - 1500, 600);
    }
    s.setPenWidth(1);
    for (int k = 1; k <= 200; ++k) {
        s.line(140.0 * k - 1500, 202, 140.0 * k - 1500, 218);
        s.line(9215, 10.0 * k - 40.2, 9450, 10.0 * k - 40.2);
    }
    s.setPenColour(colours::Black);
}

} // namespace views
