#include "platform/virtual_event_loop.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::VirtualEventLoop;

// Records "name@time" for each event that runs.
struct Trace {
    VirtualEventLoop& loop;
    std::vector<std::string> events;
    std::function<void()> mark(std::string name) {
        return [this, name] { add(name); };
    }
    void add(const std::string& name) {
        events.push_back(name + "@" + std::to_string(loop.nowMs()));
    }
};

using Events = std::vector<std::string>;

TEST(VirtualEventLoop, RunsEventsInTimeOrderAndTiesInSchedulingOrder) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    loop.post(trace.mark("a"), 20);
    loop.post(trace.mark("b"), 10);
    loop.post(trace.mark("c"), 10);
    loop.post(trace.mark("d"));
    loop.post(trace.mark("e"), -5); // a negative delay means now
    loop.advance(20);
    EXPECT_EQ(trace.events, (Events{"d@0", "e@0", "b@10", "c@10", "a@20"}));
    EXPECT_EQ(loop.nowMs(), 20);
    EXPECT_EQ(loop.pendingEvents(), 0u);
}

TEST(VirtualEventLoop, PumpRunsOnlyWhatIsDueNowIncludingWorkPostedMeanwhile) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    loop.post([&] {
        trace.add("x");
        loop.post(trace.mark("y"));
        loop.post(trace.mark("later"), 5);
    });
    loop.pumpEvents();
    EXPECT_EQ(trace.events, (Events{"x@0", "y@0"}));
    EXPECT_EQ(loop.nowMs(), 0);
    EXPECT_EQ(loop.pendingEvents(), 1u);
    EXPECT_EQ(loop.nextEventMs(), 5);
    loop.pumpEvents(); // nothing due: returns at once, clock unchanged
    EXPECT_EQ(trace.events.size(), 2u);
    EXPECT_EQ(loop.nowMs(), 0);
}

TEST(VirtualEventLoop, RunUntilJumpsTheClockToTheNextEvent) {
    VirtualEventLoop loop;
    bool done = false;
    loop.post([&] { done = true; }, 1000);
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 5000));
    EXPECT_EQ(loop.nowMs(), 1000);
}

TEST(VirtualEventLoop, RunUntilStopsAtTheTimeoutAndRunsEventsDueExactlyThen) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    loop.post(trace.mark("at-deadline"), 300);
    loop.post(trace.mark("after"), 301);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 300));
    EXPECT_EQ(loop.nowMs(), 300);
    EXPECT_EQ(trace.events, (Events{"at-deadline@300"}));
    EXPECT_EQ(loop.nextEventMs(), 301);

    // With nothing scheduled the clock still reaches the deadline.
    loop.advance(1);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 250));
    EXPECT_EQ(loop.nowMs(), 551);
}

TEST(VirtualEventLoop, RunUntilChecksTheConditionBetweenEvents) {
    VirtualEventLoop loop;
    int ran = 0;
    loop.post([&] { ++ran; }, 10);
    loop.post([&] { ++ran; }, 10);
    EXPECT_TRUE(loop.runUntil([&] { return ran == 1; }, 100));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(loop.nowMs(), 10);
    // Already true: returns without running anything.
    EXPECT_TRUE(loop.runUntil([] { return true; }, 100));
    EXPECT_EQ(ran, 1);
}

TEST(VirtualEventLoop, NestedPumpsRunEachEventOnce) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    loop.post([&] {
        trace.add("a-start");
        loop.pumpEvents();
        trace.add("a-end");
    });
    loop.post([&] {
        trace.add("b-start");
        loop.pumpEvents(); // deeper still
        trace.add("b-end");
    });
    loop.post(trace.mark("c"));
    loop.pumpEvents();
    EXPECT_EQ(trace.events, (Events{"a-start@0", "b-start@0", "c@0", "b-end@0", "a-end@0"}));
}

TEST(VirtualEventLoop, TimerTicksEveryIntervalWhileEnabled) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    auto timer = loop.createTimer(200, trace.mark("t"));
    EXPECT_FALSE(timer->enabled());
    loop.advance(500);
    EXPECT_TRUE(trace.events.empty()); // created disabled

    timer->setEnabled(true);
    loop.advance(600);
    EXPECT_EQ(trace.events, (Events{"t@700", "t@900", "t@1100"}));

    timer->setEnabled(false);
    loop.advance(1000);
    EXPECT_EQ(trace.events.size(), 3u);
    EXPECT_EQ(loop.pendingEvents(), 0u);
}

TEST(VirtualEventLoop, EnablingAgainOrChangingTheIntervalRestartsIt) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    auto timer = loop.createTimer(200, trace.mark("t"));
    timer->setEnabled(true);
    loop.advance(150);
    timer->setEnabled(true); // a debounce: the count starts over
    loop.advance(250);
    EXPECT_EQ(trace.events, (Events{"t@350"}));
    timer->setIntervalMs(50);
    EXPECT_EQ(timer->intervalMs(), 50);
    loop.advance(100);
    EXPECT_EQ(trace.events, (Events{"t@350", "t@450", "t@500"}));
    timer->setIntervalMs(0); // an interval of 0 never ticks
    loop.advance(1000);
    EXPECT_EQ(trace.events.size(), 3u);
}

