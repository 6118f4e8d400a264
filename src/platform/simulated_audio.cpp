#include "platform/simulated_audio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

std::int16_t clip16(double v) {
    const double r = std::nearbyint(v);
    return static_cast<std::int16_t>(std::clamp(r, -32768.0, 32767.0));
}

// splitmix64: a well-mixed hash of the frame index, so noise is stateless.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

void SilenceSource::render(std::int64_t, std::int16_t* out, int frameCount, int) {
    std::fill(out, out + 2 * static_cast<std::ptrdiff_t>(frameCount), std::int16_t{0});
}

void ToneSource::render(std::int64_t firstFrame, std::int16_t* out, int frameCount,
                        int sampleRate) {
    const double rate = sampleRate > 0 ? sampleRate : 44100;
    for (int i = 0; i < frameCount; ++i) {
        const double t = static_cast<double>(firstFrame + i) / rate;
        double left = dcLeft_;
        double right = dcRight_;
        for (const Tone& tone : tones_) {
            const double v = tone.amplitude *
                             std::sin(2 * std::numbers::pi * tone.frequencyHz * t + tone.phaseRad);
            if (tone.channels != Channels::Right) left += v;
            if (tone.channels != Channels::Left) right += v;
        }
        out[2 * i] = clip16(left);
        out[2 * i + 1] = clip16(right);
    }
}

void NoiseSource::render(std::int64_t firstFrame, std::int16_t* out, int frameCount, int) {
    for (int i = 0; i < 2 * frameCount; ++i) {
        const std::uint64_t h = mix(seed_ ^ mix(static_cast<std::uint64_t>(2 * firstFrame + i)));
        const double unit = static_cast<double>(h >> 11) / 9007199254740992.0; // [0, 1)
        out[i] = clip16(amplitude_ * (2 * unit - 1));
    }
}

void WavFileSource::render(std::int64_t firstFrame, std::int16_t* out, int frameCount, int) {
    stream_.read(firstFrame, out, frameCount);
}

struct SimulatedAudio::State {
    std::vector<std::string> names{"Simulated loopback"};
    bool openFails = false;
    bool stalled = false;
    std::shared_ptr<SignalSource> source;
    CaptureHandle handle = 0;
    CaptureHandle nextHandle = 1;
    CaptureFormat format;
    std::int64_t position = 0;    // next frame of the source
    std::uint64_t generation = 0; // bumped by reset and close: cancels a pending block
    CaptureHeader* pending = nullptr;
    int openCount = 0;
    int blocks = 0;
    int lastDevice = -1;
    std::uint32_t lastBufferBytes = 0;
};

SimulatedAudio::SimulatedAudio(EventLoop& loop) : loop_(loop), state_(std::make_shared<State>()) {}

SimulatedAudio::~SimulatedAudio() {
    ++state_->generation;
}

void SimulatedAudio::setInputDevices(std::vector<std::string> names) {
    state_->names = std::move(names);
}
void SimulatedAudio::setOpenFails(bool fails) {
    state_->openFails = fails;
}
void SimulatedAudio::setStalled(bool stalled) {
    state_->stalled = stalled;
}
void SimulatedAudio::setSource(std::shared_ptr<SignalSource> source) {
    state_->source = std::move(source);
}
bool SimulatedAudio::isOpen() const {
    return state_->handle != 0;
}
int SimulatedAudio::openCount() const {
    return state_->openCount;
}
int SimulatedAudio::blocksDelivered() const {
    return state_->blocks;
}
int SimulatedAudio::lastOpenedDevice() const {
    return state_->lastDevice;
}
CaptureFormat SimulatedAudio::lastFormat() const {
    return state_->format;
}
std::uint32_t SimulatedAudio::lastBufferBytes() const {
    return state_->lastBufferBytes;
}

int SimulatedAudio::deviceCount() {
    return static_cast<int>(state_->names.size());
}

std::optional<std::string> SimulatedAudio::deviceName(int index) {
    if (index < 0 || index >= deviceCount()) return std::nullopt;
    return state_->names[static_cast<std::size_t>(index)];
}

CaptureHandle SimulatedAudio::open(int deviceId, const CaptureFormat& format) {
    State& s = *state_;
    if (s.openFails || s.handle != 0 || deviceId < 0 || deviceId >= deviceCount() ||
        format.formatTag != 1 || format.channels != 2 || format.bitsPerSample != 16 ||
        format.samplesPerSecond <= 0)
        return 0;
    s.handle = s.nextHandle++;
    s.format = format;
    s.position = 0;
    s.lastDevice = deviceId;
    ++s.openCount;
    return s.handle;
}

void SimulatedAudio::start(CaptureHandle) {}
void SimulatedAudio::prepareHeader(CaptureHandle, CaptureHeader&) {}
void SimulatedAudio::unprepareHeader(CaptureHandle, CaptureHeader&) {}

void SimulatedAudio::addBuffer(CaptureHandle handle, CaptureHeader& header) {
    State& s = *state_;
    if (handle == 0 || handle != s.handle || header.data == nullptr) return;
    header.flags &= ~CaptureHeader::kDone;
    header.bytesRecorded = 0;
    header.firstFrame = -1;
    s.lastBufferBytes = header.bufferLength;
    s.pending = &header;
    if (s.stalled) return;
    const int frames = static_cast<int>(header.bufferLength / 4);
    const int rate = s.format.samplesPerSecond;
    const auto delayMs =
        static_cast<int>((static_cast<std::int64_t>(frames) * 1000 + rate - 1) / rate);
    const std::uint64_t generation = s.generation;
    std::weak_ptr<State> weak = state_;
    loop_.post(
        [weak, generation, &header, frames, rate] {
            const auto state = weak.lock();
            if (!state || state->generation != generation || state->pending != &header) return;
            if (state->source)
                state->source->render(state->position, header.data, frames, rate);
            else
                SilenceSource().render(state->position, header.data, frames, rate);
            header.firstFrame = state->position;
            state->position += frames;
            state->pending = nullptr;
            ++state->blocks;
            header.bytesRecorded = static_cast<std::uint32_t>(frames) * 4;
            header.flags |= CaptureHeader::kDone;
            if (auto onDone = header.onDone) onDone();
        },
        delayMs);
}

void SimulatedAudio::reset(CaptureHandle handle) {
    State& s = *state_;
    if (handle == 0 || handle != s.handle) return;
    ++s.generation;
    if (s.pending) {
        s.pending->flags |= CaptureHeader::kDone;
        s.pending = nullptr;
    }
}

void SimulatedAudio::close(CaptureHandle handle) {
    State& s = *state_;
    if (handle == 0 || handle != s.handle) return;
    reset(handle);
    s.handle = 0;
}

} // namespace platform
