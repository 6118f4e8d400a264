#include "platform/simulated_output.h"

#include <algorithm>

namespace platform {

struct SimulatedOutput::State {
    struct Queued {
        PlaybackHeader* header;
        std::int64_t doneMs;
    };

    std::vector<std::string> names{"Simulated loopback"};
    int openResult = 0;
    std::int64_t historyMs = 20000;
    PlaybackHandle handle = 0;
    PlaybackHandle nextHandle = 1;
    PlaybackFormat format;
    BufferDone onDone;
    std::int64_t queueEnd = 0;    // frame where the queued data ends
    std::uint64_t generation = 0; // bumped by reset and close: cancels pending completions
    std::deque<Queued> queue;
    int openCount = 0;
    int lastDevice = -1;
    std::vector<std::int64_t> openTimes;
    std::shared_ptr<PlayedSignal> played = std::make_shared<PlayedSignal>();

    PlayedSession* session() {
        return handle != 0 && !played->sessions.empty() ? &played->sessions.back() : nullptr;
    }

    // Drops what lies further back than the history keeps.
    void prune(std::int64_t nowMs) {
        auto& sessions = played->sessions;
        while (sessions.size() > 1 && !sessions.front().open) {
            const PlayedSession& s = sessions.front();
            const std::int64_t endMs = s.openMs + s.endFrame() * 1000 / s.sampleRate;
            if (endMs >= nowMs - historyMs) break;
            sessions.pop_front();
        }
        for (PlayedSession& s : sessions) {
            const std::int64_t keepFrom = s.frameAt(nowMs - historyMs);
            const std::int64_t drop = std::min(keepFrom, s.endFrame()) - s.firstFrame;
            // Erase in large steps only, so that pruning stays cheap.
            if (drop > 0 && drop * 2 >= static_cast<std::int64_t>(s.samples.size() / 2)) {
                s.samples.erase(s.samples.begin(), s.samples.begin() + 2 * drop);
                s.firstFrame += drop;
            }
        }
    }