TEST(VirtualEventLoop, TimerDisabledFromItsOwnHandlerStopsAndCanBeRestarted) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    std::unique_ptr<platform::Timer> timer;
    timer = loop.createTimer(100, [&] {
        trace.add("t");
        timer->setEnabled(false);
    });
    timer->setEnabled(true);
    loop.advance(1000);
    EXPECT_EQ(trace.events, (Events{"t@100"}));
    timer->setEnabled(true);
    loop.advance(1000);
    EXPECT_EQ(trace.events, (Events{"t@100", "t@1100"}));
}

TEST(VirtualEventLoop, TimerReenabledFromItsOwnHandlerCountsFromThen) {
    VirtualEventLoop loop;
    Trace trace{loop, {}};
    std::unique_ptr<platform::Timer> timer;
    timer = loop.createTimer(100, [&] {
        trace.add("t");
        loop.advance(30); // work that takes time
        timer->setEnabled(false);
        timer->setEnabled(true);
    });
    timer->setEnabled(true);
    loop.advance(300);
    EXPECT_EQ(trace.events, (Events{"t@100", "t@230"}));
}

// A tick that runs a capture loop: it waits for blocks and pumps until told
// to stop. Its own timer must not tick inside it; other timers and work must.
TEST(VirtualEventLoop, TimerWhoseHandlerPumpsNeverTicksReentrantly) {
    VirtualEventLoop loop;
    int depth = 0, maxDepth = 0, captureTicks = 0, otherTicks = 0, blocks = 0;
    bool capturing = true;
    auto capture = loop.createTimer(500, [&] {
        ++captureTicks;
        maxDepth = std::max(maxDepth, ++depth);
        while (capturing) {
            loop.runUntil([] { return false; }, 100); // one block's time
            ++blocks;
            loop.pumpEvents();
        }
        --depth;
    });
    auto other = loop.createTimer(200, [&] { ++otherTicks; });
    capture->setEnabled(true);
    other->setEnabled(true);
    loop.post([&] { capturing = false; }, 3000);

    loop.advance(3000);
    EXPECT_EQ(captureTicks, 1);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(blocks, 25); // from 500 to 3000
    EXPECT_EQ(otherTicks, 15);
    EXPECT_EQ(loop.nowMs(), 3000);

    // Once the handler has returned the timer ticks again on its cadence.
    loop.advance(500);
    EXPECT_EQ(captureTicks, 2);
}

TEST(VirtualEventLoop, DestroyingATimerCancelsIt) {
    VirtualEventLoop loop;
    int ticks = 0;
    auto timer = loop.createTimer(100, [&] { ++ticks; });
    timer->setEnabled(true);
    loop.advance(250);
    timer.reset();
    loop.advance(1000);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(loop.pendingEvents(), 0u);

    // Also from its own handler.
    std::unique_ptr<platform::Timer> self;
    self = loop.createTimer(100, [&] {
        ++ticks;
        self.reset();
    });
    self->setEnabled(true);
    loop.advance(1000);
    EXPECT_EQ(ticks, 3);
}

TEST(VirtualEventLoop, TimerMayOutliveItsLoop) {
    std::unique_ptr<platform::Timer> timer;
    {
        VirtualEventLoop loop;
        timer = loop.createTimer(100, [] {});
        timer->setEnabled(true);
    }
    timer->setEnabled(false);
    timer->setEnabled(true);
    timer.reset();
}

TEST(VirtualEventLoop, ExceptionFromATickLeavesTheTimerWorking) {
    VirtualEventLoop loop;
    int ticks = 0;
    auto timer = loop.createTimer(100, [&] {
        if (++ticks == 1) throw std::runtime_error("tick failed");
    });
    timer->setEnabled(true);
    EXPECT_THROW(loop.advance(100), std::runtime_error);
    loop.advance(200);
    EXPECT_EQ(ticks, 3);
}

TEST(VirtualEventLoop, PostsFromOtherThreadsRunAtTheCurrentTime) {
    VirtualEventLoop loop;
    loop.advance(500);
    std::vector<std::int64_t> seenAt;
    std::vector<int> order;
    std::thread producer([&] {
        for (int i = 0; i < 200; ++i)
            loop.post([&, i] {
                order.push_back(i);
                seenAt.push_back(loop.nowMs());
            });
    });
    producer.join();
    loop.pumpEvents();
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(seenAt[i], 500);
    }
}

TEST(VirtualEventLoop, ConcurrentPostsAllRunAndWaitingWakesUp) {
    VirtualEventLoop loop;
    int ran = 0;
    std::vector<std::thread> producers;
    for (int t = 0; t < 4; ++t)
        producers.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                loop.post([&] { ++ran; });
        });
    while (ran < 1000) {
        ASSERT_TRUE(loop.waitForDueEvent(std::chrono::seconds(5)));
        loop.pumpEvents();
    }
    for (auto& producer : producers)
        producer.join();
    EXPECT_EQ(ran, 1000);
    EXPECT_EQ(loop.nowMs(), 0);
    EXPECT_FALSE(loop.waitForDueEvent(std::chrono::milliseconds(1)));
}

} // namespace
