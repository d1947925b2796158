#include "link/bus_pause.h"
#include "link/calibration.h"
#include "link/encoder_link.h"
#include "link/link_fakes.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(PauseLength, SameOnAnyProcessorAndNeverShorterThanNominal)
{
    EXPECT_EQ(kNominalPause, MonoTime(1657139)); // 580/350,001 s, rounded up
    // From a very slow processor to one whose BusDelay is held at the 32-bit limit.
    for (const std::int32_t units : {1, 7, 1125, 2000, 86000, 3616350, 10000000}) {
        const MonoTime pause = PauseForBusDelay(BusDelayForUnits(units));
        EXPECT_GE(pause, kNominalPause) << units << " units";
        EXPECT_LE(pause.count(), kNominalPause.count() * 1002 / 1000) << units << " units";
    }
    EXPECT_EQ(PauseForBusDelay(BusDelayForUnits(2000)), MonoTime(1657140));
    EXPECT_EQ(PauseForBusDelay(0), MonoTime::zero());
    EXPECT_EQ(PauseForBusDelay(kBusDelayBase - 1), MonoTime::zero());
}

// A link on a logging parallel port with calibrated pauses on manual time.
struct DeadlineRig {
    Events log;
    LoggingSleeper sleeper{log};
    LoggingPortIo io{log};
    ManualTime time;
    LoggingWaiter waiter{log, time};
    TEncoderLink link{sleeper};
    MonoTime pause;
    DeadlineRig()
    {
        link.PortAddress = 888;
        link.setPortIo(&io);
        link.setPauseTimer(&waiter, &waiter);
        link.Slow = false;
        link.BusDelay = BusDelayForUnits(2000);
        pause = link.PauseLength();
        time.advanceMs(5000);
    }
    // n pauses, each after an edge that takes 20 us to write.
    void pauses(int n)
    {
        for (int i = 0; i < n; ++i) {
            time.advance(microseconds(20));
            link.Pauza();
        }
    }
    std::vector<MonoTime> grid(MonoTime origin, int n) const
    {
        std::vector<MonoTime> g;
        for (int k = 1; k <= n; ++k)
            g.push_back(origin + k * pause);
        return g;
    }
};

TEST(PauseDeadlines, EdgeWorkAndALateWakeUpDoNotShiftTheFollowingDeadlines)
{
    DeadlineRig r;
    const MonoTime origin = r.time.monoNow() + microseconds(20);
    r.pauses(3);
    // The fourth wait wakes up late, by most of a pause.
    r.waiter.oversleep = r.pause * 9 / 10;
    r.pauses(5);
    EXPECT_EQ(r.waiter.deadlines, r.grid(origin, 8));
    // 8 pauses of 20 us edges take 8 pauses, not 8 x (pause + 20 us).
    EXPECT_EQ(r.time.monoNow(), origin + 8 * r.pause);
}

TEST(PauseDeadlines, AWakeUpLaterThanAWholePauseStartsTheScheduleFromNow)
{
    DeadlineRig r;
    const MonoTime origin = r.time.monoNow() + microseconds(20);
    r.pauses(3);
    r.waiter.oversleep = r.pause + microseconds(1);
    r.pauses(1);
    const MonoTime woke = r.time.monoNow();
    EXPECT_EQ(woke, origin + 4 * r.pause + r.pause + microseconds(1));
    r.pauses(3);
    // The edge after the late wake-up still gets a whole pause, and so do the next.
    std::vector<MonoTime> expected = r.grid(origin, 4);
    for (const MonoTime d : r.grid(woke + microseconds(20), 3))
        expected.push_back(d);
    EXPECT_EQ(r.waiter.deadlines, expected);
}

TEST(PauseDeadlines, AnIdleBusStartsTheNextTransactionAfresh)
{
    DeadlineRig r;
    r.pauses(2);
    r.time.advanceMs(500); // the wait after the first transaction of a Send
    const MonoTime now = r.time.monoNow();
    r.link.Pauza();
    EXPECT_EQ(r.waiter.deadlines.back(), now + r.pause);
}

TEST(PauseDeadlines, AWaiterThatReturnsEarlyIsAskedAgain)
{
    DeadlineRig r;
    r.waiter.returnEarly = 2;
    const MonoTime now = r.time.monoNow();
    r.link.Pauza();
    EXPECT_EQ(r.waiter.deadlines, (std::vector<MonoTime>(3, now + r.pause)));
    EXPECT_EQ(r.time.monoNow(), now + r.pause);
}

TEST(PauseDeadlines, NominalPauseNeedsNoCalibration)
{
    DeadlineRig r;
    r.link.BusDelay = 0;
    r.link.NominalPause = true;
    const MonoTime now = r.time.monoNow();
    r.link.Pauza();
    EXPECT_EQ(r.waiter.deadlines, (std::vector<MonoTime>{now + kNominalPause}));
}

// The deadline pauses sit between exactly the edges the 3 ms "Slow" sleeps do.
TEST(PauseDeadlines, EdgesAndPausesInterleaveAsWithSlow)
{
    const auto transaction = [](TEncoderLink& link) {
        link.SendStart(true);
        link.SendByte(0xD6);
        link.SendByte(0x70);
        link.SendRestart();
        link.SendByte(0xD7);
        link.ReadByte(false);
        link.ReadByte(true);
        link.SendStop(true);
    };
    DeadlineRig timed;
    DeadlineRig slow;
    slow.link.Slow = true;
    transaction(timed.link);
    transaction(slow.link);
    EXPECT_EQ(timed.log, slow.log);
    EXPECT_GT(timed.waiter.deadlines.size(), 40u);
    EXPECT_EQ(timed.waiter.deadlines.size(), timed.link.PauseCount());
}

} // namespace
} // namespace quorvan::test
