#include "platform/virtual_event_loop.h"

#include <algorithm>
#include <atomic>
#include <compare>
#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

namespace platform {

namespace {

struct Key {
    std::int64_t due = 0;
    std::uint64_t seq = 0; // order of scheduling breaks ties
    auto operator<=>(const Key&) const = default;
};

} // namespace

struct VirtualEventLoop::Core {
    struct Event {
        std::function<void()> work;      // posted work, or
        std::weak_ptr<TimerState> timer; // the next tick of a timer
        bool tick = false;
    };

    mutable std::mutex mutex;
    std::condition_variable changed;
    // Written only by the loop's thread (under the mutex); read by any thread.
    std::atomic<std::int64_t> now{0};
    std::uint64_t nextSeq = 0;
    std::map<Key, Event> queue;

    // Call with the mutex held.
    Key schedule(std::int64_t due, Event event) {
        const Key key{due, nextSeq++};
        queue.emplace(key, std::move(event));
        return key;
    }
};

struct VirtualEventLoop::TimerState {
    std::weak_ptr<Core> core;
    std::function<void()> onTick;
    int intervalMs = 0;
    bool enabled = false;
    bool running = false;
    bool destroyed = false;
    std::optional<Key> scheduled; // the pending tick in the queue

    // Call with the core's mutex held.
    void cancel(Core& c) {
        if (scheduled) {
            c.queue.erase(*scheduled);
            scheduled.reset();
        }
    }
    void scheduleAt(Core& c, std::int64_t due, const std::shared_ptr<TimerState>& self) {
        cancel(c);
        if (enabled && !destroyed && intervalMs > 0)
            scheduled = c.schedule(due, Core::Event{{}, self, true});
    }
};

namespace {

class VirtualTimer final : public Timer {
public:
    explicit VirtualTimer(std::shared_ptr<VirtualEventLoop::TimerState> state)
        : state_(std::move(state)) {}

    ~VirtualTimer() override {
        state_->destroyed = true;
        state_->enabled = false;
        if (auto core = state_->core.lock()) {
            std::lock_guard lock(core->mutex);
            state_->cancel(*core);
        }
    }

    void setEnabled(bool enabled) override {
        state_->enabled = enabled;
        restart();
    }
    bool enabled() const override { return state_->enabled; }

    void setIntervalMs(int intervalMs) override {
        state_->intervalMs = intervalMs;
        restart();
    }
    int intervalMs() const override { return state_->intervalMs; }

private:
    // The interval counts from now; a disabled timer has nothing scheduled.
    void restart() {
        auto core = state_->core.lock();
        if (!core) return;
        std::lock_guard lock(core->mutex);
        state_->scheduleAt(*core, core->now.load() + state_->intervalMs, state_);
    }

    std::shared_ptr<VirtualEventLoop::TimerState> state_;
};

// Clears a timer's running mark however its handler ends.
class RunningMark {
public:
    explicit RunningMark(VirtualEventLoop::TimerState& state) : state_(state) {
        state_.running = true;
    }
    ~RunningMark() { state_.running = false; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    VirtualEventLoop::TimerState& state_;
};

} // namespace

VirtualEventLoop::VirtualEventLoop() : core_(std::make_shared<Core>()) {}

VirtualEventLoop::~VirtualEventLoop() = default;

std::int64_t VirtualEventLoop::nowMs() const {
    return core_->now.load();
}

std::unique_ptr<Timer> VirtualEventLoop::createTimer(int intervalMs, std::function<void()> onTick) {
    auto state = std::make_shared<TimerState>();
    state->core = core_;
    state->onTick = std::move(onTick);
    state->intervalMs = intervalMs;
    return std::make_unique<VirtualTimer>(std::move(state));
}

void VirtualEventLoop::post(std::function<void()> work, int delayMs) {
    {
        std::lock_guard lock(core_->mutex);
        core_->schedule(core_->now.load() + std::max(0, delayMs),
                        Core::Event{std::move(work), {}, false});
    }
    core_->changed.notify_all();
}

bool VirtualEventLoop::runOneDue() {
    std::function<void()> work;
    std::shared_ptr<TimerState> timer;
    {
        std::lock_guard lock(core_->mutex);
        const std::int64_t now = core_->now.load();
        if (core_->queue.empty() || core_->queue.begin()->first.due > now) return false;
        auto node = core_->queue.extract(core_->queue.begin());
        if (node.mapped().tick) {
            timer = node.mapped().timer.lock();
            if (!timer) return true;
            timer->scheduled.reset();
            // Keep the cadence; a tick that was held up past its successor's
            // time drops the missed ticks.
            std::int64_t next = node.key().due + timer->intervalMs;
            if (next <= now) next = now + timer->intervalMs;
            timer->scheduleAt(*core_, next, timer);
            if (timer->running) return true; // never tick re-entrantly
        } else {
            work = std::move(node.mapped().work);
        }
    }
    if (timer) {
        RunningMark mark(*timer);
        timer->onTick();
    } else if (work) {
        work();
    }
    return true;
}

void VirtualEventLoop::pumpEvents() {
    while (runOneDue()) {
    }
}

bool VirtualEventLoop::runUntil(const std::function<bool()>& done, std::int64_t timeoutMs) {
    const std::int64_t deadline = nowMs() + std::max<std::int64_t>(0, timeoutMs);
    for (;;) {
        if (done()) return true;
        if (runOneDue()) continue;
        std::lock_guard lock(core_->mutex);
        const std::int64_t now = core_->now.load();
        if (!core_->queue.empty() && core_->queue.begin()->first.due <= deadline)
            core_->now.store(std::max(now, core_->queue.begin()->first.due));
        else if (now < deadline)
            core_->now.store(deadline);
        else
            return false;
    }
}

void VirtualEventLoop::advance(std::int64_t ms) {
    runUntil([] { return false; }, ms);
}

std::size_t VirtualEventLoop::pendingEvents() const {
    std::lock_guard lock(core_->mutex);
    return core_->queue.size();
}

std::optional<std::int64_t> VirtualEventLoop::nextEventMs() const {
    std::lock_guard lock(core_->mutex);
    if (core_->queue.empty()) return std::nullopt;
    return core_->queue.begin()->first.due;
}

bool VirtualEventLoop::waitForDueEvent(std::chrono::milliseconds realTimeout) {
    std::unique_lock lock(core_->mutex);
    return core_->changed.wait_for(lock, realTimeout, [this] {
        return !core_->queue.empty() && core_->queue.begin()->first.due <= core_->now.load();
    });
}

} // namespace platform
