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
        return BREC1Click(ctx, params);
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
    EXPECT_EQ(params.PI, "1A2B");
    EXPECT_EQ(params.PSDEF, "RADIO");
    EXPECT_EQ(params.PTY, 5);
    EXPECT_EQ(params.DI, (std::array<bool, 4>{true, true, false, true}));
    EXPECT_EQ(params.MS, 0);
    EXPECT_TRUE(params.TP);
    EXPECT_TRUE(params.TA);
    EXPECT_EQ(params.SGAF[0], "87.6");
    EXPECT_EQ(params.SGAF[1], "107.9");
    EXPECT_EQ(params.SGAF[2], "");
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST_F(ReceiveTest, PSTrimmingKeepsLeadingSpacesAndNeverTheFirstCharacter)
{
    pokeText(0x02, "        ");
    receive();
    EXPECT_EQ(params.PSDEF, "");
    pokeText(0x02, "  AB    ");
    rig.time.advanceMs(1000);
    receive();
    EXPECT_EQ(params.PSDEF, "  AB");
}

TEST_F(ReceiveTest, AFCountZeroOrAboveFifteenEmptiesEveryRow)
{
    for (const char* count : {"00", "C8", "10"}) {
        params.SGAF.fill("99.9");
        poke(0x0F, std::string(count) + " 05 06");
        rig.time.advanceMs(1000);
        EXPECT_EQ(receive().outcome, Outcome::Ready);
        for (int row = 0; row < kAFRows; ++row)
            EXPECT_EQ(params.SGAF[row], "") << count << " row " << row;
    }
}

TEST_F(ReceiveTest, AFCodesAreNotChecked)
{
    poke(0x0F, "03 00 FF 7D");
    receive();
    EXPECT_EQ(params.SGAF[0], "87.5");
    EXPECT_EQ(params.SGAF[1], "113.0");
    EXPECT_EQ(params.SGAF[2], "100.0");
}

TEST_F(ReceiveTest, AFRowsUseTheOperatorsDecimalSeparator)
{
    poke(0x0F, "01 7D");
    auto ctx = rig.context();
    ctx.decimalSeparator = ',';
    BREC1Click(ctx, params);
    EXPECT_EQ(params.SGAF[0], "100,0");
}

TEST_F(ReceiveTest, RadiotextGoesIntoTheFirstTextWhicheverIsSelected)
{
    params.RT1 = "old";
    params.RT3 = "third";
    params.CBRTT3 = 0;
    params.CBRTEN = true;
    SelectRadiotext(params, 2);
    poke(0x1F, "02");
    pokeText(0x20, "Now playing" + std::string(53, ' '));
    receive();
    EXPECT_FALSE(params.CBRTEN);
    EXPECT_EQ(params.CBRTT1, 1);
    EXPECT_EQ(params.RT1, "Now playing");
    EXPECT_EQ(params.RT3, "third");
    EXPECT_EQ(params.CBRTT3, 0);
    EXPECT_TRUE(params.RBRT3);
}

TEST_F(ReceiveTest, UserGroupBytesAreNormalisedWithTheirMirrors)
{
    poke(0x60, "01 40 FF 0A 00 80 7F");
    receive();
    EXPECT_TRUE(params.CBUDGEN);
    EXPECT_EQ(params.CBGRTYP, 8);  // "4A"
    EXPECT_EQ(params.DB3, "1F");   // "Byte 4" keeps its five low bits
    EXPECT_EQ(params.DB3D, "31");
    EXPECT_EQ(params.DB4, "0A");
    EXPECT_EQ(params.DB4D, "10");
    EXPECT_EQ(params.DB7, "7F");
    EXPECT_EQ(params.DB7D, "127");
}

TEST_F(ReceiveTest, SubcarrierAndStepValues)
{
    poke(0x6E, "03 12 00 00 FF 01 04 00");
    receive();
    EXPECT_EQ(params.RGCS, 1);
    EXPECT_EQ(params.RGPLLR, 1);
    EXPECT_EQ(params.SEPHASE, 18);   // 170.46 degrees
    EXPECT_EQ(params.SEDPS1DL, 255); // 688.5 s, "(infinite)"
    EXPECT_EQ(params.RGDPS1M, 1);
    EXPECT_EQ(params.SEDPSLP, 5);    // 2.5 s
    EXPECT_EQ(params.RGDLD, 0);
}

