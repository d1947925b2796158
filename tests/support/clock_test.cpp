#include "link/clock.h"

#include <gtest/gtest.h>

using quorvan::DateTime;
using quorvan::ManualTime;

TEST(ManualTime, SleepAdvancesAcrossYearEnd)
{
    ManualTime t(DateTime{2025, 12, 31, 23, 59, 59, 900});
    t.sleepMs(200);
    EXPECT_EQ(t.now(), (DateTime{2026, 1, 1, 0, 0, 0, 100}));
    EXPECT_EQ(t.totalSleptMs(), 200);
}

TEST(ManualTime, LeapDay)
{
    ManualTime t(DateTime{2028, 2, 28, 23, 59, 59, 0});
    t.advanceMs(1000);
    EXPECT_EQ(t.now().day, 29);
    EXPECT_EQ(t.now().month, 2);
}

TEST(ManualTime, WaitsMoveTheMonotonicAndTheCalendarTimeToTheDeadline)
{
    using std::chrono::microseconds;
    ManualTime t(DateTime{2026, 12, 8, 9, 5, 59, 999});
    const quorvan::MonoTime start = t.monoNow();
    t.waitUntil(start + microseconds(400));
    t.waitUntil(start + microseconds(800));
    EXPECT_EQ(t.now().msec, 999) << "less than a millisecond has passed";
    t.waitUntil(start + microseconds(1200));
    EXPECT_EQ(t.now(), (DateTime{2026, 12, 8, 9, 6, 0, 0}));
    t.waitUntil(start); // a deadline already past: no wait
    EXPECT_EQ(t.monoNow(), start + microseconds(1200));
    // Setting the calendar time leaves the monotonic time alone.
    t.set(DateTime{2020, 1, 1, 0, 0, 0, 0});
    EXPECT_EQ(t.monoNow(), start + microseconds(1200));
    EXPECT_EQ(t.totalSleptMs(), 0);
}
