#include "content/radiotext.h"
#include "content/user_group.h"
#include "encoder/encoder_rig.h"
#include "encoder/receive.h"
#include "encoder/send.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

struct ReceiveTest : ::testing::Test {
    ReceiveResult receive()
    {
        auto ctx = rig.context();
        return Receive(ctx, params);
    }
    void poke(int address, const std::string& hex) { rig.encoder.poke(address, Hex(hex)); }
    void pokeText(int address, const std::string& text) { rig.encoder.poke(address, Bytes(text.begin(), text.end())); }

    EncoderRig rig;
    TStationParams params;
};

TEST_F(ReceiveTest, ProgrammeValues)
{
    poke(0x00, "1A 2B");
    pokeText(0x02, "RADIO   ");
    poke(0x0A, "05 0B 00 01 01 02 01 CC 00");
    const ReceiveResult r = receive();
    EXPECT_EQ(r.outcome, Outcome::Ready);
    EXPECT_EQ(r.runsCompleted, 3);
    EXPECT_EQ(params.program.PI, "1A2B");
    EXPECT_EQ(params.program.PSDEF, "RADIO");
    EXPECT_EQ(params.program.PTY, 5);
    EXPECT_EQ(params.program.DI, (std::array<bool, 4>{true, true, false, true}));
    EXPECT_EQ(params.program.MS, 0);
    EXPECT_TRUE(params.program.TP);
    EXPECT_TRUE(params.program.TA);
    EXPECT_EQ(params.program.SGAF[0], "87.6");
    EXPECT_EQ(params.program.SGAF[1], "107.9");
    EXPECT_EQ(params.program.SGAF[2], "");
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST_F(ReceiveTest, PSTrimmingKeepsLeadingSpacesAndNeverTheFirstCharacter)
{
    pokeText(0x02, "        ");
    receive();
    EXPECT_EQ(params.program.PSDEF, "");
    pokeText(0x02, "  AB    ");
    rig.time.advanceMs(1000);
    receive();
    EXPECT_EQ(params.program.PSDEF, "  AB");
}

TEST_F(ReceiveTest, AFCountZeroOrAboveFifteenEmptiesEveryRow)
{
    for (const char* count : {"00", "C8", "10"}) {
        params.program.SGAF.fill("99.9");
        poke(0x0F, std::string(count) + " 05 06");
        rig.time.advanceMs(1000);
        EXPECT_EQ(receive().outcome, Outcome::Ready);
        for (int row = 0; row < kAFRows; ++row)
            EXPECT_EQ(params.program.SGAF[row], "") << count << " row " << row;
    }
}

TEST_F(ReceiveTest, AFCodesAreNotChecked)
{
    poke(0x0F, "03 00 FF 7D");
    receive();
    EXPECT_EQ(params.program.SGAF[0], "87.5");
    EXPECT_EQ(params.program.SGAF[1], "113.0");
    EXPECT_EQ(params.program.SGAF[2], "100.0");
}

TEST_F(ReceiveTest, AFRowsUseTheOperatorsDecimalSeparator)
{
    poke(0x0F, "01 7D");
    auto ctx = rig.context();
    ctx.decimalSeparator = ',';
    Receive(ctx, params);
    EXPECT_EQ(params.program.SGAF[0], "100,0");
}

TEST_F(ReceiveTest, RadiotextGoesIntoTheFirstTextWhicheverIsSelected)
{
    params.radiotext.RT1 = "old";
    params.radiotext.RT3 = "third";
    params.radiotext.CBRTT3 = 0;
    params.radiotext.CBRTEN = true;
    SelectRadiotext(params, 2);
    poke(0x1F, "02");
    pokeText(0x20, "Now playing" + std::string(53, ' '));
    receive();
    EXPECT_FALSE(params.radiotext.CBRTEN);
    EXPECT_EQ(params.radiotext.CBRTT1, 1);
    EXPECT_EQ(params.radiotext.RT1, "Now playing");
    EXPECT_EQ(params.radiotext.RT3, "third");
    EXPECT_EQ(params.radiotext.CBRTT3, 0);
    EXPECT_EQ(params.radiotext.selected, RadiotextSelection::RT3);
}

TEST_F(ReceiveTest, UserGroupBytesAreNormalisedWithTheirMirrors)
{
    poke(0x60, "01 40 FF 0A 00 80 7F");
    receive();
    EXPECT_TRUE(params.system.CBUDGEN);
    EXPECT_EQ(params.system.CBGRTYP, 8);  // "4A"
    EXPECT_EQ(params.system.DB3, "1F");   // "Byte 4" keeps its five low bits
    EXPECT_EQ(params.system.DB3D, "31");
    EXPECT_EQ(params.system.DB4, "0A");
    EXPECT_EQ(params.system.DB4D, "10");
    EXPECT_EQ(params.system.DB7, "7F");
    EXPECT_EQ(params.system.DB7D, "127");
}

TEST_F(ReceiveTest, SubcarrierAndStepValues)
{
    poke(0x6E, "03 12 00 00 FF 01 04 00");
    receive();
    EXPECT_EQ(params.system.RGCS, 1);
    EXPECT_EQ(params.system.RGPLLR, 1);
    EXPECT_EQ(params.system.SEPHASE, 18);   // 170.46 degrees
    EXPECT_EQ(params.dynamicPs.SEDPS1DL, 255); // 688.5 s, "(infinite)"
    EXPECT_EQ(params.dynamicPs.RGDPS1M, 1);
    EXPECT_EQ(params.dynamicPs.SEDPSLP, 5);    // 2.5 s
    EXPECT_EQ(params.dynamicPs.RGDLD, 0);
}

TEST_F(ReceiveTest, DynamicPSLengthTwentyInModeZeroFillsTwoAndAHalfRows)
{
    params.dynamicPs.DPS1.fill("old");
    params.dynamicPs.DPS1B = "kept";
    poke(0x73, "00");
    poke(0x76, "14");
    pokeText(0x77, "ABCDEFGHIJKLMNOPQRST");
    receive();
    EXPECT_TRUE(params.dynamicPs.DPS1EN);
    EXPECT_EQ(params.dynamicPs.DPS1[0], "ABCDEFGH");
    EXPECT_EQ(params.dynamicPs.DPS1[1], "IJKLMNOP");
    EXPECT_EQ(params.dynamicPs.DPS1[2], "QRST");
    for (int row = 3; row < kDPS1Rows; ++row)
        EXPECT_EQ(params.dynamicPs.DPS1[row], "") << row;
    EXPECT_EQ(params.dynamicPs.DPS1B, "kept");
}

TEST_F(ReceiveTest, DynamicPSTextIsNotTrimmed)
{
    poke(0x73, "02");
    poke(0x76, "06");
    pokeText(0x77, " AB   ");
    receive();
    EXPECT_EQ(params.dynamicPs.DPS1B, " AB   ");
}

TEST_F(ReceiveTest, DynamicPSLengthZeroSwitchesOffAndEmptiesTheText)
{
    params.dynamicPs.DPS1EN = true;
    params.dynamicPs.DPS1B = "text";
    poke(0x73, "02");
    poke(0x76, "00");
    receive();
    EXPECT_FALSE(params.dynamicPs.DPS1EN);
    EXPECT_EQ(params.dynamicPs.DPS1B, "");

    params.dynamicPs.DPS1.fill("row");
    poke(0x73, "00");
    rig.time.advanceMs(1000);
    receive();
    for (const auto& row : params.dynamicPs.DPS1)
        EXPECT_EQ(row, "");
}

TEST_F(ReceiveTest, DynamicPSLengthAboveSeventyTwoIsTakenAsSeventyTwo)
{
    poke(0x73, "01");
    poke(0x76, "64");
    pokeText(0x77, std::string(73, 'Q'));
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_EQ(params.dynamicPs.DPS1B, std::string(72, 'Q'));
}

TEST_F(ReceiveTest, BytesOutsideTheListsAreStoredAsTheyAre)
{
    poke(0x0A, "C8");
    poke(0x0C, "09");
    poke(0x73, "09");
    poke(0x76, "03");
    pokeText(0x77, "XYZ");
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_EQ(params.program.PTY, 200);
    EXPECT_EQ(params.program.MS, 9);
    EXPECT_EQ(params.dynamicPs.RGDPS1M, 9);
    EXPECT_EQ(params.dynamicPs.DPS1B, "XYZ");
}

TEST_F(ReceiveTest, TextsEndAtTheirFirstNulByte)
{
    // Blank memory: every text is empty, none holds NUL characters.
    params.program.PSDEF = "OLD";
    params.radiotext.RT1 = "old";
    poke(0x73, "01");
    poke(0x76, "05");
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_EQ(params.program.PSDEF, "");
    EXPECT_EQ(params.radiotext.RT1, "");
    EXPECT_EQ(params.dynamicPs.DPS1B, "");
    EXPECT_TRUE(params.dynamicPs.DPS1EN);  // the length byte still decides

    pokeText(0x02, std::string("AB\0CD   ", 8));
    pokeText(0x20, std::string("Hi \0x", 5));
    pokeText(0x77, std::string("XY\0Z ", 5));
    rig.time.advanceMs(1000);
    receive();
    EXPECT_EQ(params.program.PSDEF, "AB");
    EXPECT_EQ(params.radiotext.RT1, "Hi");
    EXPECT_EQ(params.dynamicPs.DPS1B, "XY");
}

TEST_F(ReceiveTest, SetsLastOperationTimeAndHonoursTheGuard)
{
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_TRUE(rig.guard.LastOperationTime().has_value());
    const auto starts = rig.encoder.starts();
    rig.time.advanceMs(900);
    EXPECT_EQ(receive().outcome, Outcome::Skipped);
    EXPECT_EQ(rig.encoder.starts(), starts);
}

TEST_F(ReceiveTest, NeedsBidirectional)
{
    rig.link.Bidirectional = false;
    const TStationParams before = params;
    EXPECT_EQ(receive().outcome, Outcome::Unavailable);
    EXPECT_EQ(params, before);
    EXPECT_EQ(rig.encoder.starts(), 0u);
}

TEST_F(ReceiveTest, NoEncoderChangesNothing)
{
    rig.encoder.setPower(false);
    const TStationParams before = params;
    const ReceiveResult r = receive();
    EXPECT_EQ(r.outcome, Outcome::NotReady);
    EXPECT_EQ(r.runsCompleted, 0);
    EXPECT_EQ(params, before);
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
    EXPECT_FALSE(rig.guard.LastOperationTime().has_value());
}

TEST_F(ReceiveTest, EncoderStoppingAfterTheFirstRunKeepsItsValuesOnly)
{
    poke(0x00, "12 34");
    poke(0x1F, "01");
    pokeText(0x20, "lost");
    rig.dieAfterStops(1);
    const TStationParams before = params;
    const ReceiveResult r = receive();
    EXPECT_EQ(r.outcome, Outcome::NotReady);
    EXPECT_EQ(r.runsCompleted, 1);
    EXPECT_EQ(params.program.PI, "1234");
    EXPECT_EQ(params.radiotext.RT1, before.radiotext.RT1);
    EXPECT_EQ(params.radiotext.CBRTEN, before.radiotext.CBRTEN);
    EXPECT_EQ(params.dynamicPs.DPS1B, before.dynamicPs.DPS1B);
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
    EXPECT_FALSE(rig.guard.LastOperationTime().has_value());
}

TEST_F(ReceiveTest, EncoderStoppingAfterTheSecondRunLeavesItsBytesAsReceived)
{
    poke(0x00, "00 0C");
    poke(0x61, "08 FF");
    poke(0x76, "03");
    pokeText(0x77, "DPS");
    rig.dieAfterStops(2);
    const ReceiveResult r = receive();
    EXPECT_EQ(r.runsCompleted, 2);
    EXPECT_EQ(r.outcome, Outcome::NotReady);
    EXPECT_EQ(params.program.PI, "000C");
    EXPECT_EQ(params.system.CBGRTYP, 1);
    // The command ended at the failed run: DB3Exit did not limit "Byte 4".
    EXPECT_EQ(params.system.DB3, "FF");
    EXPECT_EQ(params.system.DB3D, "255");
    EXPECT_FALSE(params.dynamicPs.DPS1EN);
    EXPECT_EQ(params.dynamicPs.DPS1B, "");
}

TEST_F(ReceiveTest, ARunDuringWhichThePortVanishedIsNotApplied)
{
    poke(0x00, "12 34");
    rig.port.vanishAfterWrites = rig.port.writes() + 200;  // inside the first run
    const TStationParams before = params;
    const ReceiveResult r = receive();
    EXPECT_EQ(r.outcome, Outcome::NotReady);
    EXPECT_EQ(r.runsCompleted, 0);
    EXPECT_EQ(params, before);
}

TEST(SendReceive, RoundTripsEveryValueReceiveReads)
{
    EncoderRig rig;
    TStationParams sent;
    sent.program.PI = "C0DE";
    sent.program.PSDEF = "  QRV";
    sent.program.PTY = 17;
    sent.program.DI = {true, false, true, true};
    sent.program.MS = 0;
    sent.program.TP = true;
    sent.program.TA = true;
    for (int row = 0; row < kAFRows; ++row)
        sent.program.SGAF[row] = std::to_string(90 + row) + ".5";
    sent.radiotext.CBRTEN = true;
    sent.radiotext.RT1 = "Quorvan radiotext";
    sent.radiotext.CBRTT1 = 1;
    sent.system.CBUDGEN = true;
    sent.system.CBGRTYP = 23;
    sent.system.DB3 = "15";
    sent.system.DB4 = "AB";
    sent.system.DB5 = "CD";
    sent.system.DB6 = "EF";
    sent.system.DB7 = "01";
    sent.system.RGCS = 1;
    sent.system.RGPLLR = 1;
    sent.system.SEPHASE = 7;
    sent.dynamicPs.SEDPS1DL = 100;
    sent.dynamicPs.RGDPS1M = 3;
    sent.dynamicPs.SEDPSLP = 200;
    sent.dynamicPs.RGDLD = 0;
    sent.dynamicPs.DPS1EN = true;
    sent.dynamicPs.DPS1B = "A DYNAMIC PS TEXT THAT RUNS FOR SEVENTY-TWO CHARACTERS OR SO, AND MORE.";
    NormaliseUserGroupBytes(sent);

    auto ctx = rig.context(false);
    ASSERT_EQ(Send(ctx, sent).outcome, Outcome::Ready);
    TStationParams got;
    got.dynamicPs.RGDPS1M = 0;
    ASSERT_EQ(Receive(ctx, got).outcome, Outcome::Ready);

    TStationParams expected = got;  // fields Receive does not read stay as they were
    expected.program.PI = sent.program.PI;
    expected.program.PSDEF = sent.program.PSDEF;
    expected.program.PTY = sent.program.PTY;
    expected.program.DI = sent.program.DI;
    expected.program.MS = sent.program.MS;
    expected.program.TP = sent.program.TP;
    expected.program.TA = sent.program.TA;
    expected.program.SGAF = sent.program.SGAF;
    expected.radiotext.CBRTEN = sent.radiotext.CBRTEN;
    expected.radiotext.RT1 = sent.radiotext.RT1;
    expected.radiotext.CBRTT1 = sent.radiotext.CBRTT1;
    expected.system.CBUDGEN = sent.system.CBUDGEN;
    expected.system.CBGRTYP = sent.system.CBGRTYP;
    for (int i = 0; i < kUserGroupBytes; ++i) {
        expected.db(i) = sent.db(i);
        expected.dbd(i) = sent.dbd(i);
    }
    expected.system.RGCS = sent.system.RGCS;
    expected.system.RGPLLR = sent.system.RGPLLR;
    expected.system.SEPHASE = sent.system.SEPHASE;
    expected.dynamicPs.SEDPS1DL = sent.dynamicPs.SEDPS1DL;
    expected.dynamicPs.RGDPS1M = sent.dynamicPs.RGDPS1M;
    expected.dynamicPs.SEDPSLP = sent.dynamicPs.SEDPSLP;
    expected.dynamicPs.RGDLD = sent.dynamicPs.RGDLD;
    expected.dynamicPs.DPS1EN = sent.dynamicPs.DPS1EN;
    expected.dynamicPs.DPS1B = sent.dynamicPs.DPS1B.substr(0, 72);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.dynamicPs.DPS1B, sent.dynamicPs.DPS1B.substr(0, 72));
}

