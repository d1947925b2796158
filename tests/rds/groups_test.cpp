// Block layouts of the groups against groups worked out by hand from
// EN 50067:1998, and the AF list in method A.
#include "rds/groups.h"

#include "encoder/image_decode.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quorvan::rds {
namespace {

image::ImageBytes Blank()
{
    image::ImageBytes ram{};
    std::memset(ram.data() + image::kPS, ' ', image::kPSLength);
    std::memset(ram.data() + image::kRT, ' ', image::kRTLength);
    return ram;
}

PSValue PS(const char* eight)
{
    PSValue v;
    std::memcpy(v.data(), eight, 8);
    return v;
}

// PI 6204, PTY 9, TA on, speech, DI stereo only, PS "YLE X3M ".
TEST(RdsGroups, Group0AKnownAnswer)
{
    image::ImageBytes ram = Blank();
    ram[image::kPI] = 0x62;
    ram[image::kPI + 1] = 0x04;
    ram[image::kPTY] = 9;
    ram[image::kTA] = 1;
    ram[image::kMS] = 0;
    ram[image::kDI] = 0x01;
    const std::uint16_t want[4][2] = {{0x0130, 0x594C}, {0x0131, 0x4520}, {0x0132, 0x5833}, {0x0137, 0x4D20}};
    for (int s = 0; s < 4; ++s) {
        const Group g = Group0A(ram, s, PS("YLE X3M "), 0xE0CD);
        EXPECT_EQ(g.blocks[0], 0x6204);
        EXPECT_EQ(g.blocks[1], want[s][0]) << "segment " << s;
        EXPECT_EQ(g.blocks[2], 0xE0CD);
        EXPECT_EQ(g.blocks[3], want[s][1]) << "segment " << s;
        EXPECT_EQ(g.typeName(), "0A");
    }
    EXPECT_EQ(Group0A(ram, 3, PS("YLE X3M "), 0xE0CD).hex(), "6204 0137 E0CD 4D20");

    // Every other flag on its own bit: TP (bit 10), music (bit 3), Dynamic PTY
    // in segment 0, compressed in segment 1, artificial head in segment 2.
    ram[image::kTA] = 0;
    ram[image::kPTY] = 0;
    ram[image::kDI] = 0x0E;
    ram[image::kTP] = 1;
    ram[image::kMS] = 1;
    EXPECT_EQ(Group0A(ram, 0, PS("        "), 0).blocks[1], 0x040C);
    EXPECT_EQ(Group0A(ram, 1, PS("        "), 0).blocks[1], 0x040D);
    EXPECT_EQ(Group0A(ram, 2, PS("        "), 0).blocks[1], 0x040E);
    EXPECT_EQ(Group0A(ram, 3, PS("        "), 0).blocks[1], 0x040B);
}

// 2017-04-04 (MJD 57847) 21:43 UTC, local offset +2 h, PTY 14, TP off.
TEST(RdsGroups, Group4AKnownAnswer)
{
    image::ImageBytes ram = Blank();
    ram[image::kPI] = 0xD3;
    ram[image::kPI + 1] = 0xA2;
    ram[image::kPTY] = 14;
    const auto bytes = PackClockTime({57847, 21, 43, false, 4});
    const Group g = ClockTimeGroup(ram, {0x40, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4]});
    EXPECT_EQ(g.hex(), "D3A2 41C1 C3EF 5AC4");

    // A negative offset sets bit 5 of block 4; TP shows in block 2.
    ram[image::kTP] = 1;
    const auto west = PackClockTime({53736, 4, 30, true, 10});  // 2006-01-01 04:30 UTC, -5 h
    EXPECT_EQ(ClockTimeGroup(ram, {0x40, west[0], west[1], west[2], west[3], west[4]}).hex(), "D3A2 45C1 A3D0 47AA");
}

TEST(RdsGroups, Group2ACarriesFourCharactersAndTheFlag)
{
    image::ImageBytes ram = Blank();
    ram[image::kPI] = 0x12;
    ram[image::kPI + 1] = 0x34;
    ram[image::kPTY] = 1;
    std::memcpy(ram.data() + image::kRT, "Hello world", 11);
    std::memcpy(ram.data() + image::kRT + 60, "WXYZ", 4);
    ram[image::kRTControl] = 0x01;  // on, type A
    EXPECT_EQ(Group2A(ram, 0).hex(), "1234 2020 4865 6C6C");
    EXPECT_EQ(Group2A(ram, 2).hex(), "1234 2022 726C 6420");
    ram[image::kRTControl] = 0x03;  // type B
    EXPECT_EQ(Group2A(ram, 15).hex(), "1234 203F 5758 595A");
}

TEST(RdsGroups, UserGroupLaysOutItsBytes)
{
    image::ImageBytes ram = Blank();
    ram[image::kPI] = 0xC2;
    ram[image::kPI + 1] = 0x01;
    ram[image::kPTY] = 3;
    ram[image::kTP] = 1;
    const std::uint8_t bytes[5] = {0xFF, 0x12, 0x34, 0x56, 0x78};  // Byte 4 keeps its low five bits
    std::memcpy(ram.data() + image::kUDGBytes, bytes, 5);
    ram[image::kUDGType] = 3 * 16;  // 3A
    EXPECT_EQ(UserGroup(ram).hex(), "C201 347F 1234 5678");
    ram[image::kUDGType] = 11 * 16 + 8;  // 11B: block 3 repeats the PI
    const Group b = UserGroup(ram);
    EXPECT_EQ(b.hex(), "C201 BC7F C201 5678");
    EXPECT_EQ(b.typeName(), "11B");
}

TEST(RdsGroups, AFMethodA)
{
    EXPECT_EQ(AFMethodA({}), (std::vector<std::uint16_t>{0xE0CD}));
    EXPECT_EQ(AFMethodA({1}), (std::vector<std::uint16_t>{0xE101}));
    EXPECT_EQ(AFMethodA({1, 125}), (std::vector<std::uint16_t>{0xE201, 0x7DCD}));
    std::vector<std::uint8_t> fifteen;
    for (int i = 1; i <= 15; ++i)
        fifteen.push_back(static_cast<std::uint8_t>(i * 10));
    EXPECT_EQ(AFMethodA(fifteen), (std::vector<std::uint16_t>{0xEF0A, 0x141E, 0x2832, 0x3C46, 0x505A, 0x646E,
                                                              0x7882, 0x8C96}));

    // From the image: the count byte decides, bytes that are no frequency are
    // left out instead of being read as a filler or a count, and a count
    // above 15 sends the empty list.
    image::ImageBytes ram = Blank();
    const std::uint8_t codes[4] = {0x01, 0xCD, 0xE3, 0xCC};
    std::memcpy(ram.data() + image::kAFCodes, codes, 4);
    ram[image::kAFCount] = 4;
    EXPECT_EQ(AFCodesOf(ram), (std::vector<std::uint8_t>{0x01, 0xCC}));
    ram[image::kAFCount] = 1;
    EXPECT_EQ(AFCodesOf(ram), (std::vector<std::uint8_t>{0x01}));
    ram[image::kAFCount] = 16;
    EXPECT_TRUE(AFCodesOf(ram).empty());
}

} // namespace
} // namespace quorvan::rds
