#pragma once
// An output device without hardware, for tests, benchmarks and headless runs.
// It plays in the EventLoop's time (virtual or real): the buffers queued
// after an open follow each other without a gap from the moment of the first
// write, each comes back (buffer-done) when its last frame has been played,
// and a buffer queued after the queue ran dry starts at the current time. An
// empty buffer comes back one millisecond later at the earliest, so a stream
// of empty buffers does not stop the clock.
//
// What it plays is kept as a PlayedSignal, 16-bit stereo frames on the
// loop's clock, for the loopback input (loopback.h) and for tests. Frames
// that were queued but cut off by a reset or close are not kept.
//
// Thread: the instrument's thread only (see audio_output.h).

#include "platform/audio_output.h"
#include "platform/event_loop.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One open-to-close run of the output device.
struct PlayedSession {
    std::int64_t openMs = 0; // loop time of frame 0
    int sampleRate = 44100;
    std::int64_t firstFrame = 0;       // first frame still kept in samples
    std::vector<std::int16_t> samples; // interleaved left, right from firstFrame
    bool open = true;

    std::int64_t endFrame() const {
        return firstFrame + static_cast<std::int64_t>(samples.size() / 2);
    }
    // The frame that plays at loop time nowMs (frames started at or before it).
    std::int64_t frameAt(std::int64_t nowMs) const { return (nowMs - openMs) * sampleRate / 1000; }
};

// Everything the device played lately, oldest session first. Sessions never
// overlap in time.
struct PlayedSignal {
    std::deque<PlayedSession> sessions;
};

class SimulatedOutput final : public AudioOutput {
public:
    explicit SimulatedOutput(EventLoop& loop);
    ~SimulatedOutput() override;
    SimulatedOutput(const SimulatedOutput&) = delete;
    SimulatedOutput& operator=(const SimulatedOutput&) = delete;

    // Configuration.
    void setOutputDevices(std::vector<std::string> names);
    // A non-zero code makes every open fail with it.
    void setOpenResult(int result);
    // How much of the past the PlayedSignal keeps (default 20 s).
    void setHistoryMs(std::int64_t ms);

    // Observations.
    bool isOpen() const;
    int openCount() const;
    int lastOpenedDevice() const;
    PlaybackFormat lastFormat() const;
    // Open times of the successful opens, in order: the last kKeptOpenTimes,
    // so that a device open for hours keeps a bounded record.
    static constexpr std::size_t kKeptOpenTimes = 1000;
    const std::vector<std::int64_t>& openTimesMs() const;
    int queuedBuffers() const;
    std::shared_ptr<const PlayedSignal> played() const;

    // AudioOutput
    int deviceCount() override;
    std::optional<std::string> deviceName(int index) override;
    int open(PlaybackHandle& handle, int deviceId, const PlaybackFormat& format,
             BufferDone onDone) override;
    int prepareHeader(PlaybackHandle handle, PlaybackHeader& header) override;
    int write(PlaybackHandle handle, PlaybackHeader& header) override;
    int reset(PlaybackHandle handle) override;
    int unprepareHeader(PlaybackHandle handle, PlaybackHeader& header) override;
    int close(PlaybackHandle handle) override;
    std::string errorText(int result) override;

    struct State;

private:
    EventLoop& loop_;
    std::shared_ptr<State> state_;
};

} // namespace platform
