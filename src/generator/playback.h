#pragma once
// The playback engine: streams a WAV file to the output device in an endless
// loop through 40 circulating buffers. Each buffer the device returns is
// refilled from the file and queued again; when the file's data runs out the
// refill reads only what is left and the file jumps back to the start of its
// data, so the data repeats without a gap.
//
// Thread: the instrument's thread only. Buffer-done events arrive there, from
// the device or posted by StartPlayback.

#include "generator/wav_file.h"
#include "platform/audio_output.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace platform {
class Dialogs;
class EventLoop;
} // namespace platform

namespace generator {

class PlaybackEngine {
public:
    static constexpr int kBufferCount = 40;

    // outputDeviceId is asked at every StartPlayback.
    PlaybackEngine(platform::EventLoop& loop, platform::Dialogs& dialogs,
                   platform::AudioOutput& output, std::function<int()> outputDeviceId = {});
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // Start-up: no file, not playing.
    void InstallPlaybackHook();

    // Closes any open file, checks the new one (a message box on failure) and
    // sizes the 40 buffers for its format. An empty path does nothing.
    // Playback still running is stopped first, since its buffers are replaced.
    void OpenPlaybackFile(std::string_view path);
    // True when playback runs (or already ran); false when no file is open or
    // the device did not open (a message box then).
    bool StartPlayback();
    // Stops the device and rewinds; the file stays open.
    void StopPlayback();
    // Seeks to a frame of the data; refused without a file, for a negative
    // frame, or at or beyond the end of the data.
    bool RewindPlayback(std::int64_t frame);
    void ClosePlaybackFile();

    bool playbackActive() const { return playbackActive_; }
    bool playbackFileOpen() const { return playbackFileOpen_; }
    std::uint32_t bufferSize() const { return bufferSize_; }
    const WavPlaybackFile& file() const { return file_; }
    // The byte position in the open file; -1 without one.
    std::int64_t filePosition() { return file_.position(); }

private:
    void onBufferDone(int index);

    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    platform::AudioOutput& output_;
    std::function<int()> outputDeviceId_;
    WavPlaybackFile file_;
    platform::PlaybackHandle hWaveOut_ = 0;
    std::uint32_t bufferSize_ = 0;
    std::array<std::vector<std::uint8_t>, kBufferCount> buffers_;
    std::array<platform::PlaybackHeader, kBufferCount> headers_{};
    bool playbackActive_ = false;
    bool playbackFileOpen_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The buffer size for a format: a tenth of block align x rate x channels
// bytes, rounded (halves to even), less its remainder modulo block align.
std::uint32_t playbackBufferSize(const platform::PlaybackFormat& format);

} // namespace generator
