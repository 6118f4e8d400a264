#include "views/spectrum.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace views {

namespace {

// Position of bin i on the analyzer's log axis, before the x divisor. The
// slope differs per decade; those slopes are part of the calibrated mapping.
double binPlotX(int i, std::int32_t n) {
    struct Row {
        int lastBin;
        double decade, slope, offset;
    };
    constexpr Row rows[] = {{10, 10, 2706, 1},
                            {100, 10, 2606, 1},
                            {1000, 100, 2706, 6000},
                            {10000, 1000, 2656, 12000},
                            {100000, 10000, 2606, 18000}};
    for (const Row& row : rows) {
        if (i <= row.lastBin) {
            const double r = i / (n * row.decade / 16384);
            return (row.slope * std::log(r) + row.offset) * 0.71 + 2760;
        }
    }
    return 0;
}

} // namespace

int firstSpectrumBin(std::int32_t n) {
    return static_cast<int>(common::roundHalfEven(n * 4.0 / 16384));
}

int lastSpectrumBin(std::int32_t n) {
    const int m = static_cast<int>(common::roundHalfEven((n - 4) / 2.0));
    return m - 30 - 960;
}

SpectrumView::SpectrumView()
    : plotX(100001), binDbLeft(32769), binDbRight(32769), binPixelX(20001), binFreq(20001),
      binYLeft(20001), binYRight(20001) {}

double SpectrumView::levelToY(double value, std::int32_t graphHeightAtStart) const {
    return 0.88 * (graphHeightAtStart + 360 + saLevelOffset / 0.05 - 40 * value);
}

void SpectrumView::makespectrum(GraphSurface& scopeBuff, const SpectrumFrame& f, const Options& o) {
    saLevelOffset = -60;
    saXDivisor = 2;
    const int first = firstSpectrumBin(f.N);
    const int last = lastSpectrumBin(f.N);
    const bool left = o.saChannel == 0 || o.saChannel == 2;
    const bool right = o.saChannel == 1 || o.saChannel == 2;
    const Rgb leftColour = o.exportRendering ? colours::Export : colours::LeftTrace;
    const Rgb rightColour = o.exportRendering ? colours::Export : colours::RightTrace;

    // Every table index below stays inside its table for the two analysis
    // sizes; other sizes and short spectra are cut to what exists.
    const int tableLast = static_cast<int>(std::min<std::size_t>(binPixelX.size(), 20001)) - 1;
    const int spectrumLast = static_cast<int>(f.spectrumSize) - 2;
    const int end = std::min({last, tableLast, spectrumLast});
    drawnFirstBin = first;
    drawnLastBin = first >= 1 ? end : -1;
    drawnChannel = o.saChannel;

    auto level = [&](const double* spectrum, int i, double& target) {
        const double s = std::sqrt(std::abs((spectrum[i + 1] + spectrum[i]) / 1000));
        if (s > 0 && i + 1 < 16384) target = 20 * std::log(s) / 2.3 - f.refLevel / 2;
    };

    for (int i = first; i <= end && first >= 1; ++i) {
        const auto bin = static_cast<std::size_t>(i);
        plotX[bin] = binPlotX(i, f.N);
        if (i == first) plotX[bin - 1] = plotX[bin];
        if (f.genOn && f.spectrumLeft && f.spectrumRight) {
            f.spectrumLeft[i] /= 0.38;
            f.spectrumRight[i] /= 0.38;
        }
        if (left && f.spectrumLeft) level(f.spectrumLeft, i, binDbLeft[bin]);
        if (right && f.spectrumRight) level(f.spectrumRight, i, binDbRight[bin]);
        const double pixel = common::roundHalfEven(plotX[bin] / saXDivisor);
        binPixelX[bin] = static_cast<std::int32_t>(std::clamp(pixel, -2147483648.0, 2147483647.0));
        binFreq[bin] = i * (16384.0 / f.N) * (f.sampleRate / 44100.0) * (44100.0 / 16384);

        const double xa = plotX[bin - 1] / 2;
        const double xb = plotX[bin] / 2;
        if (left) {
            const double y = levelToY(binDbLeft[bin], o.graphHeightAtStart);
            scopeBuff.line(xa, levelToY(binDbLeft[bin - 1], o.graphHeightAtStart), xb, y,
                           leftColour);
            binYLeft[bin] = y;
        }
        if (right) {
            const double y = levelToY(binDbRight[bin], o.graphHeightAtStart);
            scopeBuff.line(xa, levelToY(binDbRight[bin - 1], o.graphHeightAtStart), xb, y,
                           rightColour);
            binYRight[bin] = y;
        }
        if (i == 1000 && o.pumpEvents) o.pumpEvents();
    }

    if (f.winLeft && f.winRight) {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(f.N, 0)), f.winSize);
        std::fill_n(f.winLeft, n, std::int16_t{0});
        std::fill_n(f.winRight, n, std::int16_t{0});
    }
    if (f.averageCounter) *f.averageCounter = 1;
}

std::optional<std::string> SpectrumView::cursorReadout(double graphX) const {
    const double a = graphX / 2.75;
    std::optional<std::string> text;
    for (std::size_t i = 1; i <= 9900; ++i) {
        if (binPixelX[i - 1] - 380 < a && a < binPixelX[i] - 380) {
            text = common::Format(binFreq[i], "##.#") + " Hz   " +
                   common::Format(cursorLevel(binYLeft[i]), "##.##") + " dBL  " +
                   common::Format(cursorLevel(binYRight[i]), "##.##") + " dBR";
        }
    }
    return text;
}

} // namespace views
