#include "platform/qt_event_loop.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using platform::QtEventLoop;

// One application object for the whole test program.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv); // lives until the program ends
}

class QtEventLoopTest : public ::testing::Test {
protected:
    void SetUp() override { ensureApplication(); }
};

TEST_F(QtEventLoopTest, PostedWorkRunsWhenEventsArePumped) {
    QtEventLoop loop;
    int ran = 0;
    loop.post([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    loop.pumpEvents();
    EXPECT_EQ(ran, 1);
}

TEST_F(QtEventLoopTest, DelayedWorkWaitsForItsTime) {
    QtEventLoop loop;
    std::int64_t ranAt = -1;
    const std::int64_t postedAt = loop.nowMs();
    loop.post([&] { ranAt = loop.nowMs(); }, 30);
    loop.pumpEvents();
    EXPECT_EQ(ranAt, -1);
    EXPECT_TRUE(loop.runUntil([&] { return ranAt >= 0; }, 100));
    EXPECT_GE(ranAt - postedAt, 29); // timer granularity allows a hair early
}

TEST_F(QtEventLoopTest, WorkPostedFromAnotherThreadRunsOnTheLoopThread) {
    QtEventLoop loop;
    std::atomic<int> ran = 0;
    Qt::HANDLE ranOn = nullptr;
    std::thread producer([&] {
        loop.post([&] {
            ranOn = QThread::currentThreadId();
            ++ran;
        });
        loop.post([&] { ++ran; }, 10);
    });
    EXPECT_TRUE(loop.runUntil([&] { return ran == 2; }, 100));
    producer.join();
    EXPECT_EQ(ranOn, QThread::currentThreadId());
}

TEST_F(QtEventLoopTest, RunUntilGivesUpAtTheTimeout) {
    QtEventLoop loop;
    int ran = 0;
    loop.post([&] { ++ran; });
    EXPECT_FALSE(loop.runUntil([] { return false; }, 0)); // still lets due work run
    EXPECT_EQ(ran, 1);

    const std::int64_t start = loop.nowMs();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 40));
    const std::int64_t waited = loop.nowMs() - start;
    EXPECT_GE(waited, 40);
    EXPECT_LT(waited, 500); // generous: other programs share the machine
}

TEST_F(QtEventLoopTest, TimerWhoseHandlerWaitsNeverTicksReentrantly) {
    QtEventLoop loop;
    int depth = 0, maxDepth = 0, slowTicks = 0, fastTicks = 0;
    auto fast = loop.createTimer(5, [&] { ++fastTicks; });
    std::unique_ptr<platform::Timer> slow;
    slow = loop.createTimer(5, [&] {
        maxDepth = std::max(maxDepth, ++depth);
        ++slowTicks;
        slow->setEnabled(true); // restarting its interval must not let it in again
        if (depth == 1)         // (a re-entered tick returns at once, so the test ends)
            loop.runUntil([] { return false; }, 40);
        --depth;
    });
    slow->setEnabled(true);
    fast->setEnabled(true);
    loop.runUntil([&] { return slowTicks >= 2; }, 100);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_GE(slowTicks, 1);
    EXPECT_GE(fastTicks, 3); // kept ticking inside the slow handler
}

TEST_F(QtEventLoopTest, TimerDisabledFromItsOwnHandlerTicksOnce) {
    QtEventLoop loop;
    int ticks = 0;
    std::unique_ptr<platform::Timer> timer;
    timer = loop.createTimer(5, [&] {
        ++ticks;
        timer->setEnabled(false);
    });
    timer->setEnabled(true);
    EXPECT_TRUE(timer->enabled());
    EXPECT_TRUE(loop.runUntil([&] { return ticks > 0; }, 100));
    loop.runUntil([] { return false; }, 30); // room for ticks that should not come
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(timer->enabled());
}

TEST_F(QtEventLoopTest, TimerDestroyedFromItsOwnHandlerStops) {
    QtEventLoop loop;
    int ticks = 0;
    std::unique_ptr<platform::Timer> timer;
    timer = loop.createTimer(5, [&] {
        ++ticks;
        timer.reset();
    });
    timer->setEnabled(true);
    EXPECT_TRUE(loop.runUntil([&] { return ticks > 0; }, 100));
    loop.runUntil([] { return false; }, 30);
    EXPECT_EQ(ticks, 1);
}

} // namespace
