#include "platform/loopback.h"

#include <cmath>
#include <numbers>

namespace platform {

namespace {

// Half-width of the interpolation kernel in output frames at full bandwidth.
constexpr int kSincHalfWidth = 24;
// Filters settle on this much of the preceding signal when a run starts.
constexpr double kPrerollSeconds = 0.5;

double sinc(double x) {
    if (x == 0) return 1;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

// Blackman window on [-1, 1].
double window(double u) {
    if (u <= -1 || u >= 1) return 0;
    const double a = std::numbers::pi * (u + 1);
    return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
}

} // namespace

LoopbackSource::LoopbackSource(EventLoop& loop, std::shared_ptr<const PlayedSignal> played,
                               DutParams params)
    : loop_(loop), played_(std::move(played)), params_(params) {}

void LoopbackSource::setDut(const DutParams& params) {
    params_ = params;
    model_.reset();
    nextFrame_ = -1;
}

void LoopbackSource::startRun(std::int64_t firstFrame, int frameCount, int sampleRate) {
    rate_ = sampleRate;
    ++runIndex_;
    runStartMs_ = static_cast<double>(loop_.nowMs()) -
                  static_cast<double>(firstFrame + frameCount) * 1000 / sampleRate -
                  params_.latencyMs;
    model_.emplace(params_, sampleRate);
    if (model_->hasMemory()) {
        const auto preroll = static_cast<std::int64_t>(kPrerollSeconds * sampleRate);
        double in[2];
        std::int16_t discard[2];
        for (std::int64_t f = firstFrame - preroll; f < firstFrame; ++f) {
            playedAt(f + model_->delayFrames(), in);
            model_->process(in[0], in[1], 0, discard);
        }
    }
}

void LoopbackSource::playedAt(std::int64_t frame, double* lr) const {
    lr[0] = lr[1] = 0;
    if (!played_) return;
    for (const PlayedSession& s : played_->sessions) {
        const int rOut = s.sampleRate;
        const double startFrames = (runStartMs_ - static_cast<double>(s.openMs)) * rOut / 1000;
        if (rOut == rate_) {
            // Same clock: whole output frames, the delay rounded once per run.
            const std::int64_t x = std::llround(startFrames) + frame;
            if (x >= s.firstFrame && x < s.endFrame()) {
                const auto i = static_cast<std::size_t>(2 * (x - s.firstFrame));
                lr[0] += s.samples[i];
                lr[1] += s.samples[i + 1];
            }
            continue;
        }
        const double x = startFrames + static_cast<double>(frame) * rOut / rate_;
        const double cutoff = rate_ < rOut ? 0.98 * rate_ / rOut : 1.0;
        const double halfWidth = kSincHalfWidth / cutoff;
        const auto lo = std::max(static_cast<std::int64_t>(std::ceil(x - halfWidth)), s.firstFrame);
        const auto hi =
            std::min(static_cast<std::int64_t>(std::floor(x + halfWidth)), s.endFrame() - 1);
        for (std::int64_t n = lo; n <= hi; ++n) {
            const double u = x - static_cast<double>(n);
            const double h = cutoff * sinc(cutoff * u) * window(u / halfWidth);
            const auto i = static_cast<std::size_t>(2 * (n - s.firstFrame));
            lr[0] += h * s.samples[i];
            lr[1] += h * s.samples[i + 1];
        }
    }
}

void LoopbackSource::render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                            int sampleRate) {
    if (sampleRate <= 0) sampleRate = 44100;
    if (!model_ || firstFrame != nextFrame_ || sampleRate != rate_)
        startRun(firstFrame, frameCount, sampleRate);
    const std::uint64_t noiseBase = runIndex_ << 40;
    double in[2];
    for (int i = 0; i < frameCount; ++i) {
        const std::int64_t frame = firstFrame + i;
        // Fed that far ahead, the model's own delay leaves the declared latency.
        playedAt(frame + model_->delayFrames(), in);
        model_->process(in[0], in[1], noiseBase + static_cast<std::uint64_t>(frame), out + 2 * i);
    }
    nextFrame_ = firstFrame + frameCount;
}

} // namespace platform