TEST(SendReceive, StoredDataSurviveAPowerCycle)
{
    EncoderRig rig;
    TStationParams sent;
    sent.program.PSDEF = "STORED";
    sent.radiotext.RT1 = "kept in EEPROM";
    auto ctx = rig.context(false);
    Send(ctx, sent);
    EXPECT_EQ(Store(ctx), Outcome::Ready);
    TStationParams other;
    other.program.PSDEF = "VOLATILE";
    Send(ctx, other);
    rig.encoder.setPower(false);
    rig.encoder.setPower(true);
    TStationParams got;
    ASSERT_EQ(Receive(ctx, got).outcome, Outcome::Ready);
    EXPECT_EQ(got.program.PSDEF, "STORED");
    EXPECT_EQ(got.radiotext.RT1, "kept in EEPROM");
}

TEST(ReadStatus, ThreeLinesFromTheStatusByte)
{
    EXPECT_EQ(StatusMessage(3), "Status byte value: 3\rPilot tone: 1\rTA: 1");
    EXPECT_EQ(StatusLines(2), (std::vector<std::string>{"Status byte value: 2", "Pilot tone: 0", "TA: 1"}));
    EXPECT_EQ(StatusLines(0), (std::vector<std::string>{"Status byte value: 0", "Pilot tone: 0", "TA: 0"}));
    EXPECT_EQ(StatusLines(0x83), (std::vector<std::string>{"Status byte value: 131", "Pilot tone: 1", "TA: 1"}));
}

TEST(ReadStatus, ReadsTheEncoderWithoutGuard)
{
    EncoderRig rig;
    rig.encoder.setStatus(0x83);
    rig.guard.Touch(rig.time);
    auto ctx = rig.context();
    const StatusResult r = ReadStatus(ctx);
    EXPECT_EQ(r.outcome, Outcome::Ready);
    ASSERT_TRUE(r.value.has_value());
    EXPECT_EQ(*r.value, 0x83);
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST(ReadStatus, NoEncoderGivesNoMessage)
{
    EncoderRig rig;
    rig.encoder.setPower(false);
    auto ctx = rig.context();
    const StatusResult r = ReadStatus(ctx);
    EXPECT_EQ(r.outcome, Outcome::NotReady);
    EXPECT_FALSE(r.value.has_value());
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
}

} // namespace
} // namespace quorvan::test
