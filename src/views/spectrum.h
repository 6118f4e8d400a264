#pragma once
// The spectrum analyzer's drawing: one trace per channel on the hidden
// surface ScopeBuff (user scale 0..7755 x 0..3195), level in dB against the
// logarithmic frequency axis, and the per-bin tables that the cursor readout
// reads back.

#include "views/graph_surface.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace views {

// The arrays of one analysed block as the measurement engine holds them.
// The drawing divides the spectra in place while the generator is on, and
// afterwards clears the windowed samples and restarts the spectrum average
// (counter back to 1); pointers left null are skipped.
struct SpectrumFrame {
    double* spectrumLeft = nullptr; // SpectrumLeft, at least lastBin + 2 entries
    double* spectrumRight = nullptr;
    std::size_t spectrumSize = 0;
    std::int32_t N = 16384; // SampleSize
    std::int32_t sampleRate = 44100;
    double refLevel = 0; // RefLevel, dB
    bool genOn = false;
    std::int16_t* winLeft = nullptr; // WinLeft, positions 0..N-1 cleared
    std::int16_t* winRight = nullptr;
    std::size_t winSize = 0;
    std::int32_t* averageCounter = nullptr; // the spectrum average counter
};

// The first and last bin drawn for analysis size n: 4..7200 for 16384,
// 8..15392 for 32768.
int firstSpectrumBin(std::int32_t n);
int lastSpectrumBin(std::int32_t n);

class SpectrumView {
public:
    SpectrumView();

    // Channel choice: 0 left, 1 right, 2 both.
    struct Options {
        int saChannel = 0;
        bool exportRendering = false;
        std::int32_t graphHeightAtStart = 3255; // twips
        // Lets pending window events run once, half-way through the bins.
        std::function<void()> pumpEvents;
    };

    // Draws both traces on scopeBuff (its scale is not changed) and
    // finishes the frame as described at SpectrumFrame.
    void makespectrum(GraphSurface& scopeBuff, const SpectrumFrame& frame, const Options& options);

    // The cursor readout for a pointer at graph x (graph user units), or
    // nothing when no bin lies under it.
    std::optional<std::string> cursorReadout(double graphX) const;
    // The level (dBr) that the cursor readout shows for a trace at y on ScopeBuff.
    static double cursorLevel(double y) { return 22 - y * 160 / 2755; }

    // The bins and the channel choice of the last drawing; no bins before
    // the first one.
    int drawnFirstBin = 0;
    int drawnLastBin = -1;
    int drawnChannel = 0;

    std::int32_t saLevelOffset = -60;
    std::int32_t saXDivisor = 2;

    // Per-bin tables (index = bin).
    std::vector<double> plotX;                 // 0..100000
    std::vector<double> binDbLeft, binDbRight; // 0..32768
    std::vector<std::int32_t> binPixelX;       // 0..20000
    std::vector<double> binFreq;               // 0..20000
    std::vector<double> binYLeft, binYRight;   // 0..20000

    // y on ScopeBuff of a level value.
    double levelToY(double value, std::int32_t graphHeightAtStart) const;
};

} // namespace views
