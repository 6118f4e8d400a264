#pragma once
// The event-loop seam. All instrument state lives on one thread; this is that
// thread's loop. Timers, posted work and device completions are events on it.
// Two implementations: a Qt loop for the GUI (qt_event_loop.h) and a
// virtual-time loop for tests and headless runs (virtual_event_loop.h).

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// Timers belong to the loop's thread: create, change and destroy them there.
// Destroying a Timer cancels it (also from inside its own onTick).
class Timer {
public:
    virtual ~Timer() = default;
    // Enabling (re)starts the interval from now, also when already enabled;
    // disabling cancels pending ticks, also from inside onTick. An interval of
    // 0 or less never ticks; changing the interval of an enabled timer
    // restarts it.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void setIntervalMs(int intervalMs) = 0;
    virtual int intervalMs() const = 0;
};

class EventLoop {
public:
    virtual ~EventLoop() = default;

    // Milliseconds since the loop was created (virtual or real).
    virtual std::int64_t nowMs() const = 0;

    // A repeating timer that calls onTick on this thread every intervalMs
    // while enabled. A tick never starts while a previous tick of the same
    // timer is still running (one that comes due then is skipped). The timer
    // is created disabled.
    virtual std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) = 0;

    // Run work on this thread after delayMs (0: as soon as events are
    // pumped). Thread-safe: audio callbacks use it to post completions.
    virtual void post(std::function<void()> work, int delayMs = 0) = 0;

    // "Let pending events run": run everything that is due now, then return.
    // May be called re-entrantly from inside an event handler.
    virtual void pumpEvents() = 0;

    // Run events until done() returns true or timeoutMs passes (virtual or
    // real); returns done(). In virtual time the clock jumps to the next due
    // event whenever nothing is due now.
    virtual bool runUntil(const std::function<bool()>& done, std::int64_t timeoutMs) = 0;
};

} // namespace platform
