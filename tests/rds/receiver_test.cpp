// What a radio makes of the groups beyond the chip's: 1A, 10A, 15A, eRT over
// its ODA, AF method B and the other networks, from groups written by hand
// from the block layouts of IEC 62106-2 and EN 50067:1998.
#include "rds/receiver.h"

#include "support/hex_group.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace quorvan::rds {
namespace {

using test::HexGroup;
using test::TextGroup;

TEST(ReceiverExtended, ReadsCountryLanguageAndProgrammeItemFrom1A)
{
    Receiver rx;
    EXPECT_EQ(rx.country(), "");
    // Variant 0: ECC E0 under a PI of nibble D; block 4: day 15, 09:30.
    rx.Take(HexGroup("D3C2 1000 00E0 7A5E"));
    ASSERT_TRUE(rx.ecc);
    EXPECT_EQ(*rx.ecc, 0xE0);
    EXPECT_EQ(rx.country(), "Germany");
    ASSERT_TRUE(rx.pin);
    EXPECT_EQ(*rx.pin, (ProgrammeItem{15, 9, 30}));
    EXPECT_FALSE(rx.lic);
    // Variant 3: LIC 08 (German); block 4 zero is no programme item.
    rx.Take(HexGroup("D3C2 1000 3008 0000"));
    ASSERT_TRUE(rx.lic);
    EXPECT_EQ(*rx.lic, 0x08);
    EXPECT_FALSE(rx.pin);
    EXPECT_EQ(*rx.ecc, 0xE0) << "a variant 3 group leaves the ECC";
    // The same ECC under another nibble is another country; ECC 00 is none.
    rx.Take(HexGroup("C201 1000 00E1 0000"));
    EXPECT_EQ(rx.country(), "United Kingdom");
    rx.Take(HexGroup("F201 1000 0000 0000"));
    EXPECT_EQ(rx.country(), "France");
    // A PIN out of range (hour 25) is none.
    rx.Take(HexGroup("F201 1000 00E1 7E5E"));
    EXPECT_FALSE(rx.pin);
    EXPECT_EQ(rx.groupsOfType[2], 5u);
}

TEST(ReceiverExtended, ShowsPtynOnceBothHalvesCameAndClearsItOnANewFlag)
{
    Receiver rx;
    // "Jazzbar ": segment 1 first.
    rx.Take(HexGroup("D3C2 A001 6261 7220"));
    EXPECT_EQ(rx.ptyn, "");
    EXPECT_EQ(rx.ptynFlag, 'A');
    rx.Take(HexGroup("D3C2 A000 4A61 7A7A"));
    EXPECT_EQ(rx.ptyn, "Jazzbar ");
    // The flag changes to B: the old name goes, the new one is shown when whole.
    rx.Take(HexGroup("D3C2 A010 526F 636B"));
    EXPECT_EQ(rx.ptynFlag, 'B');
    EXPECT_EQ(rx.ptyn, "");
    rx.Take(HexGroup("D3C2 A011 2020 2020"));
    EXPECT_EQ(rx.ptyn, "Rock    ");
    // The same flag again only updates the half it carries.
    rx.Take(HexGroup("D3C2 A010 506F 7020"));
    EXPECT_EQ(rx.ptyn, "Pop     ");
}

TEST(ReceiverExtended, AssemblesLongPsInAnyOrderAndStartsOverOnAnotherValue)
{
    const std::string first = "Radio Café Zürich\r";  // 19 bytes of UTF-8 with its end mark
    Receiver rx;
    // Segments 4..0, the end mark in segment 4.
    for (int s = 4; s >= 0; --s) {
        EXPECT_EQ(rx.longPs, "") << s;
        rx.Take(TextGroup(0xD3C2, static_cast<std::uint16_t>(0xF000 | s), first, 4 * s));
    }
    EXPECT_EQ(rx.longPs, "Radio Café Zürich");
    // One segment of another value leaves the old one shown until the new one is whole.
    const std::string second = "Больше музыки\r";  // Cyrillic, 26 bytes
    rx.Take(TextGroup(0xD3C2, 0xF002, second, 8));
    EXPECT_EQ(rx.longPs, "Radio Café Zürich");
    for (int s : {0, 6, 1, 3, 5, 4})
        rx.Take(TextGroup(0xD3C2, static_cast<std::uint16_t>(0xF000 | s), second, 4 * s));
    EXPECT_EQ(rx.longPs, "Больше музыки");
    // A full 32 bytes without an end mark needs all eight segments.
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    Receiver whole;
    for (int s = 0; s < 7; ++s)
        whole.Take(TextGroup(0xD3C2, static_cast<std::uint16_t>(0xF000 | s), full, 4 * s));
    EXPECT_EQ(whole.longPs, "");
    whole.Take(TextGroup(0xD3C2, 0xF007, full, 28));
    EXPECT_EQ(whole.longPs, full);
}

TEST(ReceiverExtended, ReadsEnhancedRadiotextOnlyAfterItsAnnouncement)
{
    const std::string text = "Кино – Группа крови\r";
    std::vector<int> order;
    for (int s = 0; s < static_cast<int>((text.size() + 3) / 4); ++s)
        order.push_back(s);
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);

