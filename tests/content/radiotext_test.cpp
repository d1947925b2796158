#include "content/radiotext.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TStationParams texts(const char* t1, const char* t2, const char* t3, const char* t4)
{
    TStationParams p;
    p.radiotext.RT1 = t1;
    p.radiotext.RT2 = t2;
    p.radiotext.RT3 = t3;
    p.radiotext.RT4 = t4;
    return p;
}

TEST(Radiotext, CurrentTextAndType)
{
    TStationParams p = texts("one", "two", "", "");
    EXPECT_EQ(ActualRT(p), "one");
    EXPECT_EQ(ActualRTType(p), 0);
    SelectRadiotext(p, 1);
    p.radiotext.CBRTT2 = 1;
    EXPECT_EQ(ActualRT(p), "two");
    EXPECT_EQ(ActualRTType(p), 1);
    EXPECT_EQ(p.radiotext.selected, RadiotextSelection::RT2);
    p.radiotext.CBRTEN = true;
    EXPECT_EQ(RadiotextControl(p), 3);
    p.radiotext.CBRTEN = false;
    EXPECT_EQ(RadiotextControl(p), 2);
    SelectRadiotext(p, -1);  // no button on
    EXPECT_EQ(ActualRT(p), "");
    EXPECT_EQ(ActualRTType(p), 0);
    EXPECT_EQ(RadiotextUpdateControl(1), 3);
    EXPECT_EQ(RadiotextUpdateControl(0), 1);
}

TEST(Radiotext, PaddedTo64)
{
    EXPECT_EQ(RadiotextBytes("Hello"), "Hello" + std::string(59, ' '));
    EXPECT_EQ(RadiotextBytes(std::string(100, 'x')), std::string(64, 'x'));
    EXPECT_EQ(RadiotextBytes("").size(), 64u);
}

TEST(RadiotextSwitching, AlternatesBetweenNonEmptyTexts)
{
    TStationParams p = texts("first", "", "third", "");
    ASSERT_TRUE(AdvanceRadiotext(p));
    EXPECT_EQ(ActualRTIndex(p), 2);
    ASSERT_TRUE(AdvanceRadiotext(p));
    EXPECT_EQ(ActualRTIndex(p), 0);
}

TEST(RadiotextSwitching, OnlyTheCurrentTextWritesNothing)
{
    TStationParams p = texts("only", "", "", "");
    EXPECT_FALSE(AdvanceRadiotext(p));
    EXPECT_EQ(ActualRTIndex(p), 0);
    TStationParams none = texts("", "", "", "");
    SelectRadiotext(none, 2);
    EXPECT_FALSE(AdvanceRadiotext(none));
    EXPECT_EQ(ActualRTIndex(none), 2);
}

TEST(RadiotextSwitching, SpacesAreNotEmptyAndNoSelectionStartsAtOne)
{
    TStationParams p = texts("a", "   ", "", "");
    EXPECT_EQ(NextRadiotext(p), 1);
    SelectRadiotext(p, -1);
    EXPECT_EQ(NextRadiotext(p), 0);
    TStationParams last = texts("", "", "", "four");
    SelectRadiotext(last, -1);
    EXPECT_EQ(NextRadiotext(last), 3);
}

TEST(RadiotextSwitching, PeriodAndTimerRule)
{
    EXPECT_EQ(RadiotextSwitchPeriodMs(0), 30'000);
    EXPECT_EQ(RadiotextSwitchPeriodMs(5), 300'000);
    EXPECT_EQ(RadiotextSwitchPeriodMs(240), 14'400'000);
    EXPECT_EQ(RadiotextSwitchPeriodMs(1000), 14'400'000);
    EXPECT_EQ(RadiotextSwitchUnitText(0), ".5 min");
    EXPECT_EQ(RadiotextSwitchUnitText(1), "min");
    TStationParams p;
    p.radiotext.RTSA = true;
    EXPECT_FALSE(RadiotextSwitchingRuns(p));
    p.radiotext.CBRTEN = true;
    EXPECT_TRUE(RadiotextSwitchingRuns(p));
    p.radiotext.RTSA = false;
    EXPECT_FALSE(RadiotextSwitchingRuns(p));
}

} // namespace
} // namespace quorvan

namespace quorvan {
namespace {

// The A/B flag of a new radiotext: toggled against the one on air, kept for
// the same text, the chosen type without the setting or without knowledge.
TEST(RadiotextAB, ANewTextTogglesTheFlagOnAir)
{
    RadiotextOnAir onAir;
    EXPECT_EQ(RadiotextTypeFor(onAir, true, "First", 1), 1);  // nothing known: as chosen
    EXPECT_EQ(RadiotextTypeFor(onAir, true, "Second", 1), 0);
    EXPECT_EQ(RadiotextTypeFor(onAir, true, "Second" + std::string(58, ' '), 1), 0);  // the same 64 bytes
    EXPECT_EQ(RadiotextTypeFor(onAir, true, "Third", 0), 1);
    EXPECT_EQ(*onAir.bytes, RadiotextBytes("Third"));
    EXPECT_EQ(RadiotextTypeFor(onAir, false, "Fourth", 0), 0);
    EXPECT_EQ(RadiotextTypeFor(onAir, false, "Fifth", 0), 0);

    TStationParams params;
    params.radiotext.ToggleAB = true;
    EXPECT_EQ(NewRadiotextControl(params, onAir, "Sixth", 0), 3);  // type B, enabled
}

} // namespace
} // namespace quorvan
