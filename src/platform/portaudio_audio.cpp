#include "platform/portaudio_audio.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <future>
#include <portaudio.h>
#include <semaphore.h>
#include <thread>
#include <time.h>

namespace platform {

namespace {

// Posts one drain() of the device to the instrument's loop unless one is
// already queued; safe from the notifier thread.
template <typename Impl>
void postDrainOnce(EventLoop& loop, std::atomic<bool>& queued, const std::weak_ptr<Impl>& weak) {
    if (queued.exchange(true, std::memory_order_acq_rel)) return;
    loop.post([weak] {
        if (const auto self = weak.lock()) {
            self->drainQueued.store(false, std::memory_order_release);
            self->drain();
        }
    });
}

// Wakes a thread of its own from the audio callback and runs onWake there.
// sem_post is the one call the callback makes: it neither locks nor allocates.
class Notifier {
public:
    explicit Notifier(std::function<void()> onWake) : onWake_(std::move(onWake)) {
        sem_init(&semaphore_, 0, 0);
        thread_ = std::thread([this] { run(); });
    }
    ~Notifier() {
        stop_.store(true, std::memory_order_release);
        sem_post(&semaphore_);
        thread_.join();
        sem_destroy(&semaphore_);
    }
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Audio thread (or any thread).
    void signal() noexcept { sem_post(&semaphore_); }

private:
    void run() {
        for (;;) {
            while (sem_wait(&semaphore_) != 0) {
            } // EINTR: wait again
            if (stop_.load(std::memory_order_acquire)) return;
            onWake_();
        }
    }

    std::function<void()> onWake_;
    sem_t semaphore_{};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string paText(PaError error) {
    const char* text = Pa_GetErrorText(error);
    return text ? text : "unknown PortAudio error";
}

// While PortAudio probes the devices, ALSA reports every device name of its
// configuration that has no card behind it (dozens of lines on a machine
// without sound cards), and the JACK library reports that no server runs.
// Those are answers, not errors: the device lists say what was found. The
// libraries' reporters are looked up in the process (they are there when
// PortAudio uses them), so no more is linked than PortAudio brings.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler);
using JackSetReporter = void (*)(void (*)(const char*));

char lastAlsaMessage[256]; // the instrument's thread, during a probe only

extern "C" void keepAlsaMessage(const char*, int, const char*, int, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastAlsaMessage, sizeof lastAlsaMessage, format, args);
    va_end(args);
}

extern "C" void dropJackMessage(const char*) {}

template <typename Function> Function processSymbol(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_DEFAULT, name));
}

// Silences ALSA for its lifetime (keeping its last message) and JACK for
// good: JACK offers no way back to its own reporter, and what it would say
// later (a server that went away) reaches the operator as a device that
// stopped responding.
class QuietProbe {
public:
    QuietProbe() : alsa_(processSymbol<AlsaSetErrorHandler>("snd_lib_error_set_handler")) {
        lastAlsaMessage[0] = 0;
        if (alsa_) alsa_(&keepAlsaMessage);
        for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
            if (const auto set = processSymbol<JackSetReporter>(name)) set(&dropJackMessage);
    }
    ~QuietProbe() {
        if (alsa_) alsa_(nullptr); // ALSA's own reporter again
    }
    QuietProbe(const QuietProbe&) = delete;
    QuietProbe& operator=(const QuietProbe&) = delete;

    std::string alsaMessage() const { return lastAlsaMessage; }

private:
    AlsaSetErrorHandler alsa_;
};

// Keeps the callback out of our buffers from the moment a stream is being
// stopped, whatever the host does then. The callback passes through enter()
// and leave(); shut() makes enter() refuse and waits until no callback is
// inside (a callback never blocks, so that is at most one callback's work).
// It also keeps the time of the last callback, to tell a host that stopped
// calling (a JACK server that went away) from one that calls on.
class CallbackGate {
public:
    // Audio thread.
    bool enter() noexcept {
        inside_.fetch_add(1, std::memory_order_seq_cst);
        if (shut_.load(std::memory_order_seq_cst)) {
            inside_.fetch_sub(1, std::memory_order_seq_cst);
            return false;
        }
        lastCallNs_.store(nowNs(), std::memory_order_relaxed);
        return true;
    }
    void leave() noexcept { inside_.fetch_sub(1, std::memory_order_seq_cst); }

