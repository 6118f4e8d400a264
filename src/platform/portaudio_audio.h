#pragma once
// Real sound cards through PortAudio (ALSA, JACK, PulseAudio or PipeWire
// through their ALSA devices): both sides of the sound card seam.
//
// Design. Each open device runs one PortAudio callback stream in 16-bit
// PCM. The callback runs on PortAudio's audio thread and shares with the
// instrument's thread only pre-allocated memory and atomics:
// - capture: the one queued buffer (the caller's) and a frame counter. The
//   callback copies input frames straight into that buffer and, when it is
//   full, flips an atomic state and wakes the notifier;
// - playback: a fixed ring of queued buffers (pointer and length, written
//   by the instrument's thread before it publishes the write count). The
//   callback copies from the buffer at the front and publishes a finished
//   count; a buffer is finished when its last byte has been handed to the
//   host.
// The callback never locks, never allocates and never calls EventLoop::post
// (post builds a std::function and a queued event, which may allocate).
// Instead it posts a POSIX semaphore; a small notifier thread of each device
// waits on it and posts one "drain" event to the instrument's loop. The
// drain sets the done flags and runs the buffer-done handlers there, so
// headers are only ever touched on the instrument's thread.
//
// reset and close abort the stream (Pa_AbortStream returns once the callback
// has stopped), so after they return the callback no longer touches any
// buffer. A reset capture device records again after start; a reset output
// device plays again at the next write.
//
// Real-time rules:
// - PortAudioInput and PortAudioOutput: every public method on the
//   instrument's thread (the thread of the EventLoop they were given), never
//   from the audio callback.
// - The stream callbacks (in the .cpp): no locks, no allocation, no file or
//   console access, no EventLoop calls; only memcpy, atomics and sem_post.
// - The notifier thread: only EventLoop::post, which is thread-safe.
//
// The device lists are taken once, when the PortAudioSession starts, so
// positions stay stable for the life of the session (PortAudio sees devices
// plugged in later only after a restart of the program).

#include "platform/audio_device.h"
#include "platform/audio_output.h"
#include "platform/event_loop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Shown by the owner when a running output device stops taking data.
inline constexpr const char* kOutputStalledMessage = "Wave output device stopped responding!";

struct PortAudioDeviceInfo {
    int paIndex = -1;    // PortAudio's device index
    std::string name;    // "<host API>: <device name>"
    int channels = 0;    // maximum channels on this side
    double latencyS = 0; // suggested latency used at open
};

// Pa_Initialize on construction, Pa_Terminate on destruction (PortAudio counts
// nested initialisations, so sessions may overlap). Takes the device lists.
// Thread: the instrument's thread.
class PortAudioSession {
public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    bool ok() const { return ok_; }
    // PortAudio's text for the failure of Pa_Initialize; empty when ok.
    const std::string& error() const { return error_; }

    // PortAudio runs its JACK host API and that server has stopped since:
    // the session cannot end (it stays until the program ends).
    bool jackServerGone() const;

    // Devices with at least two channels on that side, in PortAudio's order.
    const std::vector<PortAudioDeviceInfo>& inputs() const { return inputs_; }
    const std::vector<PortAudioDeviceInfo>& outputs() const { return outputs_; }

private:
    bool ok_ = false;
    std::string error_;
    std::vector<PortAudioDeviceInfo> inputs_;
    std::vector<PortAudioDeviceInfo> outputs_;
};

class PortAudioInput final : public AudioInput {
public:
    PortAudioInput(EventLoop& loop, std::shared_ptr<const PortAudioSession> session);
    ~PortAudioInput() override;
    PortAudioInput(const PortAudioInput&) = delete;
    PortAudioInput& operator=(const PortAudioInput&) = delete;

    bool isOpen() const;
    // PortAudio's text for the last failed open or start (empty if none).
    const std::string& lastError() const;

    // AudioInput. Device ids are positions in session->inputs().
    int deviceCount() override;
    std::optional<std::string> deviceName(int index) override;
    // 0 when the device id is out of range, the format is not 16-bit stereo
    // PCM, the device refuses the rate, or another stream of this object is open.
    CaptureHandle open(int deviceId, const CaptureFormat& format) override;
    void start(CaptureHandle handle) override;
    void prepareHeader(CaptureHandle handle, CaptureHeader& header) override;
    // A second buffer while one is queued is ignored.
    void addBuffer(CaptureHandle handle, CaptureHeader& header) override;
    void unprepareHeader(CaptureHandle handle, CaptureHeader& header) override;
    // Stops the stream; the pending buffer is done at once with the frames
    // recorded so far.
    void reset(CaptureHandle handle) override;
    void close(CaptureHandle handle) override;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

class PortAudioOutput final : public AudioOutput {
public:
    // At most this many buffers may be queued at once (write returns QueueFull).
    static constexpr int kQueueCapacity = 128;

    PortAudioOutput(EventLoop& loop, std::shared_ptr<const PortAudioSession> session);
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    // Called once on the instrument's thread when an open device stops taking
    // data for five durations of the buffer it is playing, or its stream ends
    // on an error. The queued buffers have then been returned and further
    // writes fail with DeviceError until the device is closed and opened
    // again. The owner stops playback and shows kOutputStalledMessage.
    void setFailureHandler(std::function<void()> onFailure);

    bool isOpen() const;
    int queuedBuffers() const; // written and not yet returned
    const std::string& lastError() const;

    // AudioOutput. Device ids are positions in session->outputs(). The
    // format must be PCM with 8, 16, 24 or 32 bits per sample.
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

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

} // namespace platform
