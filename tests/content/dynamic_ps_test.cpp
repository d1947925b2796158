#include "content/dynamic_ps.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(DynamicPSText, ModeZeroJoinsRowsUpToTheLastNonEmpty)
{
    TStationParams p;
    p.dynamicPs.RGDPS1M = 0;
    p.dynamicPs.DPS1[0] = "NEWS";
    p.dynamicPs.DPS1[2] = "SPORT";
    EXPECT_EQ(DynamicPSText(p), "NEWS            SPORT   ");
    p.dynamicPs.DPS1 = {};
    EXPECT_EQ(DynamicPSText(p), "");
}

TEST(DynamicPSText, ModeZeroCutsLongRowsInPlace)
{
    TStationParams p;
    p.dynamicPs.RGDPS1M = 0;
    p.dynamicPs.DPS1[0] = "ABCDEFGHIJ";
    EXPECT_EQ(DynamicPSText(p), "ABCDEFGH");
    EXPECT_EQ(p.dynamicPs.DPS1[0], "ABCDEFGH");
    for (auto& row : p.dynamicPs.DPS1) row = "123456789";
    EXPECT_EQ(DynamicPSText(p).size(), 72u);
}

TEST(DynamicPSText, OtherModesSendTheLongTextCutTo72)
{
    TStationParams p;
    p.dynamicPs.RGDPS1M = 2;
    p.dynamicPs.DPS1[0] = "IGNORED";
    p.dynamicPs.DPS1B = "Hello";
    EXPECT_EQ(DynamicPSText(p), "Hello");
    p.dynamicPs.DPS1B = std::string(100, 'x');
    EXPECT_EQ(DynamicPSText(p), std::string(72, 'x'));
    EXPECT_EQ(p.dynamicPs.DPS1[0], "IGNORED");
}

TEST(KeyInDpsRow, EightCharactersPerRowAndEnterWraps)
{
    EXPECT_FALSE(KeyInDpsRow('X', 0, "ABCDEFGH").accepted);
    EXPECT_TRUE(KeyInDpsRow('X', 0, "ABCDEFG").accepted);
    EXPECT_TRUE(KeyInDpsRow('\b', 0, "ABCDEFGHIJ").accepted);
    const auto enter = KeyInDpsRow('\r', 8, "");
    EXPECT_FALSE(enter.accepted);
    EXPECT_EQ(enter.row, 0);
    EXPECT_EQ(KeyInDpsRow('\r', 3, "").row, 4);
}

TEST(DPSRules, ModeAndFromFile)
{
    EXPECT_TRUE(DpsFieldsForMode(0).rows);
    EXPECT_FALSE(DpsFieldsForMode(0).text);
    EXPECT_FALSE(DpsFieldsForMode(3).rows);
    EXPECT_TRUE(DpsFieldsForMode(3).text);
    EXPECT_FALSE(DpsFieldsForSource(true, true).rows);
    EXPECT_FALSE(DpsFieldsForSource(true, true).text);
    EXPECT_TRUE(DpsFieldsForSource(true, false).rows);
    EXPECT_TRUE(DpsFieldsForSource(false, true).text);
}

TEST(DPSJustifyOptions, FromTheRadioButtons)
{
    TStationParams p;
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::Center);
    EXPECT_FALSE(DPSJustifyOptionsOf(p).fill);  // "Space" is chosen
    p.textSources.justification = Justification::Left;
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::Left);
    p.textSources.justification = Justification::None;
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::None);
    p.textSources.justification = Justification::Unset;  // none selected behaves as "(None)"
    EXPECT_EQ(DPSJustifyOptionsOf(p).justification, DPSJustification::None);
    p.textSources.fill = Fill::Custom;
    EXPECT_EQ(DPSJustifyOptionsOf(p).fill, '*');
}

} // namespace
} // namespace quorvan