    // Instrument thread.
    void open() {
        lastCallNs_.store(nowNs(), std::memory_order_relaxed);
        shut_.store(false, std::memory_order_seq_cst);
    }
    void shut() {
        shut_.store(true, std::memory_order_seq_cst);
        while (inside_.load(std::memory_order_seq_cst) != 0)
            std::this_thread::yield();
    }
    std::int64_t silentMs() const {
        return (nowNs() - lastCallNs_.load(std::memory_order_relaxed)) / 1'000'000;
    }

private:
    // CLOCK_MONOTONIC through the vDSO: no lock, no system call.
    static std::int64_t nowNs() noexcept {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
    }

    std::atomic<int> inside_{0};
    std::atomic<bool> shut_{true};
    std::atomic<std::int64_t> lastCallNs_{0};
};

// A host that has not called back for this long is taken for gone.
constexpr std::int64_t kHostSilentMs = 500;
// How long a stop waits for PortAudio to abort a stream: of a host that
// calls back, and of one that has fallen silent.
constexpr auto kAbortWait = std::chrono::milliseconds(2000);
constexpr auto kAbortWaitSilent = std::chrono::milliseconds(200);

// Stops a stream and never hangs: a JACK server that died leaves
// Pa_AbortStream waiting for good. The gate is shut first, so our buffers
// are free whatever happens next. The abort runs on a thread of its own; the
// caller waits for it up to kAbortWait, or only briefly when the host has
// fallen silent or has ended the stream itself. Returns false when the abort did not end in time:
// the stream is then left behind, never touched again (not even closed), and `owner` (the
// callback's data) lives as long as that abort runs.
bool stopStreamBounded(PaStream* stream, CallbackGate& gate, std::shared_ptr<const void> owner) {
    gate.shut();
    const bool hostGone = gate.silentMs() >= kHostSilentMs || Pa_IsStreamActive(stream) != 1;
    auto aborted = std::make_shared<std::promise<void>>();
    std::future<void> done = aborted->get_future();
    std::thread abort([stream, aborted, owner = std::move(owner)] {
        Pa_AbortStream(stream);
        aborted->set_value();
    });
    if (done.wait_for(hostGone ? kAbortWaitSilent : kAbortWait) == std::future_status::ready) {
        abort.join(); // gone when the stop returns
        return true;
    }
    abort.detach();
    return false;
}

// One second at least: a host may hand over a few hundred milliseconds at once.
constexpr std::int64_t kMinStallMs = 1000;
constexpr int kWatchdogIntervalMs = 100;
constexpr int kStallBuffers = 5;

} // namespace

// --- Session ---

PortAudioSession::PortAudioSession() {
    QuietProbe quiet;
    const PaError rc = Pa_Initialize();
    if (rc != paNoError) {
        // PortAudio's reason, with the host's and ALSA's when they gave one.
        error_ = paText(rc);
        const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
        if (rc == paUnanticipatedHostError && host && host->errorText && *host->errorText)
            error_ += std::string(": ") + host->errorText;
        if (const std::string alsa = quiet.alsaMessage(); !alsa.empty())
            error_ += "; ALSA: " + alsa;
        return;
    }
    ok_ = true;
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info) continue;
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        std::string name = std::string(api && api->name ? api->name : "?") + ": " +
                           (info->name ? info->name : "?");
        // 16-bit stereo needs two channels; the high latencies ride out a
        // busy machine, and the instrument needs no low latency.
        if (info->maxInputChannels >= 2)
            inputs_.push_back({i, name, info->maxInputChannels, info->defaultHighInputLatency});
        if (info->maxOutputChannels >= 2)
            outputs_.push_back({i, name, info->maxOutputChannels, info->defaultHighOutputLatency});
    }
}

PortAudioSession::~PortAudioSession() {
    // Ending PortAudio after its JACK server went away would abort the
    // program (PortAudio asserts that closing its JACK client succeeds);
    // the process's end cleans up instead.
    if (ok_ && !jackServerGone()) Pa_Terminate();
}

