#include "link/encoder_link.h"
#include "link/link_fakes.h"
#include "link/null_port.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvan::test {
namespace {

// A link on a logging parallel port at 888, "Slow" on so that every pause shows as "P".
struct ParallelRig {
    Events log;
    LoggingSleeper sleeper{log};
    LoggingPortIo io{log};
    RecordingUi ui;
    TEncoderLink link{sleeper};
    ParallelRig()
    {
        link.PortAddress = 888;
        link.setPortIo(&io);
        link.setUi(&ui);
    }
    Events take()
    {
        Events out;
        out.swap(log);
        return out;
    }
};

struct SerialRig {
    Events log;
    LoggingSleeper sleeper{log};
    LoggingSerialLines lines{log};
    RecordingUi ui;
    TEncoderLink link{sleeper};
    SerialRig()
    {
        link.PortAddress = 2;
        link.setSerialLines(&lines);
        link.setUi(&ui);
    }
    Events take()
    {
        Events out;
        out.swap(log);
        return out;
    }
};

TEST(LinkParallel, StartWritesStartConditionThenClockLow)
{
    ParallelRig r;
    r.link.SendStart(false);
    EXPECT_EQ(r.take(), ev("P W8 P W0 P"));
    EXPECT_EQ(r.io.lastAddress, 888);
}

TEST(LinkParallel, SendByte165WritesEveryEdgeWithAPauseAfterEach)
{
    ParallelRig r;
    r.link.Bidirectional = false;
    r.link.SendStart(false);
    r.take();
    r.link.SendByte(165);
    EXPECT_EQ(r.take(), ev("W16 P W24 P W0 P W8 P W16 P W24 P W0 P W8 P "
                           "W0 P W8 P W16 P W24 P W0 P W8 P W16 P W24 P W16 P W24 P"));
}

TEST(LinkParallel, AcknowledgeIsReadInTheNinthPeriodWhileTheClockIsLow)
{
    ParallelRig r;
    r.link.SendByte(0xFF);
    const Events e = r.take();
    // ... W24 P (eighth bit) W16 P R W24 P
    ASSERT_GE(e.size(), 5u);
    EXPECT_EQ(Events(e.end() - 5, e.end()), ev("W16 P R W24 P"));
}

TEST(LinkParallel, BitsAboveTheByteAreIgnored)
{
    ParallelRig a, b;
    a.link.SendByte(256);
    b.link.SendByte(0);
    EXPECT_EQ(a.take(), b.take());
    ParallelRig c, d;
    c.link.SendByte(0x1A5);
    d.link.SendByte(0xA5);
    EXPECT_EQ(c.take(), d.take());
}

TEST(LinkParallel, RestartAndStopSequences)
{
    ParallelRig r;
    r.link.SendRestart();
    EXPECT_EQ(r.take(), ev("W0 P W16 P W24 P W8 P W0 P"));
    EXPECT_EQ(r.ui.statuses.back(), "Receiving data...");
    r.link.SendStop(false);
    EXPECT_EQ(r.take(), ev("W0 P W8 P W24 P"));
}

TEST(LinkParallel, ReadByteNinthClockLeavesDataHighForTheLastByteOnly)
{
    ParallelRig r;
    r.io.status = 0;
    r.link.ReadByte(true);
    Events e = r.take();
    EXPECT_EQ(Events(e.end() - 5, e.end()), ev("W16 P R W24 P"));
    r.link.ReadByte(false);
    e = r.take();
    EXPECT_EQ(Events(e.end() - 4, e.end()), ev("W0 P W8 P"));
    EXPECT_EQ(std::count(e.begin(), e.end(), "R"), 8);
}

TEST(LinkParallel, ReadByteAssemblesMostSignificantFirstAndIgnoresTheNinthSample)
{
    ParallelRig r;
    r.io.statusQueue = {32, 0, 32, 0, 0, 32, 0, 32, 0};
    EXPECT_EQ(r.link.ReadByte(true), 165);
    r.io.statusQueue.clear();
    r.io.status = 0xFF;
    EXPECT_EQ(r.link.ReadByte(true), 255);
    EXPECT_EQ(r.io.lastAddress, 888) << "the clock is raised again after the last sample";
    r.io.status = 0xDF; // every bit but the data-in bit
    EXPECT_EQ(r.link.ReadByte(false), 0);
}

TEST(LinkParallel, InportbitLooksAtBitFiveOnly)
{
    ParallelRig r;
    for (int v : {32, 96, 160, 224}) {
        r.io.status = static_cast<std::uint8_t>(v);
        EXPECT_TRUE(r.link.inportbit()) << v;
    }
    for (int v : {0, 64, 128, 192, 31}) {
        r.io.status = static_cast<std::uint8_t>(v);
        EXPECT_FALSE(r.link.inportbit()) << v;
    }
    EXPECT_EQ(r.io.lastAddress, 889);
}

TEST(LinkSerial, SendByteMakesRtsLowThenDtrPerPeriod)
{
    SerialRig r;
    r.link.Bidirectional = false;
    r.link.SendByte(165);
    EXPECT_EQ(r.take(), ev("RTS0 DTR1 P RTS1 P  RTS0 DTR0 P RTS1 P  RTS0 DTR1 P RTS1 P  RTS0 DTR0 P RTS1 P "
                           "RTS0 DTR0 P RTS1 P  RTS0 DTR1 P RTS1 P  RTS0 DTR0 P RTS1 P  RTS0 DTR1 P RTS1 P "
                           "RTS0 DTR1 P RTS1 P"));
}

TEST(LinkSerial, StartRestartReadStopSequences)
{
    SerialRig r;
    r.link.SendStart(false);
    EXPECT_EQ(r.take(), ev("P DTR0 P RTS0 P"));
    r.link.SendRestart();
    EXPECT_EQ(r.take(), ev("RTS0 P DTR1 P RTS1 P DTR0 P RTS0 P"));
    r.lines.ctsLevel = true;
    EXPECT_EQ(r.link.ReadByte(false), 255);
    Events e = r.take();
    EXPECT_EQ(Events(e.begin(), e.begin() + 6), ev("RTS0 DTR1 P CTS RTS1 P"));
    EXPECT_EQ(Events(e.end() - 5, e.end()), ev("RTS0 DTR0 P RTS1 P"));
    EXPECT_EQ(r.link.ReadByte(true), 255);
    e = r.take();
    EXPECT_EQ(Events(e.end() - 6, e.end()), ev("RTS0 DTR1 P CTS RTS1 P")) << "the last byte's ninth clock keeps data high";
    r.link.SendStop(false);
    EXPECT_EQ(r.take(), ev("RTS0 DTR0 P RTS1 P DTR1 P"));
}

TEST(LinkStatus, NoEncoderEndsNotReadyOnlyWithBidirectional)
{
    for (bool bidirectional : {true, false}) {
        ParallelRig r;
        r.io.status = 0xFF; // nothing pulls the released data line low
        r.link.Bidirectional = bidirectional;
        r.link.SendStart(true);
        r.link.SendByte(0xD6);
        r.link.SendStop(true);
        EXPECT_EQ(r.ui.statuses, (std::vector<std::string>{"Sending data...", bidirectional ? "!Ready" : "Ready"}));
        EXPECT_EQ(r.ui.cursor, (std::vector<bool>{true, false}));
        if (!bidirectional) {
            EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "R"), 0) << "nothing is read without Bidirectional";
        }
    }
}

