// When the scheduler's passes begin: the time to the next wall-clock half second, and a wait
// for it that never ends early and always ends when asked to stop.

#include "engine/pass_clock.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"

#include <future>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using std::chrono::system_clock;

namespace {

system_clock::time_point at(long long seconds, long long nanos) {
    return system_clock::time_point(std::chrono::duration_cast<system_clock::duration>(
        std::chrono::seconds(seconds) + nanoseconds(nanos)));
}

struct HalfSecondCase {
    long long seconds;
    long long nanos;
    nanoseconds expected;
};

TEST(PassClockTest, NextHalfSecondIsStrictlyAfterTheGivenTime) {
    // 1715331540 is 2024-05-10 09:00:00 UTC, second 00 of a minute.
    const HalfSecondCase cases[] = {
        {1715331540, 0, 500ms},                 // on x.000: the next is x.500
        {1715331540, 1, 500ms - 1ns},           // just after x.000
        {1715331539, 999'999'999, 1ns},         // just before x.000
        {1715331539, 999'000'000, 1ms},         // a millisecond before second 00
        {1715331540, 499'999'999, 1ns},         // just before x.500
        {1715331540, 500'000'000, 500ms},       // on x.500: the next is (x+1).000
        {1715331540, 500'000'001, 500ms - 1ns}, // just after x.500
        {1715331540, 250'000'000, 250ms},       // halfway
        {1715331540, 750'000'000, 250ms},       // halfway in the second half
        {0, 0, 500ms},                          // the epoch itself
        {-1, 999'999'999, 1ns},                 // before 1970 the halves fall the same way
        {-1, 300'000'000, 200ms},
    };
    for (const HalfSecondCase& c : cases) {
        EXPECT_EQ(untilNextHalfSecond(at(c.seconds, c.nanos)), c.expected)
            << c.seconds << "." << c.nanos;
    }
}

TEST(PassClockTest, WaitEndsOnTheWallClockDeadlineAndNotBefore) {
    platform::ManualResetEvent stop;
    for (const nanoseconds wait : {nanoseconds(0), nanoseconds(1ms), nanoseconds(30ms)}) {
        const system_clock::time_point deadline = system_clock::now() + wait;
        EXPECT_FALSE(waitForWallClock(stop, deadline, 10s));
        EXPECT_GE(system_clock::now(), deadline) << wait.count();
    }
}

TEST(PassClockTest, NextHalfSecondWaitEndsOnAHalfSecondAndNotBefore) {
    platform::ManualResetEvent stop;
    for (int i = 0; i < 3; ++i) {
        const system_clock::time_point now = system_clock::now();
        const system_clock::time_point halfSecond =
            now + std::chrono::duration_cast<system_clock::duration>(untilNextHalfSecond(now));
        EXPECT_FALSE(waitForNextHalfSecond(stop));
        EXPECT_GE(system_clock::now(), halfSecond);
    }
}

TEST(PassClockTest, WaitNeverOutlastsItsLongestWhenTheDeadlineIsFarAway) {
    // A wall clock set back an hour leaves the deadline an hour away; the wait still ends.
    platform::ManualResetEvent stop;
    auto waited = std::async(
        std::launch::async, [&] { return waitForWallClock(stop, system_clock::now() + 1h, 50ms); });
    ASSERT_EQ(waited.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(waited.get());
}

TEST(PassClockTest, StopEndsTheWaitAtOnce) {
    platform::ManualResetEvent stop;
    std::promise<void> waiting;
    auto waited = std::async(std::launch::async, [&] {
        waiting.set_value();
        return waitForWallClock(stop, system_clock::now() + 1h, 1h);
    });
    waiting.get_future().wait();
    stop.set();
    ASSERT_EQ(waited.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(waited.get());
}

TEST(PassClockTest, StopAlreadySetEndsTheHalfSecondWait) {
    platform::ManualResetEvent stop;
    stop.set();
    EXPECT_TRUE(waitForNextHalfSecond(stop));
}

TEST(PassClockTest, SchedulerWorkerStopsDuringItsPauseBetweenPasses) {
    AppContext ctx;
    ASSERT_TRUE(MyCreateWorkers(ctx));
    ctx.schedulerRunEvent.set();
    // Stops at different points of the pause; each must end the worker.
    for (int round = 0; round < 3; ++round) {
        auto stopped = std::async(std::launch::async, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(70 * round));
            ctx.schedulerRunEvent.reset();
            ctx.schedulerStopEvent.set();
            ctx.schedulerThread.join();
        });
        ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready) << round;
        if (round < 2) {
            ctx.schedulerStopEvent.reset();
            ctx.schedulerThread = std::thread(MyThreadTaskStart, &ctx);
            ctx.schedulerRunEvent.set();
        }
    }
    MyStopWorkers(ctx);
}

} // namespace