bool PortAudioSession::jackServerGone() const {
    if (!ok_ || Pa_HostApiTypeIdToHostApiIndex(paJACK) < 0) return false;
    // libjack is in the process when PortAudio's JACK host API runs.
    using Open = void* (*)(const char*, int, int*, ...);
    using Close = int (*)(void*);
    const auto open = processSymbol<Open>("jack_client_open");
    const auto close = processSymbol<Close>("jack_client_close");
    if (!open || !close) return false;
    QuietProbe quiet;
    constexpr int kNoStartServer = 0x01; // JackNoStartServer
    int status = 0;
    void* client = open("arv1_probe", kNoStartServer, &status);
    if (!client) return true;
    close(client);
    return false;
}

// --- Capture ---

struct PortAudioInput::Impl {
    enum State : int { Idle, Armed, Full };

    Impl(EventLoop& l, std::shared_ptr<const PortAudioSession> s)
        : loop(l), session(std::move(s)) {}

    static int streamCallback(const void* input, void*, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
        Impl& impl = *static_cast<Impl*>(self);
        if (!impl.gate.enter()) return paAbort;
        const int rc = impl.onAudio(static_cast<const std::int16_t*>(input), frames);
        impl.gate.leave();
        return rc;
    }

    // Audio thread.
    int onAudio(const std::int16_t* in, unsigned long frames) noexcept {
        if (state.load(std::memory_order_acquire) != Armed) return paContinue;
        const std::uint32_t done = framesDone.load(std::memory_order_relaxed);
        const auto n = static_cast<std::uint32_t>(
            std::min<unsigned long>(frames, static_cast<unsigned long>(targetFrames - done)));
        std::int16_t* dst = target + 2 * static_cast<std::size_t>(done);
        if (in)
            std::memcpy(dst, in, 4 * static_cast<std::size_t>(n));
        else
            std::memset(dst, 0, 4 * static_cast<std::size_t>(n));
        framesDone.store(done + n, std::memory_order_release);
        if (done + n == targetFrames) {
            state.store(Full, std::memory_order_release);
            notifier->signal();
        }
        return paContinue;
    }

    // Notifier thread or instrument thread: one drain event at a time.
    void requestDrain(const std::weak_ptr<Impl>& weak) { postDrainOnce(loop, drainQueued, weak); }

    // Instrument thread: the completion of a full buffer.
    void drain() {
        if (state.load(std::memory_order_acquire) != Full || !pending) return;
        CaptureHeader& header = *pending;
        header.bytesRecorded = targetFrames * 4;
        header.flags |= CaptureHeader::kDone;
        pending = nullptr;
        state.store(Idle, std::memory_order_relaxed);
        if (auto onDone = header.onDone) onDone();
    }

    // Instrument thread. After it returns the callback does not touch our
    // buffers. A stream that could not be stopped is left behind.
    void stopStream() {
        if (stream && running && !stopStreamBounded(stream, gate, self.lock())) stream = nullptr;
        running = false;
    }

    bool valid(CaptureHandle h) const { return h != 0 && h == handle; }

    EventLoop& loop;
    std::shared_ptr<const PortAudioSession> session;
    std::weak_ptr<Impl> self;
    std::unique_ptr<Notifier> notifier;
    PaStream* stream = nullptr;
    CaptureHandle handle = 0;
    CaptureHandle nextHandle = 1;
    bool running = false;
    std::string lastError;
    CallbackGate gate;

    // The queued buffer. target and targetFrames are written by the
    // instrument's thread while the state is Idle and published by the
    // release store of Armed; the callback reads them only after it.
    CaptureHeader* pending = nullptr; // instrument thread only
    std::int16_t* target = nullptr;
    std::uint32_t targetFrames = 0;
    std::atomic<std::uint32_t> framesDone{0};
    std::atomic<int> state{Idle};
    std::atomic<bool> drainQueued{false};
};

PortAudioInput::PortAudioInput(EventLoop& loop, std::shared_ptr<const PortAudioSession> session)
    : impl_(std::make_shared<Impl>(loop, std::move(session))) {
    impl_->self = impl_;
    Impl* impl = impl_.get(); // the notifier is joined before impl goes away
    impl_->notifier = std::make_unique<Notifier>([impl] { impl->requestDrain(impl->self); });
}

PortAudioInput::~PortAudioInput() {
    close(impl_->handle);
    impl_->notifier.reset();
}

