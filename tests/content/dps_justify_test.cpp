#include "content/dynamic_ps.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvan {
namespace {

// Readable label literals: a middle dot stands for a space and " | "
// separates the 8-character labels.
std::string L(std::string text)
{
    for (std::size_t at; (at = text.find(" | ")) != std::string::npos;) text.erase(at, 3);
    for (std::size_t at; (at = text.find("\u00B7")) != std::string::npos;) text.replace(at, 2, " ");
    return text;
}

const DPSJustifyOptions kLeft{DPSJustification::Left, std::nullopt};
const DPSJustifyOptions kCenter{DPSJustification::Center, std::nullopt};
const DPSJustifyOptions kCenterStar{DPSJustification::Center, '*'};
const DPSJustifyOptions kNoneStar{DPSJustification::None, '*'};

struct JustifyCase {
    const char* text;
    const char* left;
    const char* center;
    const char* centerStar;
};

TEST(DPSJustify, WorkedExamples)
{
    const JustifyCase cases[] = {
        {"HELLO·WORLD", "HELLO··· | WORLD", "·HELLO·· | ·WORLD··", "*HELLO** | *WORLD**"},
        {"··RADIO·ONE·FM", "RADIO··· | ONE·FM", "·RADIO·· | ·ONE·FM·", "*RADIO** | *ONE·FM*"},
        {"NEWS·AT·TEN", "NEWS·AT· | TEN", "NEWS·AT· | ··TEN···", "NEWS·AT* | **TEN***"},
        {"A·VERYLONGWORD·HERE", "A······· | VERYLONG | WORD···· | HERE",
         "···A···· | VERYLONG | ··WORD·· | ··HERE··", "***A**** | VERYLONG | **WORD** | **HERE**"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DPSJustify(L(c.text), kLeft), L(c.left));
        EXPECT_EQ(DPSJustify(L(c.text), kCenter), L(c.center));
        EXPECT_EQ(DPSJustify(L(c.text), kCenterStar), L(c.centerStar));
    }
}

TEST(DPSJustify, NoneOnlyFillsWholeLabels)
{
    EXPECT_EQ(DPSJustify(L("··RADIO·ONE·FM"), kNoneStar), L("**RADIO* | ONE·FM"));
    EXPECT_EQ(DPSJustify(L("··RADIO·ONE·FM"), DPSJustifyOptions{DPSJustification::None, std::nullopt}),
              L("··RADIO·ONE·FM"));
}

TEST(DPSJustify, LongTextEndsInEllipsisAt72)
{
    const std::string text =
        L("THE·QUICK·BROWN·FOX·JUMPS·OVER·THE·LAZY·DOG·AND·THEN·RUNS·AWAY·FROM·THE·ANGRY·FARMER");
    const std::string out = DPSJustify(text, kLeft);
    EXPECT_EQ(out, L("THE····· | QUICK··· | BROWN··· | FOX····· | JUMPS··· | OVER·THE | LAZY·DOG | "
                     "AND·THEN | RUNS·..."));
    EXPECT_EQ(out.size(), 72u);
    EXPECT_EQ(DPSJustify(std::string(73, 'X'), DPSJustifyOptions{DPSJustification::None, std::nullopt}),
              std::string(69, 'X') + "...");
    EXPECT_EQ(DPSJustify(std::string(72, 'X'), kCenter), std::string(72, 'X'));
}

TEST(DPSJustify, SixteenCharacterWordWhateverTheJustification)
{
    for (const auto& options : {kLeft, kCenter, kCenterStar, kNoneStar})
        EXPECT_EQ(DPSJustify("ABCDEFGHIJKLMNOP", options), "ABCDEFGHIJKLMNOP");
}

TEST(DPSJustify, EmptyCustomCharacterDisablesTheFill)
{
    TStationParams p;
    p.textSources.fill = Fill::Custom;
    p.textSources.ECUSCH = "";
    const auto options = DPSJustifyOptionsOf(p);
    EXPECT_FALSE(options.fill.has_value());
    EXPECT_EQ(DPSJustify(L("HELLO·WORLD"), options), L("·HELLO·· | ·WORLD··"));
    p.textSources.ECUSCH = "#";
    EXPECT_EQ(DPSJustify(L("HELLO·WORLD"), DPSJustifyOptionsOf(p)), L("#HELLO## | #WORLD##"));
}

TEST(DPSJustify, SplitWordMovesIntoTheNextLabel)
{
    EXPECT_EQ(DPSJustify(L("AB·CDEFGHIJ"), kLeft), L("AB······ | CDEFGHIJ"));
    // A word longer than a label is cut at the next boundary that holds no space.
    EXPECT_EQ(DPSJustify(L("ABCDEFGHIJKL·MN"), kLeft), L("ABCDEFGH | IJKL·MN"));
}

TEST(DPSJustify, DegenerateTexts)
{
    EXPECT_EQ(DPSJustify("", kLeft), "");
    EXPECT_EQ(DPSJustify("", kCenterStar), "");
    EXPECT_EQ(DPSJustify(" ", kLeft), " ");
    // Only spaces: leading spaces collapse to one character per label.
    EXPECT_EQ(DPSJustify(std::string(100, ' '), kLeft), " ");
    EXPECT_EQ(DPSJustify(std::string(100, ' '), kCenterStar), "********");
    // A huge text of spaces ending in one word does not take quadratic time
    // and keeps the word.
    const std::string longSpaces = std::string(100000, ' ') + "WORD";
    EXPECT_EQ(DPSJustify(longSpaces, kLeft), "WORD");
    const std::string nul("A\0B C", 5);
    EXPECT_EQ(DPSJustify(nul, kLeft), nul);
    // 8-bit bytes are letters like any other; only 0x20 is a space.
    EXPECT_EQ(DPSJustify("\xC4\xA0\xFF \xE9\xE9\xE9\xE9\xE9\xE9", kLeft), "\xC4\xA0\xFF     \xE9\xE9\xE9\xE9\xE9\xE9");
}

TEST(DPSRows, SplitsIntoNineRowsOfEight)
{
    const auto rows = DPSRowsFromText(L("·HELLO·· | ·WORLD··"));
    EXPECT_EQ(rows[0], " HELLO  ");
    EXPECT_EQ(rows[1], " WORLD  ");
    for (int r = 2; r < kDPS1Rows; ++r) EXPECT_TRUE(rows[r].empty());
    const auto shortLast = DPSRowsFromText("ABCDEFGHIJ");
    EXPECT_EQ(shortLast[1], "IJ");
}

TEST(DPSRows, FromFileFillsTextAndJustifiedRows)
{
    TStationParams p;  // Center, fill Space
    SetDynamicPSFromFile(p, "NEWS AT TEN");
    EXPECT_EQ(p.dynamicPs.DPS1B, "NEWS AT TEN");
    EXPECT_EQ(p.dynamicPs.DPS1[0], "NEWS AT ");
    EXPECT_EQ(p.dynamicPs.DPS1[1], "  TEN   ");
    EXPECT_TRUE(p.dynamicPs.DPS1[2].empty());
}

} // namespace
} // namespace quorvan