    Receiver rx;
    // 12A before any 3A is no eRT.
    for (int s : order)
        rx.Take(TextGroup(0xD3C2, static_cast<std::uint16_t>(0xC000 | s), text, 4 * s));
    EXPECT_FALSE(rx.ertGroup);
    EXPECT_EQ(rx.ert, "");
    // 3A: AID 6552 carried in 12A (code 24), message bit 0 set: UTF-8.
    rx.Take(HexGroup("D3C2 3018 0001 6552"));
    ASSERT_TRUE(rx.ertGroup);
    EXPECT_EQ(*rx.ertGroup, 24);
    EXPECT_TRUE(rx.ertUtf8);
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(rx.ert, "") << i;
        rx.Take(TextGroup(0xD3C2, static_cast<std::uint16_t>(0xC000 | order[i]), text, 4 * order[i]));
    }
    EXPECT_EQ(rx.ert, "Кино – Группа крови");
    EXPECT_EQ(rx.rt, std::string(64, ' ')) << "eRT is not the radiotext";

    // Announced as UCS-2 (bit 0 clear): "Ωμέγα" high byte first, ended by U+000D.
    Receiver wide;
    wide.Take(HexGroup("D3C2 3018 0000 6552"));
    EXPECT_FALSE(wide.ertUtf8);
    wide.Take(HexGroup("D3C2 C001 03AD 03B3"));
    wide.Take(HexGroup("D3C2 C002 03B1 000D"));
    EXPECT_EQ(wide.ert, "");
    wide.Take(HexGroup("D3C2 C000 03A9 03BC"));
    EXPECT_EQ(wide.ert, "Ωμέγα");
}

TEST(ReceiverExtended, ReadsEnhancedRadiotextPlusTagsApartFromRadiotextPlus)
{
    Receiver rx;
    // eRT+ (4BD8) in 13A (code 26), RT+ (4BD7) in 11A (code 22).
    rx.Take(HexGroup("D3C2 301A 0000 4BD8"));
    rx.Take(HexGroup("D3C2 3016 0000 4BD7"));
    ASSERT_TRUE(rx.ertPlusGroup);
    EXPECT_EQ(*rx.ertPlusGroup, 26);
    // Tags: title (1) from 9, 17 long; artist (4) from 0, 6 long; running.
    rx.Take(HexGroup("D3C2 D008 24A0 2005"));
    ASSERT_TRUE(rx.ertPlusTags);
    EXPECT_TRUE(rx.ertPlusTags->running);
    EXPECT_EQ(rx.ertPlusTags->first.type, 1);
    EXPECT_EQ(rx.ertPlusTags->first.start, 9);
    EXPECT_EQ(rx.ertPlusTags->first.length, 17);
    EXPECT_EQ(rx.ertPlusTags->second.type, 4);
    EXPECT_FALSE(rx.rtPlusTags);
    rx.Take(HexGroup("D3C2 B008 24A0 2005"));
    EXPECT_TRUE(rx.rtPlusTags);
}

