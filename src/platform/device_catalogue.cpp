#include "platform/device_catalogue.h"

#include "platform/dialogs.h"
#include "platform/event_loop.h"

#include <charconv>
#include <sstream>

namespace platform {

namespace {

// Which device, and its own handle, lies behind a handle the catalogue gave out.
template <typename Device, typename Handle> struct Route {
    Device* device = nullptr;
    Handle handle = 0;
};

template <typename Handle> Handle nextHandle(Handle& counter) {
    const Handle h = counter++;
    if (counter == 0) counter = 1;
    return h;
}

std::optional<int> parsePosition(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

} // namespace

std::string soundSystemFailedMessage(const std::string& reason) {
    return "The sound system did not start (" + reason +
           "). Only the simulated loopback device is available.";
}

class DeviceCatalogue::RoutedInput final : public AudioInput {
public:
    RoutedInput(AudioInput* real, AudioInput& loopback) : real_(real), loopback_(loopback) {}
    void setReal(AudioInput* real) { real_ = real; }

    int realCount() { return real_ ? real_->deviceCount() : 0; }

    int deviceCount() override { return realCount() + loopback_.deviceCount(); }
    std::optional<std::string> deviceName(int index) override {
        const int real = realCount();
        if (index < 0) return std::nullopt;
        return index < real ? real_->deviceName(index) : loopback_.deviceName(index - real);
    }
    CaptureHandle open(int deviceId, const CaptureFormat& format) override {
        const int real = realCount();
        if (deviceId < 0) return 0;
        AudioInput* device = deviceId < real ? real_ : &loopback_;
        const CaptureHandle inner =
            device->open(deviceId < real ? deviceId : deviceId - real, format);
        if (inner == 0) return 0;
        const CaptureHandle outer = nextHandle(next_);
        routes_[outer] = {device, inner};
        return outer;
    }
    void start(CaptureHandle h) override {
        if (auto* r = find(h)) r->device->start(r->handle);
    }
    void prepareHeader(CaptureHandle h, CaptureHeader& header) override {
        if (auto* r = find(h)) r->device->prepareHeader(r->handle, header);
    }
    void addBuffer(CaptureHandle h, CaptureHeader& header) override {
        if (auto* r = find(h)) r->device->addBuffer(r->handle, header);
    }
    void unprepareHeader(CaptureHandle h, CaptureHeader& header) override {
        if (auto* r = find(h)) r->device->unprepareHeader(r->handle, header);
    }
    void reset(CaptureHandle h) override {
        if (auto* r = find(h)) r->device->reset(r->handle);
    }
    void close(CaptureHandle h) override {
        if (auto* r = find(h)) {
            r->device->close(r->handle);
            routes_.erase(h);
        }
    }

private:
    Route<AudioInput, CaptureHandle>* find(CaptureHandle h) {
        const auto it = routes_.find(h);
        return it == routes_.end() ? nullptr : &it->second;
    }

    AudioInput* real_;
    AudioInput& loopback_;
    std::map<CaptureHandle, Route<AudioInput, CaptureHandle>> routes_;
    CaptureHandle next_ = 1;
};

class DeviceCatalogue::RoutedOutput final : public AudioOutput {
public:
    RoutedOutput(AudioOutput* real, AudioOutput& loopback) : real_(real), loopback_(loopback) {}
    void setReal(AudioOutput* real) {
        real_ = real;
        lastDevice_ = &loopback_;
    }

    int realCount() { return real_ ? real_->deviceCount() : 0; }

    int deviceCount() override { return realCount() + loopback_.deviceCount(); }
    std::optional<std::string> deviceName(int index) override {
        const int real = realCount();
        if (index < 0) return std::nullopt;
        return index < real ? real_->deviceName(index) : loopback_.deviceName(index - real);
    }
    int open(PlaybackHandle& handle, int deviceId, const PlaybackFormat& format,
             BufferDone onDone) override {
        const int real = realCount();
        if (deviceId < 0) return playback_error::BadDeviceId;
        AudioOutput* device = deviceId < real ? real_ : &loopback_;
        PlaybackHandle inner = 0;
        lastDevice_ = device;
        const int rc = device->open(inner, deviceId < real ? deviceId : deviceId - real, format,
                                    std::move(onDone));
        if (rc != 0) return rc;
        handle = nextHandle(next_);
        routes_[handle] = {device, inner};
        return 0;
    }
    int prepareHeader(PlaybackHandle h, PlaybackHeader& header) override {
        auto* r = find(h);
        return r ? r->device->prepareHeader(r->handle, header) : playback_error::InvalidHandle;
    }
    int write(PlaybackHandle h, PlaybackHeader& header) override {
        auto* r = find(h);
        return r ? r->device->write(r->handle, header) : playback_error::InvalidHandle;
    }
    int reset(PlaybackHandle h) override {
        auto* r = find(h);
        return r ? r->device->reset(r->handle) : playback_error::InvalidHandle;
    }
    int unprepareHeader(PlaybackHandle h, PlaybackHeader& header) override {
        auto* r = find(h);
        return r ? r->device->unprepareHeader(r->handle, header) : playback_error::InvalidHandle;
    }
    int close(PlaybackHandle h) override {
        auto* r = find(h);
        if (!r) return playback_error::InvalidHandle;
        const int rc = r->device->close(r->handle);
        routes_.erase(h);
        return rc;
    }
    // The text comes from the device that produced the code last.
    std::string errorText(int result) override { return lastDevice_->errorText(result); }

private:
    Route<AudioOutput, PlaybackHandle>* find(PlaybackHandle h) {
        const auto it = routes_.find(h);
        if (it == routes_.end()) return nullptr;
        lastDevice_ = it->second.device;
        return &it->second;
    }

