#include "content/extended_text.h"
#include "content/radiotext.h"

#include "air/modulator.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(ExtendedText, CodesAndProgrammeItem)
{
    EXPECT_EQ(ParseEcc("ECC", "E0").value, 0xE0);
    EXPECT_EQ(ParseEcc("ECC", "e0").value, 0xE0);
    EXPECT_TRUE(ParseEcc("ECC", "").ok);
    EXPECT_EQ(ParseEcc("ECC", "00").value, 0);
    EXPECT_EQ(FormatHexCode(0), "");
    EXPECT_EQ(FormatHexCode(0x08), "08");
    const auto bad = ParseEcc("ECC", "1G0");
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.message, "ECC: '1G0' is not a code (hexadecimal 00..FF; empty or 00: not sent)");
    EXPECT_EQ(ParseLic("LIC", "08").value, 0x08);
    EXPECT_FALSE(ParseLic("LIC", "80").ok);

    const auto pin = ParsePin("PIN", "15 09:30");
    ASSERT_TRUE(pin.ok);
    EXPECT_EQ(pin.value, (ProgrammeItem{15, 9, 30}));
    EXPECT_EQ(FormatPin(pin.value), "15 09:30");
    EXPECT_TRUE(ParsePin("PIN", "").ok);
    EXPECT_EQ(ParsePin("PIN", "").value, std::nullopt);
    for (const char* wrong : {"0 09:30", "32 09:30", "15 24:00", "15 09:60", "15 0930", "15", "x 1:1", "15 09:30 1"}) {
        const auto r = ParsePin("PIN", wrong);
        EXPECT_FALSE(r.ok) << wrong;
        EXPECT_NE(r.message.find("day 1..31, hour 0..23, minute 0..59"), std::string::npos);
        EXPECT_EQ(r.message.rfind("PIN: ", 0), 0u);
        EXPECT_EQ(r.message.find('\n'), std::string::npos);
    }
}

TEST(ExtendedText, TextsAreCutAtACharacterBoundaryAndSaySo)
{
    // PTYN goes through the RDS table: "ß" has a code, a Cyrillic letter is
    // transliterated or "?", and nine characters are cut to eight.
    const auto ptyn = ParseRdsLabel("PTYN", "Jazzbar");
    EXPECT_EQ(ptyn.value, "Jazzbar");
    EXPECT_TRUE(ptyn.message.empty());
    const auto longPtyn = ParseRdsLabel("PTYN", "Jazzbar 24");
    EXPECT_TRUE(longPtyn.ok);
    EXPECT_EQ(longPtyn.value, "Jazzbar ");
    EXPECT_EQ(longPtyn.message, "PTYN: cut to 8 characters of the RDS table");
    EXPECT_EQ(FormatRdsLabel(ParseRdsLabel("PTYN", "Müsik").value), "Müsik");

    // 31 ASCII bytes and then a 2-byte letter: the letter does not fit in 32.
    const std::string text = std::string(31, 'a') + "ж";
    const auto lps = ParseUtf8Text("LongPS", text, kLongPsBytes);
    EXPECT_TRUE(lps.ok);
    EXPECT_EQ(lps.value, std::string(31, 'a'));
    EXPECT_EQ(lps.message, "LongPS: cut to 32 bytes of UTF-8 at a character boundary (was 33)");
    // A letter ending exactly at the limit stays.
    EXPECT_EQ(CutUtf8(std::string(30, 'a') + "ж", 32), std::string(30, 'a') + "ж");
    // A 4-byte character astride the limit goes whole.
    EXPECT_EQ(CutUtf8("abc\xF0\x9F\x8E\xB5", 5), "abc");
    const auto ert = ParseUtf8Text("ERT", "Кино – Группа крови", kErtBytes);
    EXPECT_EQ(ert.value, "Кино – Группа крови");
    EXPECT_TRUE(ert.message.empty());
    // Latin-1 bytes from outside are read as Latin-1.
    EXPECT_EQ(ParseUtf8Text("ERT", "caf\xE9", kErtBytes).value, "café");
}

