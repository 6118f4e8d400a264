#include "platform/audio_output.h"

namespace platform {

std::string playbackErrorText(int result, std::string_view detail) {
    const std::string reason = detail.empty() ? "." : ": " + std::string(detail) + ".";
    switch (result) {
    case 0:
        return "The operation completed successfully.";
    case playback_error::DeviceError:
        return "The output device reported an error" + reason;
    case playback_error::BadDeviceId:
        return "The output device number is out of range.";
    case playback_error::Allocated:
        return "The output device is already in use.";
    case playback_error::InvalidHandle:
        return "The output device is not open.";
    case playback_error::QueueFull:
        return "Too many buffers are queued on the output device.";
    case playback_error::BadFormat:
        return "The output device cannot play this wave format" + reason;
    case playback_error::StillPlaying:
        return "The buffer is still playing.";
    case playback_error::Unprepared:
        return "The buffer was not prepared.";
    default:
        return "Output device error " + std::to_string(result) + ".";
    }
}

} // namespace platform