bool PortAudioInput::isOpen() const {
    return impl_->handle != 0;
}
const std::string& PortAudioInput::lastError() const {
    return impl_->lastError;
}

int PortAudioInput::deviceCount() {
    return static_cast<int>(impl_->session->inputs().size());
}

std::optional<std::string> PortAudioInput::deviceName(int index) {
    const auto& devices = impl_->session->inputs();
    if (index < 0 || index >= static_cast<int>(devices.size())) return std::nullopt;
    return devices[static_cast<std::size_t>(index)].name;
}

CaptureHandle PortAudioInput::open(int deviceId, const CaptureFormat& format) {
    Impl& s = *impl_;
    if (s.handle != 0 || !s.session->ok() || deviceId < 0 || deviceId >= deviceCount() ||
        format.formatTag != 1 || format.channels != 2 || format.bitsPerSample != 16 ||
        format.samplesPerSecond <= 0)
        return 0;
    const PortAudioDeviceInfo& device = s.session->inputs()[static_cast<std::size_t>(deviceId)];
    PaStreamParameters params{};
    params.device = device.paIndex;
    params.channelCount = 2;
    params.sampleFormat = paInt16;
    params.suggestedLatency = device.latencyS;
    const double rate = format.samplesPerSecond;
    PaError rc = Pa_IsFormatSupported(&params, nullptr, rate);
    if (rc == paFormatIsSupported)
        rc = Pa_OpenStream(&s.stream, &params, nullptr, rate, paFramesPerBufferUnspecified,
                           paNoFlag, &Impl::streamCallback, &s);
    if (rc != paNoError) {
        s.stream = nullptr;
        s.lastError = paText(rc);
        return 0;
    }
    s.lastError.clear();
    s.handle = s.nextHandle++;
    if (s.nextHandle == 0) s.nextHandle = 1;
    s.state.store(Impl::Idle, std::memory_order_relaxed);
    return s.handle;
}

void PortAudioInput::start(CaptureHandle handle) {
    Impl& s = *impl_;
    if (!s.valid(handle) || s.running) return;
    if (!s.stream) { // left behind by a stop on a host that went away
        s.lastError = "the sound system stopped responding";
        return;
    }
    s.gate.open();
    const PaError rc = Pa_StartStream(s.stream);
    if (rc == paNoError)
        s.running = true;
    else
        s.lastError = paText(rc); // no block will complete: the caller's timeout sees it
}

void PortAudioInput::prepareHeader(CaptureHandle, CaptureHeader&) {}
void PortAudioInput::unprepareHeader(CaptureHandle, CaptureHeader&) {}

void PortAudioInput::addBuffer(CaptureHandle handle, CaptureHeader& header) {
    Impl& s = *impl_;
    if (!s.valid(handle) || header.data == nullptr || s.pending) return;
    header.flags &= ~CaptureHeader::kDone;
    header.bytesRecorded = 0;
    header.firstFrame = -1;
    s.pending = &header;
    s.target = header.data;
    s.targetFrames = header.bufferLength / 4;
    s.framesDone.store(0, std::memory_order_relaxed);
    if (s.targetFrames == 0) {
        s.state.store(Impl::Full, std::memory_order_release);
        s.requestDrain(s.self);
        return;
    }
    s.state.store(Impl::Armed, std::memory_order_release);
}

void PortAudioInput::reset(CaptureHandle handle) {
    Impl& s = *impl_;
    if (!s.valid(handle)) return;
    s.stopStream();
    if (s.pending) {
        s.pending->bytesRecorded = s.framesDone.load(std::memory_order_acquire) * 4;
        s.pending->flags |= CaptureHeader::kDone;
        s.pending = nullptr;
    }
    s.state.store(Impl::Idle, std::memory_order_relaxed);
}

void PortAudioInput::close(CaptureHandle handle) {
    Impl& s = *impl_;
    if (!s.valid(handle)) return;
    reset(handle);
    if (s.stream) Pa_CloseStream(s.stream);
    s.stream = nullptr;
    s.handle = 0;
}

// --- Playback ---

struct PortAudioOutput::Impl {
    static constexpr std::uint32_t kCapacity = kQueueCapacity;