TEST(ExtendedText, AlternativeFrequencies)
{
    EXPECT_EQ(ParseAfMethod("AFMethod", "B").value, AfMethod::B);
    EXPECT_EQ(ParseAfMethod("AFMethod", "a").value, AfMethod::A);
    EXPECT_EQ(ParseAfMethod("AFMethod", "C").message, "AFMethod: 'C' is not an AF method (A or B)");

    const auto list = ParseAfMethodBList("AFB1", "98.5: 87.6 101.2 104.1R");
    ASSERT_TRUE(list.ok);
    ASSERT_TRUE(list.value.has_value());
    EXPECT_EQ(list.value->tuned, 110);
    ASSERT_EQ(list.value->alternatives.size(), 3u);
    EXPECT_EQ(list.value->alternatives[0], (AfMethodBEntry{1, false}));
    EXPECT_EQ(list.value->alternatives[2], (AfMethodBEntry{166, true}));
    EXPECT_EQ(FormatAfMethodBList(*list.value), "98.5: 87.6 101.2 104.1R");
    EXPECT_EQ(ParseAfMethodBList("AFB1", "  ").value, std::nullopt);
    EXPECT_TRUE(ParseAfMethodBList("AFB1", "98.5:").ok);
    for (const char* wrong : {"98.5 87.6", "108.0: 87.6", "98.5: 87.5", "98.5: 87.6X", "98.5: 1O7.9",
                              "98.5: 87.6 87.7 87.8 87.9 88.0 88.1 88.2 88.3 88.4 88.5 88.6 88.7 88.8"}) {
        const auto r = ParseAfMethodBList("AFB3", wrong);
        EXPECT_FALSE(r.ok) << wrong;
        EXPECT_EQ(r.message.rfind("AFB3: ", 0), 0u);
        EXPECT_NE(r.message.find("87.6..107.9"), std::string::npos);
    }

    const auto eonAf = ParseAfListA("EON1AF", "87.6 95.0 107.9");
    EXPECT_EQ(eonAf.value, (std::vector<std::uint8_t>{1, 75, 204}));
    EXPECT_EQ(FormatAfListA(eonAf.value), "87.6 95.0 107.9");
    EXPECT_TRUE(ParseAfListA("EON1AF", "").value.empty());
    EXPECT_FALSE(ParseAfListA("EON1AF", "87.6 200").ok);
}

TEST(ExtendedText, OtherNetworksAndTheRound)
{
    EXPECT_EQ(ParseOtherPi("EON1PI", "d3c4").value, 0xD3C4);
    EXPECT_EQ(FormatOtherPi(0xD3C4), "D3C4");
    EXPECT_EQ(ParseOtherPi("EON1PI", "").value, 0);
    EXPECT_EQ(ParseOtherPi("EON2PI", "D3C").message,
              "EON2PI: 'D3C' is not a PI (4 hexadecimal digits, 0001..FFFF; empty: none)");
    EXPECT_FALSE(ParseOtherPi("EON2PI", "0000").ok);
    EXPECT_EQ(ParseIntInRange("EON1PTY", "31", 0, 31).value, 31);
    EXPECT_EQ(ParseIntInRange("EON1PTY", "32", 0, 31).message, "EON1PTY: '32' is out of range (0..31)");
    EXPECT_FALSE(ParseIntInRange("EON1PTY", "-1", 0, 31).ok);
    EXPECT_TRUE(ParseSwitch("EON1TP", "1").value);
    EXPECT_FALSE(ParseSwitch("EON1TP", "yes").ok);

    const auto seq = ParseGroupSequence("GroupSequence", "0A 2A 0a 1A 12A U 15A");
    ASSERT_TRUE(seq.ok);
    EXPECT_EQ(seq.value, (std::vector<SequenceGroup>{SequenceGroup::G0A, SequenceGroup::G2A, SequenceGroup::G0A,
                                                     SequenceGroup::G1A, SequenceGroup::G12A, SequenceGroup::User,
                                                     SequenceGroup::G15A}));
    EXPECT_EQ(FormatGroupSequence(seq.value), "0A 2A 0A 1A 12A U 15A");
    EXPECT_TRUE(ParseGroupSequence("GroupSequence", "").value.empty());
    EXPECT_EQ(ParseGroupSequence("GroupSequence", "0A 2A 0A 1A 2A 0A 16A").message,
              "GroupSequence: '16A' at place 7 is not a group type (0A 1A 2A 3A 4A 10A 11A 12A 14A 15A U)");
    EXPECT_FALSE(ParseGroupSequence("GRPSEQ", "0B").ok);
}

TEST(ExtendedText, ErtFollowsTheRadiotextOnlyWhenAsked)
{
    ExtendedValues v;
    EXPECT_FALSE(ErtFollowsRadiotext(v, "Кино – Группа крови"));
    EXPECT_EQ(v.ert, "");
    v.ertFromRt = true;
    EXPECT_TRUE(ErtFollowsRadiotext(v, "Кино – Группа крови"));
    EXPECT_EQ(v.ert, "Кино – Группа крови");
    EXPECT_FALSE(ErtFollowsRadiotext(v, "Кино – Группа крови"));
    std::string longText;
    for (int i = 0; i < 70; ++i) longText += "ж";  // 140 bytes
    EXPECT_TRUE(ErtFollowsRadiotext(v, longText));
    EXPECT_EQ(v.ert.size(), 128u);
}


