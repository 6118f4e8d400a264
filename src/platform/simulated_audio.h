#pragma once
// A sound card without hardware, for tests, benchmarks and headless runs.
// Its input plays a pluggable signal source: a block queued with addBuffer
// completes one block duration later on the instrument's event loop (in
// virtual time with VirtualEventLoop, in real time with the Qt loop), filled
// with the next frames of the source. Consecutive blocks take consecutive
// frames, from frame 0 at each open.
//
// Thread: the instrument's thread only (see audio_device.h).

#include "platform/audio_device.h"
#include "platform/event_loop.h"
#include "platform/wav_pcm16.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Produces the input signal. Rendering is a pure function of the frame
// position, so a source can be shared and replayed.
class SignalSource {
public:
    virtual ~SignalSource() = default;
    // Writes frames firstFrame .. firstFrame + frameCount - 1 into out as
    // interleaved 16-bit stereo, for a device running at sampleRate.
    virtual void render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                        int sampleRate) = 0;
};

class SilenceSource final : public SignalSource {
public:
    void render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                int sampleRate) override;
};

// A sum of sine tones plus a DC offset per channel, rounded and clipped to 16 bits.
class ToneSource final : public SignalSource {
public:
    enum class Channels { Left, Right, Both };
    struct Tone {
        double frequencyHz = 1000;
        double amplitude = 16384; // peak, in sample counts
        double phaseRad = 0;
        Channels channels = Channels::Both;
    };
    ToneSource() = default;
    explicit ToneSource(std::vector<Tone> tones) : tones_(std::move(tones)) {}
    void add(Tone tone) { tones_.push_back(tone); }
    void setDc(double left, double right) { dcLeft_ = left, dcRight_ = right; }

    void render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                int sampleRate) override;

private:
    std::vector<Tone> tones_;
    double dcLeft_ = 0;
    double dcRight_ = 0;
};

// Uniform white noise of the given peak amplitude; the same seed gives the same signal.
class NoiseSource final : public SignalSource {
public:
    NoiseSource(double amplitude, std::uint64_t seed) : amplitude_(amplitude), seed_(seed) {}
    void render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                int sampleRate) override;

private:
    double amplitude_;
    std::uint64_t seed_;
};

// The frames of a 16-bit stereo WAV file, from its first frame, starting
// again at the end, read from the file as they are needed. The file's own
// rate is not converted: the frames are played at the device's rate.
class WavFileSource final : public SignalSource {
public:
    WavFileSource(const std::filesystem::path& path, const WavPcm16Layout& layout)
        : stream_(path, layout) {}
    void render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                int sampleRate) override;

private:
    WavPcm16Stream stream_;
};

class SimulatedAudio final : public AudioInput {
public:
    explicit SimulatedAudio(EventLoop& loop);
    ~SimulatedAudio() override;
    SimulatedAudio(const SimulatedAudio&) = delete;
    SimulatedAudio& operator=(const SimulatedAudio&) = delete;

    // Configuration (any time; takes effect at the next open or block).
    void setInputDevices(std::vector<std::string> names);
    void setOpenFails(bool fails);
    // A stalled device accepts buffers but never completes them.
    void setStalled(bool stalled);
    void setSource(std::shared_ptr<SignalSource> source); // nullptr: silence

    // Observations for tests.
    bool isOpen() const;
    int openCount() const;
    int blocksDelivered() const;
    int lastOpenedDevice() const;
    CaptureFormat lastFormat() const;
    std::uint32_t lastBufferBytes() const; // length of the last queued buffer

    // AudioInput
    int deviceCount() override;
    std::optional<std::string> deviceName(int index) override;
    CaptureHandle open(int deviceId, const CaptureFormat& format) override;
    void start(CaptureHandle handle) override;
    void prepareHeader(CaptureHandle handle, CaptureHeader& header) override;
    void addBuffer(CaptureHandle handle, CaptureHeader& header) override;
    void unprepareHeader(CaptureHandle handle, CaptureHeader& header) override;
    void reset(CaptureHandle handle) override;
    void close(CaptureHandle handle) override;

    struct State;

private:
    EventLoop& loop_;
    std::shared_ptr<State> state_;
};

} // namespace platform
