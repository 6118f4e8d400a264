#pragma once
// The oscilloscope's traces over the graticule: automatic mode triggers on
// the signal's maximum and scales about five periods of the measured
// frequency to the screen; manual mode uses the timebase and a gain per
// channel from sample 1000 on, optionally split into an upper (left) and a
// lower (right) half.

#include "views/graph_surface.h"

#include <cstddef>
#include <cstdint>

namespace views {

// The arrays of one captured block as the measurement engine holds them. The
// drawing clears the windowed samples (positions 0..N-1) when given.
struct ScopeFrame {
    const std::int32_t* left = nullptr; // Left, after DC removal
    const std::int32_t* right = nullptr;
    std::size_t length = 0; // entries of left and right
    std::int32_t N = 16384;
    std::int32_t sampleRate = 44100;
    double freqL = 0, freqR = 0; // Hz, 0 when no signal was found
    std::int16_t* winLeft = nullptr;
    std::int16_t* winRight = nullptr;
    std::size_t winSize = 0;
};

// The trigger, step and gain of one channel's automatic mode; they carry over
// to the next block when that block finds no frequency.
struct ScopeChannelState {
    std::int32_t scopeMax = 0;
    std::int32_t scopeMin = 0;
    std::int16_t scopeTrigger = 0;
    double scopeCycles = 0;
    double scopeXStep = 0;
    double scopeAutoGain = 0;
};

struct ScopeOptions {
    int saChannel = 0; // 0 left, 1 right, 2 both
    bool manual = false;
    std::int32_t timebase = 50;
    std::int32_t gainLeft = 1;
    std::int32_t gainRight = 1;
    bool split = false;
    bool lockToLeftTrigger = false;
    bool exportRendering = false;
    Rgb grid = colours::GridNormal;
};

class ScopeView {
public:
    // The graticule and the traces of the frame on graphBox (graph user scale).
    void displayscope(GraphSurface& graphBox, const ScopeFrame& frame, const ScopeOptions& options);

    ScopeChannelState left, right;

private:
    void trace(GraphSurface& graphBox, const std::int32_t* samples, std::size_t length,
               double frequency, ScopeChannelState& state, const ScopeFrame& frame,
               const ScopeOptions& options, bool isLeft);
};

} // namespace views