// The RDS level and phase as the network and the extension record take them,
// by the one rule that air's --rds-level and --rds-phase use too.
TEST(ExtendedText, RdsLevelAndPhaseInTenths)
{
    EXPECT_EQ(ParseRdsLevel("L", "4.5").value, 45);
    EXPECT_EQ(ParseRdsLevel("L", " 100 ").value, 1000);
    EXPECT_EQ(ParseRdsLevel("L", "0").value, 0);
    EXPECT_TRUE(ParseRdsLevel("L", "").ok);
    EXPECT_FALSE(ParseRdsLevel("L", "").value);
    for (const char* bad : {"100.1", "-0.1", "4.55", "4,5", "1e1", "nan", "inf", "4.5%", "x"})
        EXPECT_FALSE(ParseRdsLevel("L", bad).ok) << bad;
    EXPECT_EQ(ParseRdsPhase("P", "359.9").value, 3599);
    EXPECT_EQ(ParseRdsPhase("P", "90").value, 900);
    for (const char* bad : {"360", "-1", "0.05", "nan"})
        EXPECT_FALSE(ParseRdsPhase("P", bad).ok) << bad;
    EXPECT_EQ(FormatTenths(45), "4.5");
    EXPECT_EQ(FormatTenths(900), "90.0");
    EXPECT_EQ(FormatTenths(std::nullopt), "");
    // air's own checks agree.
    for (const double degrees : {0.0, 0.1, 90.0, 359.9, 360.0, -0.1, 12.34})
        EXPECT_EQ(air::CheckRdsPhase(degrees).empty(), RdsPhaseValid(degrees)) << degrees;
    EXPECT_TRUE(LevelInRange(100));
    EXPECT_FALSE(LevelInRange(100.01));
    EXPECT_FALSE(LevelInRange(-0.01));
}

// A radiotext known only as encoder bytes (the switching, a Send): the eRT
// stays where it is that radiotext in its own letters, else it follows the
// bytes' text.
TEST(ExtendedText, ErtFollowsTheEncoderBytesUnlessItIsTheirText)
{
    ExtendedValues v;
    v.ert = "Fixed";
    EXPECT_FALSE(ErtFollowsEncoderRadiotext(v, "Hello", Charset::Rds));
    EXPECT_EQ(v.ert, "Fixed");
    v.ertFromRt = true;
    EXPECT_TRUE(ErtFollowsEncoderRadiotext(v, RadiotextBytes("Hello"), Charset::Rds));
    EXPECT_EQ(v.ert, "Hello");  // without the blanks that fill the 64 bytes
    v.ert = "Кино – Группа крови";
    EXPECT_FALSE(ErtFollowsEncoderRadiotext(v, EncodeText(v.ert, Charset::Rds), Charset::Rds));
    EXPECT_FALSE(ErtFollowsEncoderRadiotext(v, EncodeText(v.ert, Charset::Latin1), Charset::Latin1));
    EXPECT_EQ(v.ert, "Кино – Группа крови");
    // Cut as a source text is (61 and "...") or at 64: still the same radiotext.
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "șa";  // 80 characters, 120 bytes; "sa" in the table
    v.ert = longText;
    std::string encoded = EncodeText(v.ert, Charset::Rds);
    ASSERT_EQ(encoded.size(), 80u);
    EXPECT_FALSE(ErtFollowsEncoderRadiotext(v, encoded.substr(0, 61) + "...", Charset::Rds));
    EXPECT_FALSE(ErtFollowsEncoderRadiotext(v, encoded.substr(0, 64), Charset::Rds));
    EXPECT_EQ(v.ert, longText);
    // The eRT cut at 128 bytes, shorter in the table than the radiotext was.
    longText.clear();
    for (int i = 0; i < 40; ++i) longText += "жа";  // 160 bytes; "??" in the table
    v.ert = CutUtf8(longText, kErtBytes);
    EXPECT_FALSE(ErtFollowsEncoderRadiotext(v, std::string(61, '?') + "...", Charset::Rds));
    EXPECT_EQ(v.ert, CutUtf8(longText, kErtBytes));
    EXPECT_TRUE(ErtFollowsEncoderRadiotext(v, std::string(60, '?') + "x...", Charset::Rds));
    // Another radiotext: its text in the set's letters.
    EXPECT_TRUE(ErtFollowsEncoderRadiotext(v, "Bj\x97rk", Charset::Rds));
    EXPECT_EQ(v.ert, "Björk");
}

} // namespace
} // namespace quorvan
