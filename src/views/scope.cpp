#include "views/scope.h"

#include "common/text.h"
#include "views/scales.h"

#include <algorithm>
#include <cmath>

namespace views {

namespace {

double Int(double value) {
    return std::floor(value);
}

// nearest() as a loop bound; values beyond the int range are cut.
long long nearestBound(double value) {
    if (!std::isfinite(value)) return value > 0 ? 1LL << 40 : -(1LL << 40);
    return static_cast<long long>(
        std::clamp(common::roundHalfEven(value), -1099511627776.0, 1099511627776.0));
}

// The right edge of GraphBox; a trace segment that starts beyond it is
// clipped away entirely, so the manual trace stops there.
constexpr double kRightEdge = 20500;

} // namespace

void ScopeView::trace(GraphSurface& g, const std::int32_t* samples, std::size_t length,
                      double frequency, ScopeChannelState& st, const ScopeFrame& f,
                      const ScopeOptions& o, bool isLeft) {
    const int M = static_cast<int>(common::roundHalfEven((f.N - 4) / 2.0));
    const double rate = f.sampleRate;
    // Positions beyond the block read as zero.
    auto sample = [&](long long k) -> double {
        return k >= 0 && static_cast<std::size_t>(k) < length ? samples[k] : 0.0;
    };

    if (frequency != 0) {
        st.scopeMax = 0;
        st.scopeMin = 0;
        st.scopeTrigger = 0;
        st.scopeCycles = M * frequency / 44100;
        st.scopeXStep = 5000 * frequency / rate;
        const long long end = std::min<long long>(nearestBound(M / st.scopeCycles + 500),
                                                  static_cast<long long>(length) - 1);
        for (long long k = 500; k <= end; ++k) {
            if (samples[k] > st.scopeMax) {
                st.scopeMax = samples[k];
                // A trigger beyond the 16-bit range overflows and keeps its old value.
                if (k <= 32767) st.scopeTrigger = static_cast<std::int16_t>(k);
            }
            if (samples[k] < st.scopeMin) st.scopeMin = samples[k];
        }
    }
    const double swing = static_cast<double>(st.scopeMax) - st.scopeMin;
    if (swing != 0) {
        st.scopeAutoGain = 1 / (std::abs(swing) / 65000 * 240);
        if (st.scopeAutoGain > 2) st.scopeAutoGain = 2;
    }
    if (!isLeft && o.lockToLeftTrigger) st.scopeTrigger = left.scopeTrigger;

    const Rgb colour =
        o.exportRendering ? colours::Export : (isLeft ? colours::LeftTrace : colours::RightTrace);

    if (!o.manual) {
        if (st.scopeCycles == 0 || f.N == 0) return;
        const long long K = nearestBound(M / st.scopeCycles * 5 * rate / 44100);
        const long long t = st.scopeTrigger;
        if (!(M - K > t)) return;
        for (long long k = 0; k <= K; ++k) {
            g.line(Int(k * st.scopeXStep) - 1500, Int(210 - sample(t + k) * st.scopeAutoGain),
                   Int((k + 1) * st.scopeXStep) - 1500,
                   Int(210 - sample(t + k + 1) * st.scopeAutoGain), colour);
        }
        return;
    }

    const double T = o.timebase / 25.0;
    const long long K = nearestBound(M / 50.0 * 11 * T * rate / 44100);
    const double gain = isLeft ? o.gainLeft : o.gainRight;
    const double c = o.split ? (isLeft ? 105 : 315) : 210;
    for (long long k = 0; k <= K; ++k) {
        const double xa = Int(50 * k / T) - 1500;
        if (xa > kRightEdge) break;
        g.line(xa, Int(c - gain * 0.005 * sample(1000 + k)), Int(50 * (k + 1) / T) - 1500,
               Int(c - gain * 0.005 * sample(1001 + k)), colour);
    }
}

void ScopeView::displayscope(GraphSurface& g, const ScopeFrame& f, const ScopeOptions& o) {
    drawScopeGraticule(g, o.grid);
    g.setPenWidth(1);
    g.setPenColour(colours::Black);
    if ((o.saChannel == 0 || o.saChannel == 2) && f.left)
        trace(g, f.left, f.length, f.freqL, left, f, o, true);
    if ((o.saChannel == 1 || o.saChannel == 2) && f.right)
        trace(g, f.right, f.length, f.freqR, right, f, o, false);
    if (f.winLeft && f.winRight) {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(f.N, 0)), f.winSize);
        std::fill_n(f.winLeft, n, std::int16_t{0});
        std::fill_n(f.winRight, n, std::int16_t{0});
    }
}

} // namespace views
