#include "content/pi.h"
#include "content/pty.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(KeyInPi, PassesHexDigitsAndBackspaceOnly)
{
    EXPECT_EQ(KeyInPi('d'), 'D');
    EXPECT_EQ(KeyInPi('a'), 'A');
    EXPECT_EQ(KeyInPi('F'), 'F');
    EXPECT_EQ(KeyInPi('7'), '7');
    EXPECT_EQ(KeyInPi('\b'), '\b');
    for (char c : {'g', 'x', 'G', ' ', '.', ',', '-', '\0', '\r', '\t', '\x7f'})
        EXPECT_FALSE(KeyInPi(c).has_value()) << int(c);
    for (int c = 0x80; c <= 0xFF; ++c) EXPECT_FALSE(KeyInPi(static_cast<char>(c)).has_value());
}

TEST(MakeHEX, NormalisesToTheDigitCount)
{
    EXPECT_EQ(MakeHEX("12", 4), "0012");
    EXPECT_EQ(MakeHEX("", 4), "0000");
    EXPECT_EQ(MakeHEX("1A", 4), "001A");
    EXPECT_EQ(MakeHEX("12ab", 4), "12FF");
    EXPECT_EQ(MakeHEX("12345", 4), "2345");
    EXPECT_EQ(MakeHEX("12G4", 4), "12F4");
    EXPECT_EQ(MakeHEX("5", 2), "05");
    EXPECT_EQ(MakeHEX("xy", 2), "FF");
    // A cut text is not checked; its value reads a stray character as F.
    EXPECT_EQ(MakeHEX("1234g", 4), "234g");
    EXPECT_EQ(PIValue("1234g"), 0x234F);
    EXPECT_EQ(MakeHEX(std::string("\0\xff", 2), 2), "FF");
    EXPECT_EQ(MakeHEX("abc", 0), "");
    EXPECT_EQ(MakeHEX("abc", -3), "");
}

TEST(PI, ExitAndBytes)
{
    TStationParams p;
    p.program.PI = "12";
    PIExit(p);
    EXPECT_EQ(p.program.PI, "0012");
    p.program.PI = "";
    PIExit(p);
    EXPECT_EQ(p.program.PI, "0000");
    EXPECT_EQ(PIHighByte("1A2B"), 0x1A);
    EXPECT_EQ(PILowByte("1A2B"), 0x2B);
    EXPECT_EQ(PIValue("FFFF"), 0xFFFF);
    EXPECT_EQ(PIText(0x0A5C), "0A5C");
    EXPECT_EQ(HexTextValue(std::string(100000, '1')), 0x11111111u);
}

TEST(PTY, NameTablesInThreeCodings)
{
    EXPECT_EQ(PTYNameTable().size(), 96u);
    EXPECT_EQ(PTYName(kPTYEuropean, 24), "Jazz");
    EXPECT_EQ(PTYName(kPTYRBDS, 24), "(24)");
    EXPECT_EQ(PTYName(kPTYNumbered, 24), "(24)");
    EXPECT_EQ(PTYName(kPTYEuropean, 31), "Alarm!");
    EXPECT_EQ(PTYName(kPTYRBDS, 31), "ALERT !");
    EXPECT_EQ(PTYName(kPTYNumbered, 31), "(31)");
    EXPECT_EQ(PTYName(kPTYEuropean, 0), "(none)");
    EXPECT_EQ(PTYName(kPTYNumbered, 0), "(0)");
    EXPECT_EQ(PTYName(kPTYRBDS, 29), "Weather");
    EXPECT_EQ(PTYName(kPTYRBDS, 16), "R & B");
    EXPECT_EQ(PTYName(7, 1), "News");  // unknown coding reads as European
    EXPECT_EQ(PTYName(0, 32), "");
    EXPECT_EQ(PTYName(0, -1), "");
}

TEST(PTY, RebuildKeepsTheSelectedCode)
{
    const PTYList us = PtyListForCoding(kPTYRBDS, 24);
    EXPECT_EQ(us.selected, 24);
    EXPECT_EQ(us.items[24], "(24)");
    EXPECT_EQ(us.items[2], "Inform");
    const PTYList eu = PtyListForCoding(kPTYEuropean, 24);
    EXPECT_EQ(eu.items[24], "Jazz");
    EXPECT_EQ(eu.items.size(), 32u);
}

} // namespace
} // namespace quorvan