TEST_F(ReceiveTest, DynamicPSLengthTwentyInModeZeroFillsTwoAndAHalfRows)
{
    params.DPS1.fill("old");
    params.DPS1B = "kept";
    poke(0x73, "00");
    poke(0x76, "14");
    pokeText(0x77, "ABCDEFGHIJKLMNOPQRST");
    receive();
    EXPECT_TRUE(params.DPS1EN);
    EXPECT_EQ(params.DPS1[0], "ABCDEFGH");
    EXPECT_EQ(params.DPS1[1], "IJKLMNOP");
    EXPECT_EQ(params.DPS1[2], "QRST");
    for (int row = 3; row < kDPS1Rows; ++row)
        EXPECT_EQ(params.DPS1[row], "") << row;
    EXPECT_EQ(params.DPS1B, "kept");
}

TEST_F(ReceiveTest, DynamicPSTextIsNotTrimmed)
{
    poke(0x73, "02");
    poke(0x76, "06");
    pokeText(0x77, " AB   ");
    receive();
    EXPECT_EQ(params.DPS1B, " AB   ");
}

TEST_F(ReceiveTest, DynamicPSLengthZeroSwitchesOffAndEmptiesTheText)
{
    params.DPS1EN = true;
    params.DPS1B = "text";
    poke(0x73, "02");
    poke(0x76, "00");
    receive();
    EXPECT_FALSE(params.DPS1EN);
    EXPECT_EQ(params.DPS1B, "");

    params.DPS1.fill("row");
    poke(0x73, "00");
    rig.time.advanceMs(1000);
    receive();
    for (const auto& row : params.DPS1)
        EXPECT_EQ(row, "");
}

TEST_F(ReceiveTest, DynamicPSLengthAboveSeventyTwoIsTakenAsSeventyTwo)
{
    poke(0x73, "01");
    poke(0x76, "64");
    pokeText(0x77, std::string(73, 'Q'));
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_EQ(params.DPS1B, std::string(72, 'Q'));
}

TEST_F(ReceiveTest, BytesOutsideTheListsAreStoredAsTheyAre)
{
    poke(0x0A, "C8");
    poke(0x0C, "09");
    poke(0x73, "09");
    poke(0x76, "03");
    pokeText(0x77, "XYZ");
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_EQ(params.PTY, 200);
    EXPECT_EQ(params.MS, 9);
    EXPECT_EQ(params.RGDPS1M, 9);
    EXPECT_EQ(params.DPS1B, "XYZ");
}

