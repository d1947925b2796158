#include "encoder/clock_time.h"
#include "encoder/encoder_rig.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

std::string LoadAt(const DateTime& local, int offset)
{
    EncoderRig rig;
    EXPECT_EQ(SendCT(rig.link, local, offset), Outcome::Ready);
    return rig.ram(0x67, 6);
}

TEST(ClockTime, LoadsTheComingMinuteInUTC)
{
    // 12:01 local is 10:01 UTC, MJD 53658.
    EXPECT_EQ(LoadAt(DateTime{2005, 10, 15, 12, 0, 20}, 2), "40 01 A3 34 A0 44");
}

TEST(ClockTime, UTCOnThePreviousDay)
{
    // 00:30 local is 22:30 UTC on 14 October, MJD 53657.
    EXPECT_EQ(LoadAt(DateTime{2005, 10, 15, 0, 29, 10}, 2), "40 01 A3 33 67 84");
}

TEST(ClockTime, NegativeOffsetIntoTheNextYear)
{
    // 23:30 local at -5 hours is 04:30 UTC on 1 January 2006, MJD 53736.
    EXPECT_EQ(LoadAt(DateTime{2005, 12, 31, 23, 29, 30}, -5), "40 01 A3 D0 47 AA");
    const ClockTimeFields f = ClockTimeFor(DateTime{2005, 12, 31, 23, 29, 30}, -5);
    EXPECT_EQ(f.mjd, 53736);
    EXPECT_TRUE(f.negative);
    EXPECT_EQ(f.halfHours, 10);
}

TEST(ClockTime, LeapDayWithoutOffset)
{
    EXPECT_EQ(LoadAt(DateTime{2000, 2, 29, 11, 59, 0}, 0), "40 01 93 26 C0 00");
}

TEST(ClockTime, TheMinuteAfterCrossesMidnightAndMonthEnd)
{
    const ClockTimeFields f = ClockTimeFor(DateTime{2024, 2, 29, 23, 59, 40}, 0);
    EXPECT_EQ(f.mjd, ModifiedJulianDay(2024, 3, 1));
    EXPECT_EQ(f.utcHour, 0);
    EXPECT_EQ(f.utcMinute, 0);
}

TEST(ClockTime, OffsetFromTheStation)
{
    TStationParams p;
    p.preferences.SEUTCO = 1;
    p.preferences.SESMTO = 1;
    p.system.STMEN = true;
    EXPECT_EQ(LocalTimeOffsetHours(p), 2);
    p.system.STMEN = false;  // the summertime offset is ignored
    EXPECT_EQ(LocalTimeOffsetHours(p), 1);
    p.preferences.SEUTCO = -12;
    p.preferences.SESMTO = -2;
    p.system.STMEN = true;
    EXPECT_EQ(LocalTimeOffsetHours(p), -14);
    p.preferences.SEUTCO = 40;    // a damaged settings value stays within what the field carries
    EXPECT_EQ(LocalTimeOffsetHours(p), 14);
}

TEST(ClockTime, ModifiedJulianDayBothWays)
{
    EXPECT_EQ(ModifiedJulianDay(1858, 11, 17), 0);
    EXPECT_EQ(ModifiedJulianDay(2000, 1, 1), 51544);
    for (int mjd : {15079, 51543, 51544, 51603, 53657, 53736, 60000, 73000}) {
        const DateTime d = DateOfModifiedJulianDay(mjd);
        EXPECT_EQ(ModifiedJulianDay(d.year, d.month, d.day), mjd) << mjd;
    }
}

TEST(ClockTime, AddMinutesBackwardsAcrossTheYear)
{
    EXPECT_EQ(AddMinutes(DateTime{2024, 1, 1, 0, 0, 5}, -1), (DateTime{2023, 12, 31, 23, 59, 5}));
    EXPECT_EQ(AddMinutes(DateTime{2023, 12, 31, 23, 59, 5}, 1), (DateTime{2024, 1, 1, 0, 0, 5}));
}

TEST(DecideTick, OnlyANewMinuteLoadsAndOnlySecondZeroTriggers)
{
    const DateTime prev{2024, 5, 10, 12, 0, 59, 900};
    const DateTime at0{2024, 5, 10, 12, 1, 0, 0};
    const DateTime late{2024, 5, 10, 12, 1, 1, 200};
    EXPECT_EQ(DecideTick(at0, prev, at0), (TickStep{true, true}));
    EXPECT_EQ(DecideTick(late, prev, late), (TickStep{false, true}));
    EXPECT_EQ(DecideTick(at0, at0, at0), (TickStep{false, false}));
    EXPECT_EQ(DecideTick(at0, std::nullopt, at0), (TickStep{true, true}));
    // A tick an hour later in the same minute of the hour is a new minute.
    const DateTime hourLater{2024, 5, 10, 13, 1, 30, 0};
    EXPECT_EQ(DecideTick(hourLater, at0, hourLater), (TickStep{false, true}));
}

struct Timer3Test : ::testing::Test {
    Timer3Test() { params.preferences.SEUTCO = 1; }
    void tick(int times)
    {
        for (int i = 0; i < times; ++i) {
            auto ctx = rig.context();
            ct.Tick(ctx, params);
            rig.time.advanceMs(100);
        }
    }
    EncoderRig rig;
    TStationParams params;
    ClockTimeTransmitter ct;
};

