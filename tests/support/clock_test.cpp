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
