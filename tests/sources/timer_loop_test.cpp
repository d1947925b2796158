#include "sources/follow_test_support.h"
#include "sources/timer_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvan {
namespace {

using testing::ScriptedTime;

TEST(TimerLoop, PeriodsRestartAndLateTicks)
{
    ScriptedTime time;
    TimerLoop loop(time.stopwatch(), time);
    std::vector<std::string> log;
    auto stamp = [&](const char* what) { log.push_back(std::to_string(time.sinceStart()) + " " + what); };
    const auto fast = loop.add(1000, [&] { stamp("fast"); });
    const auto slow = loop.add(2500, [&] { stamp("slow"); }, false);
    time.at(1500, [&] { loop.setEnabled(slow, true); });     // first run a full period later
    time.at(4500, [&] { loop.restart(slow); });              // pushed back to 7000
    bool stop = false;
    time.at(7000, [&] { stop = true; });
    loop.run([&] { return stop; });
    EXPECT_EQ(log, (std::vector<std::string>{"1000 fast", "2000 fast", "3000 fast", "4000 fast", "4000 slow",
                                             "5000 fast", "6000 fast"}));
    EXPECT_TRUE(loop.enabled(fast));
}

TEST(TimerLoop, TickDueDuringLongHandlerRunsOnceAfterIt)
{
    ScriptedTime time;
    TimerLoop loop(time.stopwatch(), time);
    int runs = 0;
    loop.add(100, [&] {
        if (++runs == 1)
            time.sleepMs(1000); // a long transfer: ten periods pass
    });
    EXPECT_EQ(loop.runDue(), 100);
    time.sleepMs(100);
    EXPECT_EQ(loop.runDue(), 0); // the first run overran: due again at once
    EXPECT_EQ(runs, 1);
    loop.runDue();
    EXPECT_EQ(runs, 2);
    EXPECT_GT(loop.runDue(), 0);
    EXPECT_EQ(runs, 2);
}

TEST(TimerLoop, CalendarMilliseconds)
{
    EXPECT_EQ(msecSinceEpoch({1970, 1, 1, 0, 0, 0, 0}), 0);
    EXPECT_EQ(msecSinceEpoch({2000, 3, 1, 0, 0, 0, 0}) - msecSinceEpoch({2000, 2, 28, 0, 0, 0, 0}),
              2 * 86'400'000);
    EXPECT_EQ(msecSinceEpoch({2024, 1, 1, 0, 0, 1, 5}), 1'704'067'201'005);
}

} // namespace
} // namespace quorvan
