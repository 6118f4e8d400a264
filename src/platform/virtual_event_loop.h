#pragma once
// An event loop in virtual time, for tests and headless runs. Nothing here
// waits for the wall clock: timers and posted work are scheduled events on a
// virtual clock, due events run in time order (ties in the order they were
// scheduled), and a waiting loop moves the clock straight to the next event.
// Everything is deterministic as long as only the loop's thread posts.

#include "platform/event_loop.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class VirtualEventLoop final : public EventLoop {
public:
    VirtualEventLoop();
    ~VirtualEventLoop() override;
    VirtualEventLoop(const VirtualEventLoop&) = delete;
    VirtualEventLoop& operator=(const VirtualEventLoop&) = delete;

    std::int64_t nowMs() const override;

    // Timers belong to the loop's thread: create, enable and destroy them
    // there. A tick that comes due while the same timer's handler is still
    // running (it pumped or waited) is skipped; the timer keeps its cadence
    // and ticks again one interval later. An interval of 0 or less never
    // ticks. Destroying the Timer cancels it; a Timer may outlive the loop.
    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) override;

    // Thread-safe. From any thread the work is scheduled at the current
    // virtual time plus delayMs (negative delays count as 0).
    void post(std::function<void()> work, int delayMs = 0) override;

    // Runs every event due at the current virtual time, including events that
    // become due at that time while it runs; the clock does not move.
    void pumpEvents() override;

    // Runs events in time order until done() is true, moving the clock to the
    // next scheduled event whenever nothing is due now, but never past
    // now + timeoutMs. Events due exactly at the deadline still run. Returns
    // done(). A handler may call it too (a pumping wait); the clock then moves
    // on for everyone and never goes back.
    bool runUntil(const std::function<bool()>& done, std::int64_t timeoutMs) override;

    // Runs everything scheduled up to now + ms and leaves the clock there.
    void advance(std::int64_t ms);
    void runFor(std::int64_t ms) { advance(ms); }

    // Number of scheduled events (posted work and enabled timers' next ticks).
    std::size_t pendingEvents() const;
    // Due time of the earliest scheduled event, if any.
    std::optional<std::int64_t> nextEventMs() const;

    // Blocks the calling thread in real time until some event is due at the
    // current virtual time (typically work posted by another thread) or the
    // real timeout passes. Returns whether an event is due. Does not run it.
    bool waitForDueEvent(std::chrono::milliseconds realTimeout);

    struct Core;
    struct TimerState;

private:
    // Runs the earliest event if it is due now; false when none is due.
    bool runOneDue();

    std::shared_ptr<Core> core_;
};

} // namespace platform