    struct Entry {
        const std::uint8_t* data = nullptr;
        std::uint32_t bytes = 0;
    };

    Impl(EventLoop& l, std::shared_ptr<const PortAudioSession> s)
        : loop(l), session(std::move(s)) {}

    static int streamCallback(const void*, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
        Impl& impl = *static_cast<Impl*>(self);
        if (!impl.gate.enter()) return paAbort;
        const int rc = impl.onAudio(static_cast<std::uint8_t*>(output), frames);
        impl.gate.leave();
        return rc;
    }

    // Audio thread: copies queued bytes, silence when the queue runs dry.
    int onAudio(std::uint8_t* out, unsigned long frames) noexcept {
        std::size_t need = static_cast<std::size_t>(frames) * blockAlign;
        std::uint32_t fin = finished.load(std::memory_order_relaxed);
        const std::uint32_t queued = written.load(std::memory_order_acquire);
        bool any = false;
        while (fin != queued) {
            const Entry& e = ring[fin % kCapacity];
            const std::size_t n = std::min<std::size_t>(need, e.bytes - frontOffset);
            if (n == 0 && e.bytes != frontOffset) break; // output full
            if (n != 0) std::memcpy(out, e.data + frontOffset, n);
            out += n;
            need -= n;
            frontOffset += static_cast<std::uint32_t>(n);
            if (frontOffset == e.bytes) {
                frontOffset = 0;
                ++fin;
                finished.store(fin, std::memory_order_release);
                any = true;
            }
        }
        std::memset(out, silence, need);
        callbacks.fetch_add(1, std::memory_order_relaxed);
        if (any) notifier->signal();
        return paContinue;
    }

    void requestDrain(const std::weak_ptr<Impl>& weak) { postDrainOnce(loop, drainQueued, weak); }

    // Instrument thread: buffer-done for every finished buffer, in order. A
    // handler may write again, or reset or close the device.
    void drain() {
        const std::uint64_t gen = generation;
        const BufferDone done = onDone;
        while (generation == gen) {
            if (returned == finished.load(std::memory_order_acquire)) break;
            PlaybackHeader* header = headers[returned % kCapacity];
            ++returned;
            header->flags = (header->flags & ~PlaybackHeader::kInQueue) | PlaybackHeader::kDone;
            if (done) done(*header);
        }
    }

    // Instrument thread, stream stopped: every buffer not yet returned comes
    // back with a posted buffer-done, in queue order.
    void returnQueued() {
        ++generation;
        const std::uint32_t queued = written.load(std::memory_order_relaxed);
        std::weak_ptr<Impl> weak = self;
        for (std::uint32_t i = returned; i != queued; ++i) {
            PlaybackHeader* header = headers[i % kCapacity];
            header->flags = (header->flags & ~PlaybackHeader::kInQueue) | PlaybackHeader::kDone;
            loop.post([weak, done = onDone, header] {
                if (weak.lock() && done) done(*header);
            });
        }
        returned = 0;
        frontOffset = 0;
        written.store(0, std::memory_order_relaxed);
        finished.store(0, std::memory_order_relaxed);
    }

    int startStream() {
        if (!stream) { // left behind by a stop on a host that went away
            lastError = "the sound system stopped responding";
            return playback_error::DeviceError;
        }
        gate.open();
        const PaError rc = Pa_StartStream(stream);
        if (rc != paNoError) {
            lastError = paText(rc);
            return playback_error::DeviceError;
        }
        running = true;
        lastCallbacks = callbacks.load(std::memory_order_relaxed);
        lastProgressMs = loop.nowMs();
        watchdog->setEnabled(true);
        return 0;
    }

    void stopStream() {
        if (stream && running && !stopStreamBounded(stream, gate, self.lock())) stream = nullptr;
        running = false;
        watchdog->setEnabled(false);
    }

    // Instrument thread, every kWatchdogIntervalMs while the stream runs.
    void checkProgress() {
        if (!running) return;
        const std::uint64_t count = callbacks.load(std::memory_order_relaxed);
        const std::int64_t now = loop.nowMs();
        if (count != lastCallbacks) {
            lastCallbacks = count;
            lastProgressMs = now;
        }
        const bool ended = Pa_IsStreamActive(stream) != 1;
        if (!ended && now - lastProgressMs <= stallLimitMs()) return;
        lastError = ended ? "the stream ended" : "no data taken";
        stopStream();
        returnQueued();
        failed = true;
        if (onFailure) onFailure();
    }