    AudioOutput* real_;
    AudioOutput& loopback_;
    AudioOutput* lastDevice_ = &loopback_;
    std::map<PlaybackHandle, Route<AudioOutput, PlaybackHandle>> routes_;
    PlaybackHandle next_ = 1;
};

DeviceCatalogue::DeviceCatalogue(EventLoop& loop, AudioInput& loopbackInput,
                                 AudioOutput& loopbackOutput,
                                 std::shared_ptr<const PortAudioSession> session)
    : loop_(loop) {
    input_ = std::make_unique<RoutedInput>(nullptr, loopbackInput);
    output_ = std::make_unique<RoutedOutput>(nullptr, loopbackOutput);
    takeSession(std::move(session));
}

void DeviceCatalogue::takeSession(std::shared_ptr<const PortAudioSession> session) {
    session_ = std::move(session);
    soundSystemError_.clear();
    if (session_ && session_->ok()) {
        realInput_ = std::make_unique<PortAudioInput>(loop_, session_);
        realOutput_ = std::make_unique<PortAudioOutput>(loop_, session_);
        if (outputFailure_) realOutput_->setFailureHandler(outputFailure_);
    } else if (session_) {
        soundSystemError_ = session_->error();
    }
    input_->setReal(realInput_.get());
    output_->setReal(realOutput_.get());
}

void DeviceCatalogue::setOutputFailureHandler(std::function<void()> onFailure) {
    outputFailure_ = std::move(onFailure);
    if (realOutput_) realOutput_->setFailureHandler(outputFailure_);
}

std::string DeviceCatalogue::refresh(const SessionStarter& startSession) {
    if ((realInput_ && realInput_->isOpen()) || (realOutput_ && realOutput_->isOpen()))
        return kDeviceOpenRefusal;
    if (session_ && session_->jackServerGone()) return kJackGoneRefusal;
    // PortAudio lists the devices again only after its last session ended.
    input_->setReal(nullptr);
    output_->setReal(nullptr);
    realInput_.reset();
    realOutput_.reset();
    session_.reset();
    takeSession(startSession ? startSession() : nullptr);
    if (!soundSystemError_.empty()) return soundSystemFailedMessage(soundSystemError_);
    return {};
}

DeviceCatalogue::~DeviceCatalogue() = default;

AudioInput& DeviceCatalogue::input() {
    return *input_;
}
AudioOutput& DeviceCatalogue::output() {
    return *output_;
}
int DeviceCatalogue::loopbackInputPosition() const {
    return input_->realCount();
}
int DeviceCatalogue::loopbackOutputPosition() const {
    return output_->realCount();
}

bool DeviceCatalogue::reportSoundSystemFailure(Dialogs& dialogs) {
    if (soundSystemError_.empty() || failureReported_) return false;
    failureReported_ = true;
    dialogs.message("", soundSystemFailedMessage(soundSystemError_));
    return true;
}

DeviceLabel describeDevice(std::string_view entry) {
    const std::size_t colon = entry.find(": ");
    if (colon == std::string_view::npos)
        return {entry == "Simulated loopback" ? "Simulated" : "", std::string(entry)};
    DeviceLabel label{std::string(entry.substr(0, colon)), std::string(entry.substr(colon + 2))};
    if (label.hostApi.starts_with("JACK")) label.hostApi = "JACK"; // "JACK Audio Connection Kit"
    if (label.hostApi == "ALSA") {
        // PortAudio names ALSA's plugin devices after the plugin.
        if (label.name == "pulse")
            label.hostApi = "PulseAudio (ALSA)";
        else if (label.name == "pipewire")
            label.hostApi = "PipeWire (ALSA)";
    }
    return label;
}

std::string listDevicesText(AudioInput& input, AudioOutput& output) {
    std::ostringstream out;
    auto list = [&out](const char* title, int count, auto&& nameOf) {
        out << title << "\n";
        for (int i = 0; i < count; ++i)
            out << "  " << i << "  " << nameOf(i).value_or("(unreadable)") << "\n";
    };
    list("Input devices (InputDeviceId):", input.deviceCount(),
         [&](int i) { return input.deviceName(i); });
    list("Output devices (OutputDeviceId):", output.deviceCount(),
         [&](int i) { return output.deviceName(i); });
    return out.str();
}

DeviceChoice parseDeviceChoice(std::string_view text, int inputCount, int outputCount,
                               int loopbackInputPosition, int loopbackOutputPosition) {
    DeviceChoice choice;
    if (text == "loopback") {
        choice.ok = true;
        choice.inputPosition = loopbackInputPosition;
        choice.outputPosition = loopbackOutputPosition;
        return choice;
    }
    const std::size_t comma = text.find(',');
    const auto in = parsePosition(text.substr(0, comma));
    const auto out = comma == std::string_view::npos ? in : parsePosition(text.substr(comma + 1));
    if (!in || !out) {
        choice.error = "--device takes N, IN,OUT or loopback (positions from --list-devices)";
        return choice;
    }
    if (*in >= inputCount) {
        choice.error = "there is no input device " + std::to_string(*in) + " (0 to " +
                       std::to_string(inputCount - 1) + ")";
        return choice;
    }
    if (*out >= outputCount) {
        choice.error = "there is no output device " + std::to_string(*out) + " (0 to " +
                       std::to_string(outputCount - 1) + ")";
        return choice;
    }
    choice.ok = true;
    choice.inputPosition = *in;
    choice.outputPosition = *out;
    return choice;
}

} // namespace platform