TEST(LinkStatus, AckMissingSpansTheInnerStopAndStart)
{
    ParallelRig r;
    r.io.status = 0xFF;
    r.link.SendStart(true);
    r.link.SendByte(0xD6);
    r.io.status = 0; // later bytes are acknowledged
    r.link.SendStop(false);
    r.link.SendStart(false);
    EXPECT_TRUE(r.link.AckMissing);
    r.link.SendByte(0xD6);
    r.link.SendStop(true);
    EXPECT_EQ(r.ui.statuses.back(), "!Ready");
    // The next operation starts clean.
    r.link.SendStart(true);
    EXPECT_FALSE(r.link.AckMissing);
    r.link.SendByte(0xD6);
    r.link.SendStop(true);
    EXPECT_EQ(r.ui.statuses.back(), "Ready");
}

TEST(LinkStatus, UnreachablePortEndsNotReadyEvenWithoutBidirectional)
{
    Events log;
    LoggingSleeper sleeper(log);
    NullPortIo io("no parallel port at 888");
    TEncoderLink link(sleeper);
    link.setPortIo(&io);
    link.Bidirectional = false;
    link.SendStart(true);
    link.SendByte(0xD6);
    link.SendStop(true);
    EXPECT_TRUE(link.PortFault);
    EXPECT_TRUE(link.AddressCheckFailed());
    EXPECT_EQ(link.StatusText(), "!Ready");
    EXPECT_EQ(link.PortError(), "no parallel port at 888");
    EXPECT_TRUE(log.empty()) << "no waiting on a port that is out of reach";
}

