#pragma once
// The sound card seam, capture side. AudioInput offers the nine operations of
// a classic wave-input device: count the devices, read a device's name, open
// a device in 16-bit stereo PCM, start it, prepare a buffer header, queue
// exactly one buffer, unprepare the header, reset (return the pending buffer)
// and close. The playback side is a separate interface (AudioOutput, added
// with the generator) so that one device class may implement both.
//
// Real-time rules:
// - Every operation is called on the instrument's thread (the thread of the
//   EventLoop the device was given) and returns without waiting for audio.
// - Completion is an event posted to that EventLoop. The device sets the
//   header's done flag and bytesRecorded only inside that event, on the
//   instrument's thread; a backend that records on its own audio thread
//   copies into the buffer there and posts the completion (the audio thread
//   never touches the header's flags, never allocates, locks or touches files
//   beyond what EventLoop::post needs).
// - The buffer and its header belong to the caller and must stay valid until
//   the completion has run or reset/close has returned.
// - reset and close cancel a pending completion: after they return, the
//   buffer is not written any more.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// Handle of an open input device; 0 means "not open" (a failed open).
using CaptureHandle = std::uint32_t;

struct CaptureFormat {
    std::uint16_t formatTag = 1; // PCM
    std::uint16_t channels = 2;
    std::int32_t samplesPerSecond = 44100;
    std::int32_t avgBytesPerSecond = 4 * 44100;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;

    // 16-bit stereo at the given rate.
    static CaptureFormat stereo16(std::int32_t rate) {
        CaptureFormat f;
        f.samplesPerSecond = rate;
        f.avgBytesPerSecond = 4 * rate;
        return f;
    }
};

struct CaptureHeader {
    static constexpr std::uint32_t kDone = 1; // flags bit 0: the buffer is complete

    std::int16_t* data = nullptr;   // interleaved left, right samples
    std::uint32_t bufferLength = 0; // bytes to record (a multiple of 4)
    std::uint32_t bytesRecorded = 0;
    std::uint32_t flags = 0;
    // The position of the first recorded frame in the device's stream since
    // it was opened, set with bytesRecorded; -1 when the device cannot tell.
    // Consecutive blocks with no frame lost between them have positions that
    // follow on.
    std::int64_t firstFrame = -1;
    // Called on the instrument's thread by the completion event, after the
    // done bit and bytesRecorded are set; not called by reset or close. It
    // may queue the header again.
    std::function<void()> onDone;

    bool done() const { return (flags & kDone) != 0; }
};

class AudioInput {
public:
    virtual ~AudioInput() = default;

    virtual int deviceCount() = 0;
    // The product name of device `index`, or nothing when its capabilities
    // cannot be read.
    virtual std::optional<std::string> deviceName(int index) = 0;

    // Opens device `deviceId` with the format; returns 0 on failure.
    virtual CaptureHandle open(int deviceId, const CaptureFormat& format) = 0;
    // Recording begins; with no buffer queued the input is discarded.
    virtual void start(CaptureHandle handle) = 0;
    virtual void prepareHeader(CaptureHandle handle, CaptureHeader& header) = 0;
    // Queues the one buffer. Its completion sets header.flags' done bit and
    // header.bytesRecorded in an event posted to the instrument's loop.
    virtual void addBuffer(CaptureHandle handle, CaptureHeader& header) = 0;
    virtual void unprepareHeader(CaptureHandle handle, CaptureHeader& header) = 0;
    // Returns a pending buffer at once (done, with what was recorded so far).
    virtual void reset(CaptureHandle handle) = 0;
    virtual void close(CaptureHandle handle) = 0;
};

} // namespace platform
