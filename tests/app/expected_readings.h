#pragma once
// The readings that the measurement cycle must give for one block, computed
// independently: plain DC removal and RMS, the window evaluated directly, and
// a plain DFT instead of the transform. Shared by the end-to-end tests.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace apptest {

inline constexpr int kBlockFrames = 4596; // 18384 bytes with the 500-frame discard
inline constexpr int kN = 16384;

struct Expected {
    double freqHz;
    double millivolts;
    double db;
    double thd;
};

// The left-channel readings of a block whose frame i is left(i).
template <typename Left> inline Expected expectedFor(Left left) {
    double dc = 1;
    for (int i = 1000; i <= 4190; ++i)
        dc += left(i);
    dc /= 3190;
    double squares = 0;
    for (int j = 1; j <= 3190; ++j) {
        const double v = std::nearbyint(left(j) - dc);
        squares += v * v;
    }
    Expected e{};
    const double volts = 0.707 * std::sqrt(squares / 3190) / 24024;
    e.millivolts = volts * 1000;
    e.db = 20 * std::log10(volts);
    std::vector<double> windowed(kN, 0);
    for (int i = 1; i <= 4095; ++i) {
        const auto w = static_cast<float>(0.42 - 0.5 * std::cos(12.56637061435916 * 2 * i / kN) +
                                          0.08 * std::cos(25.13274122871832 * 2 * i / kN));
        windowed[static_cast<std::size_t>(i)] = std::nearbyint(left(i + 500) * w);
    }
    auto spectrum = [&](int k) {
        double s = 0;
        for (int i = 1; i <= 4095; ++i)
            s += windowed[static_cast<std::size_t>(i)] *
                 std::cos(2 * std::numbers::pi * static_cast<double>(i) * k / kN);
        return (std::abs(s + 1) + std::abs(s)) / 2;
    };
    int fundamental = 0;
    double peak = 0;
    for (int k = 360; k <= 385; ++k)
        if (spectrum(k) > peak) peak = spectrum(k), fundamental = k;
    e.freqHz = fundamental * 2.6916;
    double harmonics = 0;
    for (int h = 2; h <= 15; ++h) {
        double best = 0;
        for (int d = -4; d <= 4; ++d)
            best = std::max(best, spectrum(h * fundamental + d));
        harmonics += best;
    }
    e.thd = 50 * harmonics / peak;
    return e;
}

} // namespace apptest