TEST_F(ReceiveTest, TextsEndAtTheirFirstNulByte)
{
    // Blank memory: every text is empty, none holds NUL characters.
    params.PSDEF = "OLD";
    params.RT1 = "old";
    poke(0x73, "01");
    poke(0x76, "05");
    EXPECT_EQ(receive().outcome, Outcome::Ready);
    EXPECT_EQ(params.PSDEF, "");
    EXPECT_EQ(params.RT1, "");
    EXPECT_EQ(params.DPS1B, "");
    EXPECT_TRUE(params.DPS1EN);  // the length byte still decides

    pokeText(0x02, std::string("AB\0CD   ", 8));
    pokeText(0x20, std::string("Hi \0x", 5));
    pokeText(0x77, std::string("XY\0Z ", 5));
    rig.time.advanceMs(1000);
    receive();
    EXPECT_EQ(params.PSDEF, "AB");
    EXPECT_EQ(params.RT1, "Hi");
    EXPECT_EQ(params.DPS1B, "XY");
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
    EXPECT_EQ(params.PI, "1234");
    EXPECT_EQ(params.RT1, before.RT1);
    EXPECT_EQ(params.CBRTEN, before.CBRTEN);
    EXPECT_EQ(params.DPS1B, before.DPS1B);
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
    EXPECT_EQ(params.PI, "000C");
    EXPECT_EQ(params.CBGRTYP, 1);
    // The command ended at the failed run: DB3Exit did not limit "Byte 4".
    EXPECT_EQ(params.DB3, "FF");
    EXPECT_EQ(params.DB3D, "255");
    EXPECT_FALSE(params.DPS1EN);
    EXPECT_EQ(params.DPS1B, "");
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
    sent.PI = "C0DE";
    sent.PSDEF = "  QRV";
    sent.PTY = 17;
    sent.DI = {true, false, true, true};
    sent.MS = 0;
    sent.TP = true;
    sent.TA = true;
    for (int row = 0; row < kAFRows; ++row)
        sent.SGAF[row] = std::to_string(90 + row) + ".5";
    sent.CBRTEN = true;
    sent.RT1 = "Quorvan radiotext";
    sent.CBRTT1 = 1;
    sent.CBUDGEN = true;
    sent.CBGRTYP = 23;
    sent.DB3 = "15";
    sent.DB4 = "AB";
    sent.DB5 = "CD";
    sent.DB6 = "EF";
    sent.DB7 = "01";
    sent.RGCS = 1;
    sent.RGPLLR = 1;
    sent.SEPHASE = 7;
    sent.SEDPS1DL = 100;
    sent.RGDPS1M = 3;
    sent.SEDPSLP = 200;
    sent.RGDLD = 0;
    sent.DPS1EN = true;
    sent.DPS1B = "A DYNAMIC PS TEXT THAT RUNS FOR SEVENTY-TWO CHARACTERS OR SO, AND MORE.";
    NormaliseUserGroupBytes(sent);

    auto ctx = rig.context(false);
    ASSERT_EQ(BSEND1Click(ctx, sent).outcome, Outcome::Ready);
    TStationParams got;
    got.RGDPS1M = 0;
    ASSERT_EQ(BREC1Click(ctx, got).outcome, Outcome::Ready);

    TStationParams expected = got;  // fields Receive does not read stay as they were
    expected.PI = sent.PI;
    expected.PSDEF = sent.PSDEF;
    expected.PTY = sent.PTY;
    expected.DI = sent.DI;
    expected.MS = sent.MS;
    expected.TP = sent.TP;
    expected.TA = sent.TA;
    expected.SGAF = sent.SGAF;
    expected.CBRTEN = sent.CBRTEN;
    expected.RT1 = sent.RT1;
    expected.CBRTT1 = sent.CBRTT1;
    expected.CBUDGEN = sent.CBUDGEN;
    expected.CBGRTYP = sent.CBGRTYP;
    for (int i = 0; i < kUserGroupBytes; ++i) {
        expected.db(i) = sent.db(i);
        expected.dbd(i) = sent.dbd(i);
    }
    expected.RGCS = sent.RGCS;
    expected.RGPLLR = sent.RGPLLR;
    expected.SEPHASE = sent.SEPHASE;
    expected.SEDPS1DL = sent.SEDPS1DL;
    expected.RGDPS1M = sent.RGDPS1M;
    expected.SEDPSLP = sent.SEDPSLP;
    expected.RGDLD = sent.RGDLD;
    expected.DPS1EN = sent.DPS1EN;
    expected.DPS1B = sent.DPS1B.substr(0, 72);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.DPS1B, sent.DPS1B.substr(0, 72));
}

TEST(SendReceive, StoredDataSurviveAPowerCycle)
{
    EncoderRig rig;
    TStationParams sent;
    sent.PSDEF = "STORED";
    sent.RT1 = "kept in EEPROM";
    auto ctx = rig.context(false);
    BSEND1Click(ctx, sent);
    EXPECT_EQ(BSTOR1Click(ctx), Outcome::Ready);
    TStationParams other;
    other.PSDEF = "VOLATILE";
    BSEND1Click(ctx, other);
    rig.encoder.setPower(false);
    rig.encoder.setPower(true);
    TStationParams got;
    ASSERT_EQ(BREC1Click(ctx, got).outcome, Outcome::Ready);
    EXPECT_EQ(got.PSDEF, "STORED");
    EXPECT_EQ(got.RT1, "kept in EEPROM");
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
    const StatusResult r = BSTATClick(ctx);
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
    const StatusResult r = BSTATClick(ctx);
    EXPECT_EQ(r.outcome, Outcome::NotReady);
    EXPECT_FALSE(r.value.has_value());
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
}

} // namespace
} // namespace quorvan::test