TEST(LinkStatus, NoSerialPortOpenIsAFault)
{
    Events log;
    LoggingSleeper sleeper(log);
    TEncoderLink link(sleeper);
    link.PortAddress = 3;
    link.SendStart(true);
    link.SendByte(1);
    EXPECT_EQ(link.ReadByte(true), 255);
    link.SendStop(true);
    EXPECT_EQ(link.StatusText(), "!Ready");
    EXPECT_NE(link.PortError().find("COM3"), std::string::npos);
}

TEST(LinkStatus, SerialDeviceVanishingMidTransactionEndsNotReady)
{
    SerialRig r;
    r.link.Bidirectional = false;
    r.lines.failAfter = 7;
    r.link.SendStart(true);
    r.link.SendByte(0xD6);
    r.link.SendByte(0x00);
    r.link.SendStop(true);
    EXPECT_EQ(r.link.StatusText(), "!Ready");
    EXPECT_EQ(r.link.PortError(), "device vanished");
    // The next operation reports the port unreachable straight away.
    r.link.SendStart(true);
    EXPECT_TRUE(r.link.PortFault);
    r.link.SendStop(true);
    EXPECT_EQ(r.link.StatusText(), "!Ready");
}

TEST(LinkBits, BitOnHoldsForAllSeventeenBits)
{
    EXPECT_TRUE(TEncoderLink::BitOn(5, 0));
    EXPECT_FALSE(TEncoderLink::BitOn(5, 1));
    EXPECT_TRUE(TEncoderLink::BitOn(5, 2));
    for (std::int32_t v = 0; v <= 131071; v += 7) {
        std::int32_t rebuilt = 0;
        for (int n = 0; n <= 16; ++n)
            if (TEncoderLink::BitOn(v, n))
                rebuilt |= 1 << n;
        ASSERT_EQ(rebuilt, v);
    }
    for (int n = 0; n <= 16; ++n) {
        EXPECT_TRUE(TEncoderLink::BitOn(131071, n));
        EXPECT_TRUE(TEncoderLink::BitOn(1 << n, n));
        EXPECT_FALSE(TEncoderLink::BitOn(131071 ^ (1 << n), n));
    }
}

TEST(LinkTiming, PauseCountsPerPrimitive)
{
    ParallelRig r;
    r.link.Timed = false;
    r.link.SendStart(false);
    EXPECT_EQ(r.link.PauseCount(), 3u);
    r.link.SendByte(7);
    EXPECT_EQ(r.link.PauseCount(), 21u);
    r.link.SendRestart();
    EXPECT_EQ(r.link.PauseCount(), 26u);
    r.link.ReadByte(false);
    EXPECT_EQ(r.link.PauseCount(), 44u);
    r.link.SendStop(false);
    EXPECT_EQ(r.link.PauseCount(), 47u);
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "P"), 0) << "untimed pauses never sleep";
}

} // namespace
} // namespace quorvan::test
