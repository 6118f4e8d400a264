#include "generator/playback.h"

#include "common/text.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"

#include <algorithm>

namespace generator {

std::uint32_t playbackBufferSize(const platform::PlaybackFormat& f) {
    const double bytes = common::roundHalfEven(
        0.1 * f.blockAlign * static_cast<double>(f.samplesPerSecond) * f.channels);
    // Beyond any real format (a damaged header): the 40 buffers stay within
    // 160 MiB. 4 MiB holds a tenth of a second of 8 channels of 32-bit
    // samples at 96 kHz by this formula.
    auto size = static_cast<std::uint32_t>(std::clamp(bytes, 0.0, 4.0 * 1024 * 1024));
    if (f.blockAlign != 0) size -= size % f.blockAlign;
    return size;
}

PlaybackEngine::PlaybackEngine(platform::EventLoop& loop, platform::Dialogs& dialogs,
                               platform::AudioOutput& output, std::function<int()> outputDeviceId)
    : loop_(loop), dialogs_(dialogs), output_(output), outputDeviceId_(std::move(outputDeviceId)) {}

PlaybackEngine::~PlaybackEngine() {
    if (hWaveOut_ != 0) {
        output_.reset(hWaveOut_);
        output_.close(hWaveOut_);
    }
}

void PlaybackEngine::InstallPlaybackHook() {
    playbackActive_ = false;
    playbackFileOpen_ = false;
    if (file_.isOpen()) file_.seek(file_.dataStart());
}

void PlaybackEngine::OpenPlaybackFile(std::string_view path) {
    ClosePlaybackFile();
    if (path.empty()) return;
    if (playbackActive_) StopPlayback();
    if (auto message = file_.open(path)) {
        dialogs_.message("", *message);
        return;
    }
    bufferSize_ = playbackBufferSize(file_.format());
    for (auto& buffer : buffers_)
        buffer.assign(bufferSize_, 0);
    playbackFileOpen_ = true;
}

bool PlaybackEngine::StartPlayback() {
    if (playbackActive_) return true;
    if (!playbackFileOpen_) return false;
    const int deviceId = outputDeviceId_ ? outputDeviceId_() : 0;
    std::weak_ptr<int> alive = alive_;
    const int rc = output_.open(hWaveOut_, deviceId, file_.format(),
                                [this, alive](platform::PlaybackHeader& header) {
                                    if (alive.expired()) return;
                                    onBufferDone(static_cast<int>(&header - headers_.data()));
                                });
    if (rc != 0) {
        hWaveOut_ = 0;
        dialogs_.message("", output_.errorText(rc));
        return false;
    }
    for (int i = 0; i < kBufferCount; ++i) {
        platform::PlaybackHeader& h = headers_[static_cast<std::size_t>(i)];
        h.data = buffers_[static_cast<std::size_t>(i)].data();
        h.bufferLength = bufferSize_;
        h.flags = 0;
        h.loops = 0;
        const int prepared = output_.prepareHeader(hWaveOut_, h);
        if (prepared != 0) dialogs_.message("", output_.errorText(prepared));
    }
    playbackActive_ = true;
    // Every buffer starts as if the device had just returned it.
    for (int i = 0; i < kBufferCount; ++i)
        loop_.post([this, alive, i] {
            if (!alive.expired()) onBufferDone(i);
        });
    return true;
}

void PlaybackEngine::onBufferDone(int index) {
    if (index < 0 || index >= kBufferCount) return;
    platform::PlaybackHeader& header = headers_[static_cast<std::size_t>(index)];
    if (playbackActive_) {
        // A buffer already queued again needs no second refill (a buffer
        // returned by a reset can meet its own start-up message).
        if (header.inQueue()) return;
        const std::int64_t remaining =
            file_.dataStart() + file_.dataSize() - std::max<std::int64_t>(file_.position(), 0);
        std::uint8_t* data = buffers_[static_cast<std::size_t>(index)].data();
        std::size_t count = 0;
        if (static_cast<std::int64_t>(bufferSize_) < remaining) {
            count = file_.read(data, bufferSize_);
        } else {
            count =
                file_.read(data, static_cast<std::size_t>(std::max<std::int64_t>(remaining, 0)));
            RewindPlayback(0);
        }
        header.bufferLength = static_cast<std::uint32_t>(count);
        output_.write(hWaveOut_, header);
    } else {
        // Buffers returned after a stop: release the device.
        if (hWaveOut_ == 0) return;
        for (auto& h : headers_)
            output_.unprepareHeader(hWaveOut_, h);
        output_.close(hWaveOut_);
        hWaveOut_ = 0;
    }
}

void PlaybackEngine::StopPlayback() {
    playbackActive_ = false;
    RewindPlayback(0);
    if (hWaveOut_ == 0) return;
    output_.reset(hWaveOut_);
    for (auto& h : headers_)
        output_.unprepareHeader(hWaveOut_, h);
    output_.close(hWaveOut_);
    hWaveOut_ = 0;
}

bool PlaybackEngine::RewindPlayback(std::int64_t frame) {
    if (!file_.isOpen() || frame < 0) return false;
    const std::int64_t offset = frame * file_.format().blockAlign;
    if (offset >= file_.dataSize()) return false;
    return file_.seek(file_.dataStart() + offset);
}

void PlaybackEngine::ClosePlaybackFile() {
    file_.close();
    playbackFileOpen_ = false;
}

} // namespace generator
