#include "platform/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace platform {

namespace {

// How often a waiting runUntil looks at its condition when no event arrives.
constexpr int kPollMs = 5;

struct QtTimerState {
    std::function<void()> onTick;
    QTimer* timer = nullptr;
    bool running = false;
};

class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, std::function<void()> onTick)
        : state_(std::make_shared<QtTimerState>()) {
        state_->onTick = std::move(onTick);
        state_->timer = new QTimer();
        state_->timer->setTimerType(Qt::PreciseTimer);
        state_->timer->setInterval(std::max(0, intervalMs));
        interval_ = intervalMs;
        std::weak_ptr<QtTimerState> weak = state_;
        QObject::connect(state_->timer, &QTimer::timeout, state_->timer, [weak] {
            auto state = weak.lock();
            if (!state || state->running) return; // never tick re-entrantly
            state->running = true;
            struct Clear {
                QtTimerState& s;
                ~Clear() { s.running = false; }
            } clear{*state};
            state->onTick();
        });
    }

    ~QtTimer() override {
        QTimer* timer = std::exchange(state_->timer, nullptr);
        timer->stop();
        QObject::disconnect(timer, nullptr, nullptr, nullptr);
        // The timer may be the one whose timeout is being delivered right now.
        if (state_->running)
            timer->deleteLater();
        else
            delete timer;
    }

    void setEnabled(bool enabled) override {
        enabled_ = enabled;
        apply();
    }
    bool enabled() const override { return enabled_; }

    void setIntervalMs(int intervalMs) override {
        interval_ = intervalMs;
        state_->timer->setInterval(std::max(0, intervalMs));
        apply();
    }
    int intervalMs() const override { return interval_; }

private:
    // Enabling (re)starts the interval from now. A QTimer with interval 0
    // would fire continuously; such a timer never ticks here.
    void apply() {
        if (enabled_ && interval_ > 0)
            state_->timer->start();
        else
            state_->timer->stop();
    }

    std::shared_ptr<QtTimerState> state_;
    int interval_ = 0;
    bool enabled_ = false;
};

} // namespace

QtEventLoop::QtEventLoop() : context_(std::make_unique<QObject>()) {
    clock_.start();
}

QtEventLoop::~QtEventLoop() = default;

std::int64_t QtEventLoop::nowMs() const {
    return clock_.elapsed();
}

std::unique_ptr<Timer> QtEventLoop::createTimer(int intervalMs, std::function<void()> onTick) {
    return std::make_unique<QtTimer>(intervalMs, std::move(onTick));
}

void QtEventLoop::post(std::function<void()> work, int delayMs) {
    if (!work) return;
    QObject* context = context_.get();
    if (delayMs <= 0) {
        QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
        return;
    }
    const std::int64_t due = nowMs() + delayMs;
    auto start = [this, context, due, work = std::move(work)]() mutable {
        const auto remaining = static_cast<int>(std::max<std::int64_t>(0, due - nowMs()));
        QTimer::singleShot(remaining, Qt::PreciseTimer, context, std::move(work));
    };
    // A timer can only be started on the thread that owns the context.
    if (QThread::currentThread() == context->thread())
        start();
    else
        QMetaObject::invokeMethod(context, std::move(start), Qt::QueuedConnection);
}

void QtEventLoop::pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtEventLoop::runUntil(const std::function<bool()>& done, std::int64_t timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    // Wakes the waiting below so that done() and the deadline are looked at
    // even when no other event arrives.
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(kPollMs);
    while (!done()) {
        if (waited.elapsed() >= timeoutMs) {
            pumpEvents(); // what is due at the deadline still runs
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace platform
