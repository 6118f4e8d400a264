#pragma once
// The simulated loopback: a signal source for the simulated input
// (simulated_audio.h) that carries what the simulated output played, delayed
// by the model's latency and passed through the device-under-test model.
// When nothing plays, the input carries only the model's noise.
//
// Timing: a capture run (consecutive blocks from one open) is placed on the
// loop's clock when its first block is rendered: that block ends at the
// current time. Its frames then follow each other at the capture rate, so a
// run is one continuous recording. At equal output and capture rates the
// input frames are the output frames themselves (the delay is rounded to a
// whole frame); at different rates the played signal is resampled with a
// windowed-sinc interpolator, as the analog path between two clocks would.
//
// Thread: the instrument's thread only (render runs in the input's
// completion events).

#include "platform/dut_model.h"
#include "platform/event_loop.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

class LoopbackSource final : public SignalSource {
public:
    LoopbackSource(EventLoop& loop, std::shared_ptr<const PlayedSignal> played,
                   DutParams params = {});

    void setDut(const DutParams& params);
    const DutParams& dut() const { return params_; }

    void render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                int sampleRate) override;

private:
    // The played signal (before the model) at capture frame `frame`.
    void playedAt(std::int64_t frame, double* leftRight) const;
    void startRun(std::int64_t firstFrame, int frameCount, int sampleRate);

    EventLoop& loop_;
    std::shared_ptr<const PlayedSignal> played_;
    DutParams params_;
    std::optional<DutModel> model_;
    int rate_ = 0;
    std::int64_t nextFrame_ = -1;
    double runStartMs_ = 0; // loop time of capture frame 0 of the run, less the latency
    std::uint64_t runIndex_ = 0;
};

} // namespace platform
