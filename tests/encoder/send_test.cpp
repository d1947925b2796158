#include "encoder/encoder_rig.h"
#include "content/radiotext.h"
#include "encoder/send.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

// Transactions of one Send, by position, when the user group is off.
enum { T1, T2, T3, T5, T6, T7 };

struct SendTest : ::testing::Test {
    SendResult send()
    {
        auto ctx = rig.context();
        return Send(ctx, params);
    }
    EncoderRig rig;
    TStationParams params;
};

TEST_F(SendTest, DefaultPSIsSpaceFilledAndCutToEight)
{
    send();
    EXPECT_EQ(rig.ram(0x02, 8), Fill("20", 8));
    params.program.PSDEF = "ABC";
    rig.time.advanceMs(1000);
    send();
    EXPECT_EQ(rig.ramText(0x02, 8), "ABC     ");
    params.program.PSDEF = "ABCDEFGHIJ";
    rig.time.advanceMs(1000);
    send();
    EXPECT_EQ(rig.ramText(0x02, 9), std::string("ABCDEFGH") + '\0');
}

TEST_F(SendTest, ProgrammeBytes)
{
    params.program.PI = "1A2B";
    params.program.DI = {false, false, true, false};
    params.program.MS = 1;
    params.program.PTY = 10;
    params.program.TP = true;
    params.program.TA = false;
    EXPECT_EQ(send().outcome, Outcome::Ready);
    EXPECT_EQ(rig.ram(0x00, 2), "1A 2B");
    EXPECT_EQ(rig.ram(0x0A, 5), "0A 04 01 01 00");
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST_F(SendTest, NonHexDigitsInPIAndUserGroupCountAsF)
{
    params.program.PI = "1x2B";
    params.system.DB5 = "g7";
    params.system.DB6 = "";
    send();
    EXPECT_EQ(rig.ram(0x00, 2), "1F 2B");
    EXPECT_EQ(rig.ram(0x62, 5), "00 00 F7 00 00");
}

TEST_F(SendTest, AFListIsTidiedInsideTheFirstTransaction)
{
    params.program.SGAF[0] = "";
    params.program.SGAF[1] = "87.6";
    params.program.SGAF[2] = "xx";
    params.program.SGAF[3] = "100";
    params.program.SGAF[4] = "108.0";
    const SendResult r = send();
    EXPECT_EQ(rig.ramAfter(T1, 0x0F, 3), "02 01 7D");
    EXPECT_EQ(r.af.count, 2);
    EXPECT_EQ(params.program.SGAF[0], "87.6");
    EXPECT_EQ(params.program.SGAF[1], "100");
    for (int row = 2; row < kAFRows; ++row)
        EXPECT_EQ(params.program.SGAF[row], "") << row;
}

TEST_F(SendTest, EmptyAFListEndsTheFirstTransactionWithTheCount)
{
    rig.encoder.poke(0x0F, {0x03, 0x55, 0x66});
    send();
    EXPECT_EQ(rig.ram(0x0F, 3), "00 55 66");
}

TEST_F(SendTest, FifteenFrequenciesFillTheCodes)
{
    for (int row = 0; row < kAFRows; ++row)
        params.program.SGAF[row] = std::to_string(88 + row) + ".0";
    send();
    EXPECT_EQ(rig.ram(0x0F, 1), "0F");
    EXPECT_EQ(rig.ram(0x10, 2), "05 0F");
    EXPECT_EQ(rig.ram(0x1E, 1), HexText({static_cast<std::uint8_t>(1020 - 875)}));
}

TEST_F(SendTest, PausesHalfASecondAfterTheFirstTransactionOnly)
{
    send();
    ASSERT_EQ(rig.port.stopTimes.size(), 6u);
    EXPECT_EQ(rig.port.stopTimes[T2] - rig.port.stopTimes[T1], 500);
    EXPECT_EQ(rig.port.stopTimes[T7] - rig.port.stopTimes[T2], 0);
    EXPECT_EQ(rig.time.totalSleptMs(), 500);
}

TEST_F(SendTest, RadiotextAndGroupAreWrittenSwitchedOffThenSwitchedOn)
{
    params.radiotext.RT1 = "Hello";
    params.radiotext.CBRTEN = true;
    params.radiotext.CBRTT1 = 1;
    params.system.CBUDGEN = true;
    params.system.CBGRTYP = 8;
    rig.encoder.poke(0x1F, {0x01});
    rig.encoder.poke(0x60, {0x01});
    send();
    ASSERT_EQ(rig.transactions(), 7u);
    EXPECT_EQ(rig.ramAfter(1, 0x1F, 1), "00");
    EXPECT_EQ(rig.ramAfter(1, 0x20, 64), TextHex("Hello") + " " + Fill("20", 59));
    EXPECT_EQ(rig.ramAfter(1, 0x60, 2), "00 40");
    EXPECT_EQ(rig.ramAfter(2, 0x1F, 1), "03");
    EXPECT_EQ(rig.ramAfter(2, 0x60, 1), "00");
    EXPECT_EQ(rig.ramAfter(3, 0x60, 1), "01");
}

TEST_F(SendTest, RadiotextControlByte)
{
    const auto control = [&](bool enabled, int type) {
        params.radiotext.CBRTEN = enabled;
        params.radiotext.CBRTT1 = type;
        rig.time.advanceMs(1000);
        send();
        return rig.ram(0x1F, 1);
    };
    EXPECT_EQ(control(true, 1), "03");
    EXPECT_EQ(control(true, 0), "01");
    EXPECT_EQ(control(false, 0), "00");
    EXPECT_EQ(control(false, 1), "02");
}

TEST_F(SendTest, TheSelectedRadiotextIsSent)
{
    params.radiotext.RT1 = "one";
    params.radiotext.RT3 = "three";
    params.radiotext.CBRTT3 = 1;
    params.radiotext.CBRTEN = true;
    SelectRadiotext(params, 2);
    send();
    EXPECT_EQ(rig.ramText(0x20, 6), "three ");
    EXPECT_EQ(rig.ram(0x1F, 1), "03");
}

TEST_F(SendTest, UserGroupDisabledLeavesOutTheEnableWrite)
{
    params.system.CBUDGEN = false;
    rig.encoder.poke(0x60, {0x01});
    send();
    EXPECT_EQ(rig.transactions(), 6u);
    EXPECT_EQ(rig.ram(0x60, 1), "00");
}

TEST_F(SendTest, GroupTypeOutsideTheListIsNotSwitchedOn)
{
    params.system.CBUDGEN = true;
    params.system.CBGRTYP = 40;  // from a damaged settings file; 40 x 8 would wrap to "4A"
    send();
    EXPECT_EQ(rig.transactions(), 6u);
    EXPECT_EQ(rig.ram(0x60, 2), "00 00");
}

TEST_F(SendTest, SubcarrierAndPhase)
{
    params.system.RGCS = 1;
    params.system.RGPLLR = 1;
    params.system.SEPHASE = 18;  // 170.46 degrees
    send();
    EXPECT_EQ(rig.ram(0x6E, 2), "03 12");
    params.system.RGCS = 0;      // the phase is still sent with the internal clock
    params.system.RGPLLR = 0;
    params.system.SEPHASE = 13;  // 123.11 degrees
    rig.time.advanceMs(1000);
    send();
    EXPECT_EQ(rig.ram(0x6E, 2), "00 0D");
}

TEST_F(SendTest, DelayAndLabelPeriodCodes)
{
    const auto codes = [&](int delaySteps, int labelSteps) {
        params.dynamicPs.SEDPS1DL = delaySteps;
        params.dynamicPs.SEDPSLP = labelSteps;
        rig.time.advanceMs(1000);
        send();
        return rig.ram(0x72, 1) + " " + rig.ram(0x74, 1);
    };
    EXPECT_EQ(codes(8, 1), "08 00");    // 21.6 s, 0.5 s
    EXPECT_EQ(codes(3, 5), "03 04");    // 8.1 s, 2.5 s
    EXPECT_EQ(codes(255, 256), "FF FF"); // 688.5 s, 128 s
    EXPECT_EQ(codes(0, 5), "00 04");
}

TEST_F(SendTest, ModeZeroRowsMakeLabelsOfEight)
{
    params.dynamicPs.RGDPS1M = 0;
    params.dynamicPs.DPS1EN = true;
    params.dynamicPs.RGDLD = 0;
    params.dynamicPs.DPS1[0] = "RADIO";
    params.dynamicPs.DPS1[2] = "MUSIC";
    const SendResult r = send();
    EXPECT_EQ(r.dpsText, "RADIO           MUSIC   ");
    EXPECT_EQ(rig.ramAfter(T6, 0x76, 26), "00 " + TextHex("RADIO           MUSIC   ") + " 20");
    EXPECT_EQ(rig.ram(0x72, 5), "08 00 04 00 18");
}

TEST_F(SendTest, ModeZeroRowLongerThanEightIsCutInTheList)
{
    params.dynamicPs.RGDPS1M = 0;
    params.dynamicPs.DPS1[0] = "ABCDEFGHIJ";
    send();
    EXPECT_EQ(params.dynamicPs.DPS1[0], "ABCDEFGH");
    EXPECT_EQ(rig.ramText(0x77, 9), "ABCDEFGH ");
}

TEST_F(SendTest, SeventyTwoCharactersPutTheClosingSpaceAt0xBF)
{
    params.dynamicPs.RGDPS1M = 1;
    params.dynamicPs.DPS1EN = true;
    params.dynamicPs.DPS1B = std::string(72, 'Z');
    send();
    EXPECT_EQ(rig.ram(0x76, 1), "48");
    EXPECT_EQ(rig.ramText(0x77, 72), std::string(72, 'Z'));
    EXPECT_EQ(rig.ram(0xBF, 1), "20");
}

TEST_F(SendTest, DynamicPSDisabledStillWritesTheTextWithLengthZero)
{
    params.dynamicPs.RGDPS1M = 2;
    params.dynamicPs.DPS1EN = false;
    params.dynamicPs.DPS1B = "NEWS";
    rig.encoder.poke(0x76, {0x30});
    send();
    EXPECT_EQ(rig.ram(0x76, 1), "00");
    EXPECT_EQ(rig.ramText(0x77, 5), "NEWS ");
    EXPECT_EQ(rig.ram(0x72, 4), "08 02 04 01");
}

TEST_F(SendTest, OutOfRangeChoicesAreSentAsTheyAre)
{
    params.program.PTY = 200;
    params.program.MS = 9;
    params.dynamicPs.RGDPS1M = 9;
    send();
    EXPECT_EQ(rig.ram(0x0A, 1), "C8");
    EXPECT_EQ(rig.ram(0x0C, 1), "09");
    EXPECT_EQ(rig.ram(0x73, 1), "09");
}

TEST_F(SendTest, NoEncoderEndsNotReadyAndStillSetsTheLastOperationTime)
{
    rig.encoder.setPower(false);
    EXPECT_EQ(send().outcome, Outcome::NotReady);
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
    EXPECT_TRUE(rig.guard.LastOperationTime().has_value());
}

TEST_F(SendTest, WithoutBidirectionalAMissingEncoderStillEndsReady)
{
    rig.link.Bidirectional = false;
    rig.encoder.setPower(false);
    EXPECT_EQ(send().outcome, Outcome::Ready);
}

TEST_F(SendTest, GuardDropsASecondSendWithinOneSecond)
{
    EXPECT_EQ(send().outcome, Outcome::Ready);
    const auto starts = rig.encoder.starts();
    params.program.SGAF[0] = "xx";
    rig.time.advanceMs(499);  // 1.0 s after the Send began, 0.499 s after it ended
    EXPECT_EQ(send().outcome, Outcome::Skipped);
    EXPECT_EQ(rig.encoder.starts(), starts);
    EXPECT_EQ(params.program.SGAF[0], "xx");  // nothing changes on screen either
    rig.time.advanceMs(501);
    EXPECT_EQ(send().outcome, Outcome::Ready);
}

TEST_F(SendTest, GuardHoldsAfterStoreToo)
{
    auto ctx = rig.context();
    Store(ctx);
    EXPECT_EQ(send().outcome, Outcome::Skipped);
}

TEST_F(SendTest, GuardComparesTimesOfDaySoMidnightDoesNotHoldBack)
{
    rig.time.set(DateTime{2024, 5, 10, 23, 59, 59, 800});
    rig.guard.Touch(rig.time);
    rig.time.set(DateTime{2024, 5, 11, 0, 0, 0, 300});
    EXPECT_EQ(send().outcome, Outcome::Ready);
}

TEST(OperationGuard, WholeSecondsTruncated)
{
    EXPECT_TRUE(WithinOneSecond(10'000, 10'999));
    EXPECT_TRUE(WithinOneSecond(10'999, 10'000));
    EXPECT_FALSE(WithinOneSecond(11'000, 10'000));
    EXPECT_FALSE(WithinOneSecond(300, 86'399'800));
    OperationGuard none;
    ManualTime t;
    EXPECT_FALSE(none.Holds(t));
}

TEST(Store, CopiesWorkingDataToEepromAndPauses)
{
    EncoderRig rig;
    rig.encoder.poke(0x02, {'S', 'T', 'O', 'R', 'E'});
    auto ctx = rig.context();
    EXPECT_EQ(Store(ctx), Outcome::Ready);
    EXPECT_EQ(rig.encoder.eeprom(0x02), 'S');
    EXPECT_EQ(rig.encoder.lastCommand(), 0x45);
    EXPECT_EQ(rig.time.totalSleptMs(), 500);
    EXPECT_EQ(*rig.guard.LastOperationTime(), rig.time.now().msecOfDay());
}

TEST(Store, HasNoGuard)
{
    EncoderRig rig;
    rig.guard.Touch(rig.time);
    auto ctx = rig.context();
    EXPECT_EQ(Store(ctx), Outcome::Ready);
    EXPECT_EQ(rig.encoder.commands(), 1u);
}

} // namespace
} // namespace quorvan::test
