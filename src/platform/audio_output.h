#pragma once
// The sound card seam, playback side. AudioOutput offers the operations of a
// classic wave-output device: count the devices, read a device's name, open a
// device at a format with a buffer-done handler, prepare a buffer header,
// queue (write) a buffer, reset (return every queued buffer at once),
// unprepare a header and close. The capture side is AudioInput
// (audio_device.h); one device class may implement both.
//
// Real-time rules:
// - Every operation is called on the instrument's thread (the thread of the
//   EventLoop the device was given) and returns without waiting for audio.
// - A device may read a queued buffer at any time until it returns it: the
//   buffer and its header belong to the caller and must stay valid until the
//   buffer-done handler has run for it, or until reset/close has returned.
// - Buffer-done is an event posted to the instrument's EventLoop, one per
//   finished (or returned) buffer, in the order the buffers were queued. The
//   handler runs there, never on an audio thread; a backend that plays on its
//   own audio thread only posts from it (no allocation, lock or file access
//   there beyond what EventLoop::post needs).
// - Results are error codes: 0 is success. errorText gives the message the
//   operator sees for a code.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Handle of an open output device; 0 means "not open".
using PlaybackHandle = std::uint32_t;

// The wave-format record of a file's format chunk (its first 18 bytes), as it
// is passed to the device open.
struct PlaybackFormat {
    std::uint16_t formatTag = 1; // 1 = PCM
    std::uint16_t channels = 2;
    std::uint32_t samplesPerSecond = 44100;
    std::uint32_t avgBytesPerSecond = 4 * 44100;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;

    bool operator==(const PlaybackFormat&) const = default;
};

struct PlaybackHeader {
    static constexpr std::uint32_t kDone = 0x01;     // returned by the device
    static constexpr std::uint32_t kPrepared = 0x02; // prepareHeader succeeded
    static constexpr std::uint32_t kInQueue = 0x10;  // queued, not yet returned

    const std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0; // bytes to play
    std::uint32_t flags = 0;
    std::uint32_t loops = 0;

    bool inQueue() const { return (flags & kInQueue) != 0; }
};

// Result codes of the output operations (the classic multimedia numbers).
namespace playback_error {
inline constexpr int DeviceError = 1; // the device failed while open
inline constexpr int BadDeviceId = 2;
inline constexpr int Allocated = 4;
inline constexpr int InvalidHandle = 5;
inline constexpr int QueueFull = 7;
inline constexpr int BadFormat = 32;
inline constexpr int StillPlaying = 33;
inline constexpr int Unprepared = 34;
} // namespace playback_error

// The message of a playback result code. detail, when given, is the device's
// own reason, added to the device and format errors.
std::string playbackErrorText(int result, std::string_view detail = {});

class AudioOutput {
public:
    // Runs on the instrument's thread for every buffer the device returns.
    using BufferDone = std::function<void(PlaybackHeader&)>;

    virtual ~AudioOutput() = default;

    virtual int deviceCount() = 0;
    // The product name of device `index`, or nothing when it cannot be read.
    virtual std::optional<std::string> deviceName(int index) = 0;

    // Opens device `deviceId` at the format; on success (0) handle is set.
    virtual int open(PlaybackHandle& handle, int deviceId, const PlaybackFormat& format,
                     BufferDone onDone) = 0;
    virtual int prepareHeader(PlaybackHandle handle, PlaybackHeader& header) = 0;
    // Queues the buffer behind those already queued; it plays when they have.
    virtual int write(PlaybackHandle handle, PlaybackHeader& header) = 0;
    // Stops at once and returns every queued buffer (a buffer-done each).
    virtual int reset(PlaybackHandle handle) = 0;
    virtual int unprepareHeader(PlaybackHandle handle, PlaybackHeader& header) = 0;
    // Releases the device; buffers still queued are returned as by reset.
    virtual int close(PlaybackHandle handle) = 0;

    // The operator's text for a result code.
    virtual std::string errorText(int result) = 0;
};

} // namespace platform
