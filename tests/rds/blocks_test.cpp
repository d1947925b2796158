// Check words and offset words: blocks worked out by hand, and every group
// kind of the stream found again by a receiver's syndrome search.
#include "rds/blocks.h"

#include "air/test_demodulator.h"
#include "rds/generator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace quorvan::rds {
namespace {

TEST(Blocks, CheckWordsWorkedOutByHand)
{
    // No information bits: the check word is the offset word alone.
    EXPECT_EQ(CheckWord(0x0000, kOffsetA), 0x0FC);
    EXPECT_EQ(CheckWord(0x0000, 0), 0x000);
    // 1 * x^10 mod g = x^8 + x^7 + x^5 + x^4 + x^3 + 1.
    EXPECT_EQ(CheckWord(0x0001, 0), 0b0110111001);
    // x^11 = x * x^10: the remainder above shifted once, still below x^10.
    EXPECT_EQ(CheckWord(0x0002, 0), 0b1101110010);
    // x^12: shifted once more, 0b11011100100 reaches x^10, so g is subtracted:
    // 0b11011100100 ^ 0b10110111001 = 0b01101011101.
    EXPECT_EQ(CheckWord(0x0004, 0), 0b1101011101);
    // The code is linear: the check word of a sum is the sum of the check words.
    EXPECT_EQ(CheckWord(0x0007, 0), 0b0110111001 ^ 0b1101110010 ^ 0b1101011101);
    // Offsets add last: PI 0x6204 in block 1 and the same word in block 2 differ by A ^ B.
    EXPECT_EQ(CheckWord(0x6204, kOffsetA) ^ CheckWord(0x6204, kOffsetB), kOffsetA ^ kOffsetB);
    EXPECT_EQ(Block(0x0001, kOffsetD), (0x0001u << 10) | (0b0110111001 ^ kOffsetD));
}

TEST(Blocks, EverySyndromeIsItsOffsetAndASingleErrorIsCaught)
{
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        const auto info = static_cast<std::uint16_t>(random());
        for (std::uint16_t offset : {kOffsetA, kOffsetB, kOffsetC, kOffsetCPrime, kOffsetD}) {
            const std::uint32_t block = Block(info, offset);
            ASSERT_EQ(test::Syndrome(block), offset);
            // A burst of up to ten bits never leaves a valid block (B.2.1).
            const std::uint32_t burst = (random() % 1023 + 1) << (random() % 17);
            EXPECT_NE(test::Syndrome(block ^ burst), offset);
        }
    }
}

TEST(Blocks, AReceiverFindsEveryGroupOfTheStreamBySyndrome)
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0xD3;
    ram[image::kPI + 1] = 0xA2;
    std::memcpy(ram.data() + image::kPS, "QUORVAN ", 8);
    std::memset(ram.data() + image::kRT, 'x', image::kRTLength);
    ram[image::kRTControl] = 0x01;
    ram[image::kUDGEnable] = 1;
    ram[image::kUDGType] = 0x78;  // 7B: block 3 takes C'
    GroupGenerator generator;
    std::vector<Group> sent;
    // Seven stray bits first: sync has to be found, not assumed.
    std::vector<std::uint8_t> bits = {1, 0, 1, 1, 0, 0, 1};
    for (int n = 0; n < 40; ++n) {
        sent.push_back(generator.Next(ram));
        for (std::uint32_t block : GroupBlocks(sent.back()))
            for (int b = 25; b >= 0; --b)
                bits.push_back(static_cast<std::uint8_t>((block >> b) & 1));
    }
    const test::Decoded d = test::GroupsFromBits(bits);
    EXPECT_EQ(d.firstGroupBit, 7);
    EXPECT_EQ(d.badGroups, 0);
    EXPECT_EQ(d.groups, sent);
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](const Group& g) { return g.versionB(); }));
}

} // namespace
} // namespace quorvan::rds