TEST(ReceiverExtended, ReadsAfMethodBListsPerTransmitter)
{
    Receiver rx;
    // 98.5 MHz (code 110) with 87.6 (1), 101.2 (137) and the regional 104.1R (166):
    // seven codes; pairs in rising order are the same programme, falling a regional variant.
    for (const char* g : {"D3C2 0000 E76E 4142", "D3C2 0001 016E 4344", "D3C2 0002 6E89 4546",
                          "D3C2 0003 A66E 4748"})
        rx.Take(HexGroup(g));
    ASSERT_EQ(rx.afB.size(), 1u);
    EXPECT_EQ(rx.afB[0].tuned, 110);
    EXPECT_EQ(rx.afB[0].alternatives,
              (std::vector<AfMethodBEntry>{{1, false}, {137, false}, {166, true}}));
    EXPECT_TRUE(rx.af.empty()) << "a method B list is no method A list";
    EXPECT_EQ(rx.ps, "ABCDEFGH");
    // The next transmitter's list: 87.6 with 98.5; then the first one again, changed.
    rx.Take(HexGroup("D3C2 0000 E301 4142"));
    rx.Take(HexGroup("D3C2 0001 016E 4344"));
    rx.Take(HexGroup("D3C2 0002 E36E 4546"));
    rx.Take(HexGroup("D3C2 0003 6E89 4748"));
    ASSERT_EQ(rx.afB.size(), 2u);
    EXPECT_EQ(rx.afB[1].tuned, 1);
    EXPECT_EQ(rx.afB[1].alternatives, (std::vector<AfMethodBEntry>{{110, false}}));
    EXPECT_EQ(rx.afB[0].alternatives, (std::vector<AfMethodBEntry>{{137, false}}));
    // A method A list still reads as one.
    rx.Take(HexGroup("D3C2 0000 E301 4142"));
    rx.Take(HexGroup("D3C2 0001 7D89 4344"));
    EXPECT_EQ(rx.af, (std::vector<int>{1, 125, 137}));
    EXPECT_EQ(rx.afB.size(), 2u);
}

TEST(ReceiverExtended, ReadsOtherNetworksFrom14Aand14B)
{
    Receiver rx;
    // Two networks, their groups interleaved and the PS segments out of order.
    for (const char* g : {"D3C2 E002 2020 D392", "D3C2 E010 4E44 D392", "D3C2 E000 4252 D3C3",
                          "D3C2 E003 2020 D392", "D3C2 E011 5220 D3C3"})
        rx.Take(HexGroup(g));
    ASSERT_EQ(rx.otherNetworks.size(), 2u);
    const OtherNetwork* ndr = rx.otherNetwork(0xD392);
    ASSERT_NE(ndr, nullptr);
    EXPECT_EQ(ndr->ps, "") << "three segments of four";
    rx.Take(HexGroup("D3C2 E001 5232 D392"));
    EXPECT_EQ(ndr->ps, "NDR2    ");
    EXPECT_FALSE(ndr->tp);
    EXPECT_TRUE(rx.otherNetwork(0xD3C3)->tp);
    // Variant 4: an AF list of method A, 101.2 and 90.1; variant 13: PTY 10, TA off.
    rx.Take(HexGroup("D3C2 E014 E289 D392"));
    EXPECT_TRUE(ndr->af.empty());
    rx.Take(HexGroup("D3C2 E014 7ECD D392"));
    EXPECT_EQ(ndr->af, (std::vector<std::uint8_t>{137, 126}));
    rx.Take(HexGroup("D3C2 E01D 5000 D392"));
    EXPECT_EQ(ndr->pty, 10);
    EXPECT_FALSE(ndr->ta);
    EXPECT_TRUE(ndr->tp);
    // 14B: TP and TA of the other network; block 3 the tuned network's PI.
    rx.Take(HexGroup("D3C2 E818 D3C2 D392"));
    EXPECT_TRUE(ndr->ta);
    rx.Take(HexGroup("D3C2 E810 D3C2 D392"));
    EXPECT_FALSE(ndr->ta);
    EXPECT_EQ(*rx.pi, 0xD3C2) << "block 1 stays the tuned station";
    EXPECT_EQ(rx.otherNetwork(0x1234), nullptr);
    // The list of networks is bounded.
    for (int n = 0; n < 100; ++n) {
        Group g = HexGroup("D3C2 E000 5858 0000");
        g.blocks[3] = static_cast<std::uint16_t>(0x1000 + n);
        rx.Take(g);
    }
    EXPECT_EQ(rx.otherNetworks.size(), Receiver::kMaxOtherNetworks);
}

} // namespace
} // namespace quorvan::rds