    std::int64_t stallLimitMs() const {
        const std::int64_t longest =
            bytesPerSecond > 0
                ? static_cast<std::int64_t>(longestBufferBytes) * 1000 / bytesPerSecond
                : 0;
        return std::max(kMinStallMs, kStallBuffers * longest);
    }

    bool valid(PlaybackHandle h) const { return h != 0 && h == handle; }

    EventLoop& loop;
    std::shared_ptr<const PortAudioSession> session;
    std::weak_ptr<Impl> self;
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<Timer> watchdog;
    std::function<void()> onFailure;
    PaStream* stream = nullptr;
    PlaybackHandle handle = 0;
    PlaybackHandle nextHandle = 1;
    BufferDone onDone;
    bool running = false;
    bool failed = false;
    std::string lastError;
    CallbackGate gate;
    std::size_t blockAlign = 4;
    std::uint8_t silence = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint32_t longestBufferBytes = 0;
    std::uint64_t generation = 0;
    std::uint64_t lastCallbacks = 0;
    std::int64_t lastProgressMs = 0;

    // Queue: entries [finished, written) belong to the callback, which reads
    // them after the acquire load of written. headers and returned belong to
    // the instrument's thread.
    std::array<Entry, kCapacity> ring{};
    std::array<PlaybackHeader*, kCapacity> headers{};
    std::uint32_t returned = 0;
    std::uint32_t frontOffset = 0; // callback only (reset while stopped)
    std::atomic<std::uint32_t> written{0};
    std::atomic<std::uint32_t> finished{0};
    std::atomic<std::uint64_t> callbacks{0};
    std::atomic<bool> drainQueued{false};
};

PortAudioOutput::PortAudioOutput(EventLoop& loop, std::shared_ptr<const PortAudioSession> session)
    : impl_(std::make_shared<Impl>(loop, std::move(session))) {
    impl_->self = impl_;
    Impl* impl = impl_.get(); // the notifier is joined, the timer destroyed, before impl goes
    impl_->notifier = std::make_unique<Notifier>([impl] { impl->requestDrain(impl->self); });
    impl_->watchdog = loop.createTimer(kWatchdogIntervalMs, [impl] { impl->checkProgress(); });
}

PortAudioOutput::~PortAudioOutput() {
    close(impl_->handle);
    impl_->notifier.reset();
    impl_->watchdog.reset();
}

void PortAudioOutput::setFailureHandler(std::function<void()> onFailure) {
    impl_->onFailure = std::move(onFailure);
}
bool PortAudioOutput::isOpen() const {
    return impl_->handle != 0;
}
int PortAudioOutput::queuedBuffers() const {
    return static_cast<int>(impl_->written.load(std::memory_order_relaxed) - impl_->returned);
}
const std::string& PortAudioOutput::lastError() const {
    return impl_->lastError;
}

int PortAudioOutput::deviceCount() {
    return static_cast<int>(impl_->session->outputs().size());
}

std::optional<std::string> PortAudioOutput::deviceName(int index) {
    const auto& devices = impl_->session->outputs();
    if (index < 0 || index >= static_cast<int>(devices.size())) return std::nullopt;
    return devices[static_cast<std::size_t>(index)].name;
}

