#pragma once
// The event loop of the GUI: Qt's own loop on the thread that creates it (the
// user-interface thread). Needs a QCoreApplication (or QApplication) for
// pumping. Real time throughout.

#include "platform/event_loop.h"

#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace platform {

class QtEventLoop final : public EventLoop {
public:
    // Create on the thread whose events it runs.
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    std::int64_t nowMs() const override;

    // QTimer based. A tick that comes due while the same timer's handler is
    // still running is skipped. Create, enable and destroy timers on the
    // loop's thread; a Timer may be destroyed from its own handler.
    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) override;

    // Thread-safe: the work is queued to the loop's thread. Work still queued
    // when the loop is destroyed is dropped.
    void post(std::function<void()> work, int delayMs = 0) override;

    // QCoreApplication::processEvents on the calling thread.
    void pumpEvents() override;

    // Processes events, sleeping while there are none, until done() is true
    // or timeoutMs of real time has passed; events are pumped once more at the
    // deadline. done() is polled at least every few milliseconds.
    bool runUntil(const std::function<bool()>& done, std::int64_t timeoutMs) override;

private:
    std::unique_ptr<QObject> context_; // lives on the loop's thread; receives posted work
    QElapsedTimer clock_;
};

} // namespace platform