TEST_F(Timer3Test, StartAtSecondThirtyThenThroughAMinuteBoundary)
{
    rig.time.set(DateTime{2024, 5, 10, 12, 0, 30, 0});
    auto ctx = rig.context();
    ASSERT_EQ(ct.ToggleClockTime(ctx, params), Outcome::Ready);  // loads at once
    EXPECT_TRUE(ct.Running());
    EXPECT_TRUE(params.system.CTRunning);
    EXPECT_STREQ(ct.Caption(), "Stop");
    EXPECT_EQ(rig.encoder.state().clockTimeLatches, 0u);
    const auto loads = [&] { return rig.transactions(); };
    EXPECT_EQ(loads(), 1u);

    tick(1);  // the first tick finds no remembered minute: one more load, no trigger
    EXPECT_EQ(loads(), 2u);
    EXPECT_EQ(rig.encoder.state().clockTimeLatches, 0u);

    tick(298);  // 12:00:30.1 .. 12:00:59.8: nothing more
    EXPECT_EQ(loads(), 2u);
    EXPECT_EQ(rig.time.now(), (DateTime{2024, 5, 10, 12, 0, 59, 900}));

    tick(1);  // 12:00:59.9: still nothing
    EXPECT_EQ(loads(), 2u);
    tick(1);  // 12:01:00.0: one trigger, then the load of the next minute
    EXPECT_EQ(rig.encoder.state().clockTimeLatches, 1u);
    EXPECT_EQ(loads(), 4u);
    // The trigger latched what was loaded for 12:01 local, 11:01 UTC.
    const auto& latched = rig.encoder.state().clockTime;
    EXPECT_EQ(UnpackClockTime({latched[1], latched[2], latched[3], latched[4], latched[5]}).utcMinute, 1);
    // The new load is for 12:02 local, 11:02 UTC.
    const auto next = ClockTimeBytes(DateTime{2024, 5, 10, 12, 1, 0, 200}, 1);
    EXPECT_EQ(rig.ram(0x68, 5), HexText(Bytes(next.begin(), next.end())));
    EXPECT_EQ(UnpackClockTime(next).utcMinute, 2);
    tick(20);  // the rest of that second and beyond: nothing
    EXPECT_EQ(rig.encoder.state().clockTimeLatches, 1u);
    EXPECT_EQ(loads(), 4u);
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST_F(Timer3Test, TriggerIsFollowedByTwoHundredMilliseconds)
{
    rig.time.set(DateTime{2024, 5, 10, 12, 0, 59, 950});
    auto ctx = rig.context();
    ct.ToggleClockTime(ctx, params);
    tick(1);
    rig.time.set(DateTime{2024, 5, 10, 12, 1, 0, 0});
    const auto slept = rig.time.totalSleptMs();
    tick(1);
    EXPECT_EQ(rig.time.totalSleptMs() - slept, 200);
    ASSERT_GE(rig.port.stopTimes.size(), 2u);
    const auto n = rig.port.stopTimes.size();
    EXPECT_EQ(rig.port.stopTimes[n - 1] - rig.port.stopTimes[n - 2], 200);
}

TEST_F(Timer3Test, ALateTickLoadsWithoutTrigger)
{
    rig.time.set(DateTime{2024, 5, 10, 12, 0, 50, 0});
    auto ctx = rig.context();
    ct.ToggleClockTime(ctx, params);
    tick(1);
    rig.time.set(DateTime{2024, 5, 10, 12, 1, 2, 0});  // a long Send kept the program busy
    const auto before = rig.transactions();
    tick(1);
    EXPECT_EQ(rig.encoder.state().clockTimeLatches, 0u);
    EXPECT_EQ(rig.transactions(), before + 1);
}

TEST_F(Timer3Test, StoppingSendsNothingAndStopsTheTicks)
{
    auto ctx = rig.context();
    ct.ToggleClockTime(ctx, params);
    const auto before = rig.transactions();
    EXPECT_FALSE(ct.ToggleClockTime(ctx, params).has_value());
    EXPECT_FALSE(params.system.CTRunning);
    EXPECT_STREQ(ct.Caption(), "Start");
    rig.time.set(DateTime{2024, 5, 10, 12, 5, 0, 0});
    tick(3);
    EXPECT_EQ(rig.transactions(), before);
}

TEST_F(Timer3Test, RestoreTakesUpTheSavedState)
{
    auto ctx = rig.context();
    EXPECT_FALSE(ct.Restore(ctx, params).has_value());
    EXPECT_FALSE(ct.Running());
    params.system.CTRunning = true;
    EXPECT_EQ(ct.Restore(ctx, params), Outcome::Ready);
    EXPECT_TRUE(ct.Running());
    EXPECT_EQ(rig.transactions(), 1u);
}

TEST_F(Timer3Test, NoEncoderShowsNotReadyOnTheLoad)
{
    rig.encoder.setPower(false);
    auto ctx = rig.context();
    EXPECT_EQ(ct.ToggleClockTime(ctx, params), Outcome::NotReady);
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
}

} // namespace
} // namespace quorvan::test