    // Cuts the session at the frame playing now and returns every queued
    // buffer with a buffer-done event.
    void returnQueued(EventLoop& loop, const std::shared_ptr<State>& self) {
        ++generation;
        const std::int64_t now = loop.nowMs();
        if (PlayedSession* s = session()) {
            const std::int64_t cut = std::max(s->frameAt(now), s->firstFrame);
            if (cut < s->endFrame())
                s->samples.resize(static_cast<std::size_t>(2 * (cut - s->firstFrame)));
            queueEnd = std::min(queueEnd, std::max(cut, s->firstFrame));
        }
        std::weak_ptr<State> weak = self;
        const BufferDone done = onDone;
        for (const Queued& q : queue) {
            q.header->flags = (q.header->flags & ~PlaybackHeader::kInQueue) | PlaybackHeader::kDone;
            PlaybackHeader* header = q.header;
            loop.post([weak, done, header] {
                if (weak.lock() && done) done(*header);
            });
        }
        queue.clear();
    }
};

SimulatedOutput::SimulatedOutput(EventLoop& loop)
    : loop_(loop), state_(std::make_shared<State>()) {}

SimulatedOutput::~SimulatedOutput() {
    ++state_->generation;
}

void SimulatedOutput::setOutputDevices(std::vector<std::string> names) {
    state_->names = std::move(names);
}
void SimulatedOutput::setOpenResult(int result) {
    state_->openResult = result;
}
void SimulatedOutput::setHistoryMs(std::int64_t ms) {
    state_->historyMs = std::max<std::int64_t>(ms, 0);
}
bool SimulatedOutput::isOpen() const {
    return state_->handle != 0;
}
int SimulatedOutput::openCount() const {
    return state_->openCount;
}
int SimulatedOutput::lastOpenedDevice() const {
    return state_->lastDevice;
}
PlaybackFormat SimulatedOutput::lastFormat() const {
    return state_->format;
}
const std::vector<std::int64_t>& SimulatedOutput::openTimesMs() const {
    return state_->openTimes;
}
int SimulatedOutput::queuedBuffers() const {
    return static_cast<int>(state_->queue.size());
}
std::shared_ptr<const PlayedSignal> SimulatedOutput::played() const {
    return state_->played;
}

int SimulatedOutput::deviceCount() {
    return static_cast<int>(state_->names.size());
}

std::optional<std::string> SimulatedOutput::deviceName(int index) {
    if (index < 0 || index >= deviceCount()) return std::nullopt;
    return state_->names[static_cast<std::size_t>(index)];
}

int SimulatedOutput::open(PlaybackHandle& handle, int deviceId, const PlaybackFormat& format,
                          BufferDone onDone) {
    State& s = *state_;
    if (s.openResult != 0) return s.openResult;
    if (deviceId < 0 || deviceId >= deviceCount()) return playback_error::BadDeviceId;
    if (s.handle != 0) return playback_error::Allocated;
    const bool pcm = format.formatTag == 1 && (format.channels == 1 || format.channels == 2) &&
                     (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                     format.blockAlign == format.channels * format.bitsPerSample / 8 &&
                     format.samplesPerSecond >= 1000 && format.samplesPerSecond <= 384000;
    if (!pcm) return playback_error::BadFormat;

    s.handle = handle = s.nextHandle++;
    s.format = format;
    s.onDone = std::move(onDone);
    s.queueEnd = 0;
    s.lastDevice = deviceId;
    ++s.openCount;
    const std::int64_t now = loop_.nowMs();
    if (s.openTimes.size() == kKeptOpenTimes) s.openTimes.erase(s.openTimes.begin());
    s.openTimes.push_back(now);
    PlayedSession session;
    session.openMs = now;
    session.sampleRate = static_cast<int>(format.samplesPerSecond);
    s.played->sessions.push_back(std::move(session));
    s.prune(now);
    return 0;
}

int SimulatedOutput::prepareHeader(PlaybackHandle handle, PlaybackHeader& header) {
    if (handle == 0 || handle != state_->handle) return playback_error::InvalidHandle;
    header.flags = (header.flags & ~PlaybackHeader::kDone) | PlaybackHeader::kPrepared;
    return 0;
}

int SimulatedOutput::unprepareHeader(PlaybackHandle handle, PlaybackHeader& header) {
    if (handle == 0 || handle != state_->handle) return playback_error::InvalidHandle;
    if (header.inQueue()) return playback_error::StillPlaying;
    header.flags &= ~PlaybackHeader::kPrepared;
    return 0;
}

int SimulatedOutput::write(PlaybackHandle handle, PlaybackHeader& header) {
    State& s = *state_;
    if (handle == 0 || handle != s.handle) return playback_error::InvalidHandle;
    if ((header.flags & PlaybackHeader::kPrepared) == 0) return playback_error::Unprepared;
    if (header.inQueue()) return playback_error::StillPlaying;
    PlayedSession& session = *s.session();
    const std::int64_t now = loop_.nowMs();
    const int rate = session.sampleRate;

    // Decode whole frames into 16-bit stereo; mono plays on both channels.
    const int blockAlign = s.format.blockAlign;
    const int channels = s.format.channels;
    const bool eightBit = s.format.bitsPerSample == 8;
    const std::int64_t frames = header.data ? header.bufferLength / blockAlign : 0;
    const std::int64_t start = std::max(s.queueEnd, session.frameAt(now));
    const std::int64_t gap = start - std::max(session.endFrame(), session.firstFrame);
    if (gap > 0) session.samples.resize(session.samples.size() + static_cast<std::size_t>(2 * gap));
    for (std::int64_t f = 0; f < frames; ++f) {
        const std::uint8_t* p = header.data + f * blockAlign;
        std::int16_t v[2];
        for (int c = 0; c < 2; ++c) {
            const std::uint8_t* q = p + (channels == 1 ? 0 : c) * (eightBit ? 1 : 2);
            v[c] = eightBit ? static_cast<std::int16_t>((q[0] - 128) * 256)
                            : static_cast<std::int16_t>(q[0] | q[1] << 8);
        }
        session.samples.push_back(v[0]);
        session.samples.push_back(v[1]);
    }
    s.queueEnd = start + frames;

    const std::int64_t endMs = session.openMs + (s.queueEnd * 1000 + rate - 1) / rate;
    const std::int64_t doneMs = std::max(endMs, now + 1);
    header.flags = (header.flags & ~PlaybackHeader::kDone) | PlaybackHeader::kInQueue;
    s.queue.push_back({&header, doneMs});

    std::weak_ptr<State> weak = state_;
    const std::uint64_t generation = s.generation;
    PlaybackHeader* target = &header;
    loop_.post(
        [weak, generation, target] {
            const auto state = weak.lock();
            if (!state || state->generation != generation || state->queue.empty() ||
                state->queue.front().header != target)
                return;
            state->queue.pop_front();
            target->flags = (target->flags & ~PlaybackHeader::kInQueue) | PlaybackHeader::kDone;
            const BufferDone done = state->onDone;
            if (done) done(*target);
        },
        static_cast<int>(doneMs - now));
    s.prune(now);
    return 0;
}

int SimulatedOutput::reset(PlaybackHandle handle) {
    if (handle == 0 || handle != state_->handle) return playback_error::InvalidHandle;
    state_->returnQueued(loop_, state_);
    return 0;
}

int SimulatedOutput::close(PlaybackHandle handle) {
    State& s = *state_;
    if (handle == 0 || handle != s.handle) return playback_error::InvalidHandle;
    s.returnQueued(loop_, state_);
    if (PlayedSession* session = s.session()) session->open = false;
    s.handle = 0;
    return 0;
}

std::string SimulatedOutput::errorText(int result) {
    return playbackErrorText(result);
}

} // namespace platform
