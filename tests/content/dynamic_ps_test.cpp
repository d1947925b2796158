#include "content/dynamic_ps.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(DynamicPSText, ModeZeroJoinsRowsUpToTheLastNonEmpty)
{
    TStationParams p;
    p.RGDPS1M = 0;
    p.DPS1[0] = "NEWS";
    p.DPS1[2] = "SPORT";
    EXPECT_EQ(DynamicPSText(p), "NEWS            SPORT   ");
    p.DPS1 = {};
    EXPECT_EQ(DynamicPSText(p), "");
}

TEST(DynamicPSText, ModeZeroCutsLongRowsInPlace)
{
    TStationParams p;
    p.RGDPS1M = 0;
    p.DPS1[0] = "ABCDEFGHIJ";
    EXPECT_EQ(DynamicPSText(p), "ABCDEFGH");
    EXPECT_EQ(p.DPS1[0], "ABCDEFGH");
    for (auto& row : p.DPS1) row = "123456789";
    EXPECT_EQ(DynamicPSText(p).size(), 72u);
}

TEST(DynamicPSText, OtherModesSendTheLongTextCutTo72)
{
    TStationParams p;
    p.RGDPS1M = 2;
    p.DPS1[0] = "IGNORED";
    p.DPS1B = "Hello";
    EXPECT_EQ(DynamicPSText(p), "Hello");
    p.DPS1B = std::string(100, 'x');
    EXPECT_EQ(DynamicPSText(p), std::string(72, 'x'));
    EXPECT_EQ(p.DPS1[0], "IGNORED");
}

TEST(DPS1KeyPress, EightCharactersPerRowAndEnterWraps)
{
    EXPECT_FALSE(DPS1KeyPress('X', 0, "ABCDEFGH").accepted);
    EXPECT_TRUE(DPS1KeyPress('X', 0, "ABCDEFG").accepted);
    EXPECT_TRUE(DPS1KeyPress('\b', 0, "ABCDEFGHIJ").accepted);
    const auto enter = DPS1KeyPress('\r', 8, "");
    EXPECT_FALSE(enter.accepted);
    EXPECT_EQ(enter.row, 0);
    EXPECT_EQ(DPS1KeyPress('\r', 3, "").row, 4);
}

TEST(DPSRules, ModeAndFromFile)
{
    EXPECT_TRUE(RGDPS1MClick(0).rows);
    EXPECT_FALSE(RGDPS1MClick(0).text);
    EXPECT_FALSE(RGDPS1MClick(3).rows);
    EXPECT_TRUE(RGDPS1MClick(3).text);
    EXPECT_FALSE(DPS1ENClick(true, true).rows);
    EXPECT_FALSE(DPS1ENClick(true, true).text);
    EXPECT_TRUE(DPS1ENClick(true, false).rows);
    EXPECT_TRUE(DPS1ENClick(false, true).text);
}

TEST(DPSJustifyOptions, FromTheRadioButtons)
{
    TStationParams p;
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::Center);
    EXPECT_FALSE(DPSJustifyOptionsOf(p).fill);  // "Space" is chosen
    p.RBJUST2 = false;
    p.RBJUST1 = true;
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::Left);
    p.RBJUST1 = false;  // none selected behaves as "(None)"
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::None);
    p.RBFILCU = true;
    EXPECT_EQ(DPSJustifyOptionsOf(p).fill, '*');
}

} // namespace
} // namespace quorvan
