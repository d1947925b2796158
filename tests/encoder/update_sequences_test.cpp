#include "encoder/encoder_rig.h"
#include "encoder/update_sequences.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

TEST(RadiotextUpdate, ClearsControlWithTheTextThenEnablesIt)
{
    EncoderRig rig;
    rig.encoder.poke(0x1F, {0x01});
    EXPECT_EQ(SendRadiotextUpdate(rig.link, "Hello", 3), Outcome::Ready);
    ASSERT_EQ(rig.transactions(), 2u);
    EXPECT_EQ(rig.ramAfter(0, 0x1F, 1), "00");
    EXPECT_EQ(rig.ramAfter(0, 0x20, 64), TextHex("Hello") + " " + Fill("20", 59));
    EXPECT_EQ(rig.ram(0x1F, 1), "03");
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST(RadiotextUpdate, LongTextIsCutAt64AndNothingBeyondIsTouched)
{
    EncoderRig rig;
    rig.encoder.poke(0x60, {0x01, 0x40});
    SendRadiotextUpdate(rig.link, std::string(70, 'x'), 1);
    EXPECT_EQ(rig.ramText(0x20, 64), std::string(64, 'x'));
    EXPECT_EQ(rig.ram(0x60, 2), "01 40");
}

TEST(DynamicPSUpdate, TextThenClosingSpaceThenLength)
{
    EncoderRig rig;
    rig.encoder.poke(0x76, {0x10});
    EXPECT_EQ(SendDynamicPSUpdate(rig.link, "RADIO ONE"), Outcome::Ready);
    ASSERT_EQ(rig.transactions(), 2u);
    EXPECT_EQ(rig.ramAfter(0, 0x76, 1), "00");
    EXPECT_EQ(rig.ram(0x76, 11), "09 " + TextHex("RADIO ONE") + " 20");
}

TEST(DynamicPSUpdate, SeventyTwoCharactersPutTheSpaceAtTheEndOfTheImage)
{
    EncoderRig rig;
    SendDynamicPSUpdate(rig.link, std::string(80, 'A'), 80);
    EXPECT_EQ(rig.ram(0x76, 1), "48");
    EXPECT_EQ(rig.ramText(0x77, 72), std::string(72, 'A'));
    EXPECT_EQ(rig.ram(0xBF, 1), "20");
}

TEST(DynamicPSUpdate, LengthNeverRunsPastTheWrittenText)
{
    EncoderRig rig;
    SendDynamicPSUpdate(rig.link, "ABC", 40);
    EXPECT_EQ(rig.ram(0x76, 1), "03");
    SendDynamicPSUpdate(rig.link, "ABC", -5);
    EXPECT_EQ(rig.ram(0x76, 1), "00");
}

TEST(UpdateSequences, NoEncoderEndsNotReady)
{
    EncoderRig rig;
    rig.encoder.setPower(false);
    EXPECT_EQ(SendRadiotextUpdate(rig.link, "x", 1), Outcome::NotReady);
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
    EXPECT_EQ(SendDynamicPSUpdate(rig.link, "x"), Outcome::NotReady);
}

TEST(UpdateSequences, WorkOnTheSerialLinesToo)
{
    EncoderRig rig(Wiring::Serial);
    EXPECT_EQ(SendDynamicPSUpdate(rig.link, "SERIAL"), Outcome::Ready);
    EXPECT_EQ(rig.ram(0x76, 1), "06");
    EXPECT_EQ(rig.ramText(0x77, 7), "SERIAL ");
}

} // namespace
} // namespace quorvan::test