int PortAudioOutput::open(PlaybackHandle& handle, int deviceId, const PlaybackFormat& format,
                          BufferDone onDone) {
    Impl& s = *impl_;
    if (!s.session->ok() || deviceId < 0 || deviceId >= deviceCount())
        return playback_error::BadDeviceId;
    if (s.handle != 0) return playback_error::Allocated;
    PaSampleFormat sampleFormat = 0;
    switch (format.bitsPerSample) {
    case 8:
        sampleFormat = paUInt8;
        break;
    case 16:
        sampleFormat = paInt16;
        break;
    case 24:
        sampleFormat = paInt24;
        break;
    case 32:
        sampleFormat = paInt32;
        break;
    default:
        return playback_error::BadFormat;
    }
    const PortAudioDeviceInfo& device = s.session->outputs()[static_cast<std::size_t>(deviceId)];
    if (format.formatTag != 1 || format.channels < 1 || format.channels > device.channels ||
        format.samplesPerSecond == 0 ||
        format.blockAlign != format.channels * (format.bitsPerSample / 8))
        return playback_error::BadFormat;

    PaStreamParameters params{};
    params.device = device.paIndex;
    params.channelCount = format.channels;
    params.sampleFormat = sampleFormat;
    params.suggestedLatency = device.latencyS;
    const double rate = format.samplesPerSecond;
    PaError rc = Pa_IsFormatSupported(nullptr, &params, rate);
    if (rc == paFormatIsSupported)
        rc = Pa_OpenStream(&s.stream, nullptr, &params, rate, paFramesPerBufferUnspecified,
                           paClipOff, &Impl::streamCallback, &s);
    if (rc != paNoError) {
        s.stream = nullptr;
        s.lastError = paText(rc);
        if (rc == paDeviceUnavailable) return playback_error::Allocated;
        if (rc == paInvalidSampleRate || rc == paSampleFormatNotSupported ||
            rc == paInvalidChannelCount)
            return playback_error::BadFormat;
        return playback_error::DeviceError;
    }
    s.lastError.clear();
    s.blockAlign = format.blockAlign;
    s.silence = format.bitsPerSample == 8 ? 0x80 : 0;
    s.bytesPerSecond = format.samplesPerSecond * format.blockAlign;
    s.longestBufferBytes = 0;
    s.onDone = std::move(onDone);
    s.failed = false;
    s.handle = s.nextHandle++;
    if (s.nextHandle == 0) s.nextHandle = 1;
    handle = s.handle;
    return 0;
}

int PortAudioOutput::prepareHeader(PlaybackHandle handle, PlaybackHeader& header) {
    if (!impl_->valid(handle)) return playback_error::InvalidHandle;
    header.flags = (header.flags & ~PlaybackHeader::kDone) | PlaybackHeader::kPrepared;
    return 0;
}

int PortAudioOutput::unprepareHeader(PlaybackHandle handle, PlaybackHeader& header) {
    if (!impl_->valid(handle)) return playback_error::InvalidHandle;
    if (header.inQueue()) return playback_error::StillPlaying;
    header.flags &= ~PlaybackHeader::kPrepared;
    return 0;
}

int PortAudioOutput::write(PlaybackHandle handle, PlaybackHeader& header) {
    Impl& s = *impl_;
    if (!s.valid(handle)) return playback_error::InvalidHandle;
    if ((header.flags & PlaybackHeader::kPrepared) == 0) return playback_error::Unprepared;
    if (header.inQueue()) return playback_error::StillPlaying;
    if (s.failed) return playback_error::DeviceError;
    const std::uint32_t queued = s.written.load(std::memory_order_relaxed);
    if (queued - s.returned >= Impl::kCapacity) return playback_error::QueueFull;
    s.ring[queued % Impl::kCapacity] = {header.data, header.data ? header.bufferLength : 0};
    s.headers[queued % Impl::kCapacity] = &header;
    s.longestBufferBytes = std::max(s.longestBufferBytes, header.bufferLength);
    header.flags = (header.flags & ~PlaybackHeader::kDone) | PlaybackHeader::kInQueue;
    s.written.store(queued + 1, std::memory_order_release);
    if (!s.running) {
        if (const int rc = s.startStream(); rc != 0) {
            s.written.store(queued, std::memory_order_relaxed);
            header.flags &= ~PlaybackHeader::kInQueue;
            return rc;
        }
    }
    return 0;
}

int PortAudioOutput::reset(PlaybackHandle handle) {
    Impl& s = *impl_;
    if (!s.valid(handle)) return playback_error::InvalidHandle;
    s.stopStream();
    s.returnQueued();
    return 0;
}

int PortAudioOutput::close(PlaybackHandle handle) {
    Impl& s = *impl_;
    if (!s.valid(handle)) return playback_error::InvalidHandle;
    reset(handle);
    if (s.stream) Pa_CloseStream(s.stream);
    s.stream = nullptr;
    s.handle = 0;
    s.failed = false;
    return 0;
}

std::string PortAudioOutput::errorText(int result) {
    return playbackErrorText(result, impl_->lastError);
}

} // namespace platform
