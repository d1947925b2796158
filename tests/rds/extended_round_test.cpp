// The extended groups on air: each builder against blocks worked out by hand,
// the extended round's shares and completion times over 10 000 groups read
// by a decoder written here from the layouts of EN 50067:1998 and IEC
// 62106-2 (not from the generator), the engineer's round, the 14B groups of
// another network's TA, and method B AF lists.
#include "content/rtplus.h"
#include "link/clock.h"
#include "rds/af_method_b.h"
#include "rds/eon.h"
#include "rds/ert.h"
#include "rds/generator.h"
#include "rds/long_ps.h"
#include "rds/ptyn.h"
#include "rds/rtplus_groups.h"
#include "rds/slow_labelling.h"
#include "sim/virtual_encoder.h"
#include "support/rds_test_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace quorvan::rds {
namespace {

image::ImageBytes Image(bool radiotext = true)
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0x62;
    ram[image::kPI + 1] = 0x04;
    ram[image::kPTY] = 9;
    ram[image::kTP] = 1;
    std::memcpy(ram.data() + image::kPS, "STATION ", 8);
    ram[image::kRTControl] = radiotext ? 1 : 0;
    std::memset(ram.data() + image::kRT, ' ', image::kRTLength);
    std::memcpy(ram.data() + image::kRT, "Artist - Title", 14);
    ram[image::kAFCount] = 2;
    ram[image::kAFCodes] = 10;
    ram[image::kAFCodes + 1] = 20;
    return ram;
}

rtplus::Registers RTPlusOn()
{
    rtplus::Tags tags;
    tags.running = true;
    tags.first = {rtplus::kItemArtist, 0, 6};
    tags.second = {rtplus::kItemTitle, 9, 5};
    return rtplus::EncodeRegisters(true, tags);
}

std::string Utf8Of(std::size_t bytes)
{
    // Cyrillic letters (two bytes each) and one ASCII letter where needed.
    std::string text;
    while (text.size() + 2 <= bytes)
        text += "\xD0\x96";  // Ж
    if (text.size() < bytes)
        text += 'x';
    return text;
}

OtherNetwork Network(std::uint16_t pi, const std::string& ps, std::vector<std::uint8_t> af, int pty)
{
    OtherNetwork on;
    on.pi = pi;
    on.ps = ps;
    on.af = std::move(af);
    on.pty = pty;
    on.tp = true;
    return on;
}

// --- the test's own decoder --------------------------------------------------
// Written from the standards, not from the generator (support/rds_test_decoder.h).
using Decoder = test::RdsTestDecoder;

Decoder Stream(const image::ImageBytes& ram, const rtplus::Registers& rtPlus, const ExtendedValues& v, int groups = 10000)
{
    GroupGenerator gen;
    Decoder d;
    for (int n = 0; n < groups; ++n)
        d.feed(gen.Next(ram, rtPlus, v));
    return d;
}

std::int64_t Seconds(int s)
{
    return GroupsForTenths(10 * s);
}

// --- the builders --------------------------------------------------------------

TEST(ExtendedGroups, KnownAnswers)
{
    const image::ImageBytes ram = Image();
    // Block 2 head: type, TP (bit 10), PTY 9 (bits 9-5) = 0x0520 beside the type.
    EXPECT_EQ(Group1A(ram, 0, 0xE0, ProgrammeItem{15, 9, 30}).hex(), "6204 1520 00E0 7A5E");
    EXPECT_EQ(Group1A(ram, 3, 0x08, std::nullopt).hex(), "6204 1520 3008 0000");
    EXPECT_EQ(Group10A(ram, "Jazzbar", 1, true).hex(), "6204 A531 6261 7220");
    EXPECT_EQ(Group10A(ram, "Jazzbar", 0, false).hex(), "6204 A520 4A61 7A7A");
    EXPECT_EQ(Group15A(ram, 7, {'a', 'b', 'c', 'd'}).hex(), "6204 F527 6162 6364");
    EXPECT_EQ(GroupErt(ram, 31, {0xD0, 0x96, 0x0D, 0x20}).hex(), "6204 C53F D096 0D20");
    EXPECT_EQ(Group3A(ram, kErtGroupType, false, kErtMessageUTF8, kErtAID).hex(), "6204 3538 0001 6552");
    EXPECT_EQ(Group3A(ram, kErtPlusGroupType, false, 0, kErtPlusAID).hex(), "6204 353A 0000 4BD8");
    OtherNetwork on = Network(0x6301, "OTHER", {10, 20, 30}, 5);
    on.ta = true;
    EXPECT_EQ(Group14APS(ram, on, 2).hex(), "6204 E532 5220 6301");   // "R "
    EXPECT_EQ(Group14APS(ram, on, 3).hex(), "6204 E533 2020 6301");   // padded
    EXPECT_EQ(Group14APtyTa(ram, on).hex(), "6204 E53D 2801 6301");
    EXPECT_EQ(Group14B(ram, on).hex(), "6204 ED38 6204 6301");

    // Segments up to the end of the text, which a carriage return marks.
    const auto segments = TextSegments("Hello", kLongPsBytes);
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[1], (std::array<std::uint8_t, 4>{'o', 0x0D, ' ', ' '}));
    EXPECT_EQ(TextSegments(std::string(40, 'x'), kLongPsBytes).size(), 8u);  // cut, no end mark
    EXPECT_EQ(TextSegments(Utf8Of(74), kErtBytes).size(), 19u);
    EXPECT_TRUE(TextSegments("", kErtBytes).empty());
}

TEST(ExtendedGroups, AFMethodBPairsDecodeToTheConfiguredLists)
{
    // 98.5 MHz: 87.6, 101.2, 104.1 (regional); 101.2 MHz: 98.5; a bad list is left out.
    const std::vector<AfMethodBList> lists{
        {110, {{1, false}, {137, false}, {166, true}}},
        {137, {{110, false}}},
        {0, {{5, false}}},
    };
    const std::vector<std::uint16_t> blocks = AFMethodB(lists);
    // EN 50067:1998, 3.2.1.6.3: 224 + 7 and the tuned 110; ascending pairs for
    // the same programme, descending for a regional variant.
    EXPECT_EQ(blocks, (std::vector<std::uint16_t>{0xE76E, 0x016E, 0x6E89, 0xA66E, 0xE389, 0x6E89}));

    // Through the stream: 0A block 3, decoded from the standard's rules.
    ExtendedValues v;
    v.afMethod = AfMethod::B;
    v.afB = lists;
    Decoder d = Stream(Image(), {}, v, 400);
    std::map<int, std::map<int, bool>> decoded;  // tuned -> alternative -> regional
    int tuned = -1, left = 0;
    for (std::uint16_t w : d.af0A) {
        const int hi = w >> 8, lo = w & 0xFF;
        if (hi >= 224 && hi <= 249) {
            tuned = lo;
            left = hi - 224 - 1;
            decoded[tuned];
            continue;
        }
        ASSERT_GT(left, 0);
        left -= 2;
        ASSERT_TRUE(hi == tuned || lo == tuned);
        const int alternative = hi == tuned ? lo : hi;
        decoded[tuned][alternative] = hi > lo;
    }
    EXPECT_EQ(decoded, (std::map<int, std::map<int, bool>>{{110, {{1, false}, {137, false}, {166, true}}}, {137, {{110, false}}}}));
    // Method B with no list keeps method A from the image.
    v.afB.clear();
    d = Stream(Image(), {}, v, 40);
    EXPECT_EQ(d.af0A[0], 0xE20A);
}

// --- the rounds ---------------------------------------------------------------

TEST(ExtendedRound, ARecordOfDefaultsSendsTheChipsGroupsByteForByte)
{
    image::ImageBytes ram = Image();
    ram[image::kUDGEnable] = 1;
    ram[image::kUDGType] = 0x50;
    const rtplus::Registers rtPlus = RTPlusOn();
    GroupGenerator chip, extended;
    for (int n = 0; n < 3000; ++n) {
        if (n % 700 == 5) {
            chip.ClockTimeTriggered({0x40, 1, 2, 3, 4, 5});
            extended.ClockTimeTriggered({0x40, 1, 2, 3, 4, 5});
        }
        if (n == 1500)
            ram[image::kRT] = 'X';
        ASSERT_EQ(chip.Next(ram, rtPlus).hex(), extended.Next(ram, rtPlus, ExtendedValues{}).hex()) << n;
    }
    // A state whose record holds only defaults (and a level) streams as one without.
    EncoderState plain;
    std::copy(ram.begin(), ram.end(), plain.ram.begin());
    std::copy(rtPlus.begin(), rtPlus.end(), plain.ram.begin() + image::kRTPlus);
    plain.extension.rtPlus = rtPlus;
    EncoderState withRecord = plain;
    withRecord.extension.rdsLevelTenths = 30;
    const DateTime at{2026, 3, 1, 12, 0, 30, 0};
    const auto a = GroupsDuring(plain, at, 60), b = GroupsDuring(withRecord, at, 60);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a.empty());
}

TEST(ExtendedRound, SharesAndCompletionTimesOver10000Groups)
{
    ExtendedValues v;
    v.ecc = 0xE0;
    v.lic = 0x08;
    v.pin = ProgrammeItem{15, 9, 30};
    v.ptyn = "Jazzbar";
    v.longPs = Utf8Of(32);
    v.ert = Utf8Of(128);
    v.eon[0] = Network(0x6301, "OTHER 1", {30, 40, 50}, 5);
    const Decoder d = Stream(Image(), RTPlusOn(), v);

    EXPECT_GE(d.share(0), 0.40);
    EXPECT_GE(d.share(2), 0.20);
    // A complete PS more than once a second.
    EXPECT_LE(d.worstCompletion("PS"), 11);
    EXPECT_LE(d.worstCompletion("1A"), Seconds(5));
    EXPECT_LE(d.worstCompletion("PTYN"), Seconds(10));
    EXPECT_LE(d.worstCompletion("LPS"), Seconds(12));
    EXPECT_LE(d.worstCompletion("ERT"), Seconds(30));
    EXPECT_LE(d.worstCompletion("EON" + std::to_string(0x6301)), Seconds(15));
    // RT+ as in the chip's round: 3A within 50 groups, 11A within 20.
    EXPECT_LE(d.worstCompletion("3A"), 2 * 50);
    EXPECT_EQ(d.pieces.at("3A"), (std::set<std::string>{std::to_string(kRTPlusAID), std::to_string(kErtAID)}));

    // What a listener's radio reads.
    EXPECT_EQ(d.ecc, 0xE0);
    EXPECT_EQ(d.lic, 0x08);
    EXPECT_EQ(d.pin, (15 << 11) | (9 << 6) | 30);
    EXPECT_EQ(d.ptyn, "Jazzbar ");
    EXPECT_EQ(d.longPs, v.longPs);
    EXPECT_EQ(d.ert, v.ert);
    EXPECT_EQ(d.eonPs.at(0x6301), "OTHER 1 ");
    EXPECT_EQ(d.eonAf.at(0x6301), (std::set<int>{30, 40, 50}));
    EXPECT_EQ(d.eonPty.at(0x6301), 5);
    EXPECT_TRUE(d.eonTp.at(0x6301));
    EXPECT_EQ(d.odas.at(12 << 1), kErtAID);
    EXPECT_EQ(d.odas.at(11 << 1), kRTPlusAID);
}

TEST(ExtendedRound, ShorterTextsAndMoreNetworksKeepTheirTimes)
{
    // A 74-byte eRT within 20 s; three other networks, each PS within 15 s;
    // without radiotext 0A keeps its share and the 2A places serve the rest.
    ExtendedValues v;
    v.ert = Utf8Of(74);
    v.ptyn = "Jazz";
    for (int k = 0; k < 3; ++k)
        v.eon[static_cast<std::size_t>(k)] = Network(std::uint16_t(0x6301 + k), "NET " + std::to_string(k), {30}, 5);
    for (bool radiotext : {true, false}) {
        const Decoder d = Stream(Image(radiotext), {}, v);
        EXPECT_GE(d.share(0), 0.40) << radiotext;
        EXPECT_GE(d.share(2), radiotext ? 0.20 : 0.0);
        EXPECT_LE(d.worstCompletion("PS"), 11);
        EXPECT_LE(d.worstCompletion("ERT"), Seconds(20)) << radiotext;
        EXPECT_EQ(d.ert.substr(0, 75), v.ert + '\r');
        for (int k = 0; k < 3; ++k) {
            EXPECT_LE(d.worstCompletion("EON" + std::to_string(0x6301 + k)), Seconds(15)) << k;
            EXPECT_EQ(d.eonPs.at(std::uint16_t(0x6301 + k)), "NET " + std::to_string(k) + "   ");
        }
        EXPECT_EQ(d.ptyn, "Jazz    ");
    }
}

TEST(ExtendedRound, ERTPlusTagsTheERTFromTheRadiotext)
{
    ExtendedValues v;
    v.ert = "Кино – Группа крови";
    v.ertFromRt = true;
    GroupGenerator gen;
    Decoder d;
    int tags = 0;
    for (int n = 0; n < 2000; ++n) {
        const Group g = gen.Next(Image(), RTPlusOn(), v);
        d.feed(g);
        if (g.type() == kErtPlusGroupType && !g.versionB()) {
            ++tags;
            // The RT+ layout: running, artist 0..5, title 9..13.
            EXPECT_EQ(g.blocks[2], GroupRTPlus11A(Image(), RTPlusOn(), false).blocks[2]);
        }
    }
    EXPECT_GE(tags, 2000 / 30);
    EXPECT_EQ(d.odas.at(kErtPlusGroupType << 1), kErtPlusAID);
    EXPECT_EQ(d.ert.substr(0, v.ert.size()), v.ert);
    // Without the radiotext as its source the eRT carries no tags.
    v.ertFromRt = false;
    const Decoder plain = Stream(Image(), RTPlusOn(), v, 2000);
    EXPECT_EQ(plain.typeCount.count(kErtPlusGroupType * 2), 0u);
    EXPECT_EQ(plain.odas.count(kErtPlusGroupType << 1), 0u);
}

TEST(ExtendedRound, TheEngineersRoundSendsATypeWhoseFeatureIsOffAs0A)
{
    using S = SequenceGroup;
    ExtendedValues v;
    v.longPs = "Long name";
    v.groupSequence = {S::G0A, S::G2A, S::G10A, S::G12A, S::G15A, S::G14A, S::User, S::G1A, S::G11A, S::G4A, S::G3A};
    // Only the Long PS is on: no ODA, no announcement to insert.
    GroupGenerator gen;
    const image::ImageBytes ram = Image();
    std::string types;
    for (int n = 0; n < 33; ++n)
        types += gen.Next(ram, {}, v).typeName() + ' ';
    const std::string round = "0A 2A 0A 0A 15A 0A 0A 0A 0A 0A 0A ";
    EXPECT_EQ(types, round + round + round);

    // With eRT and RT+ on, their places carry them and the 3A announcements
    // are inserted, never two in a row, the round going on after each.
    v.ert = "Text";
    GroupGenerator gen2;
    std::vector<std::string> rest;
    int announcements = 0;
    std::string previous;
    for (int n = 0; n < 1100; ++n) {
        const Group g = gen2.Next(ram, RTPlusOn(), v);
        if (g.typeName() == "3A" && rest.size() % 11 != 10) {
            EXPECT_NE(previous, "3A inserted");
            previous = "3A inserted";
            ++announcements;
            continue;
        }
        previous = g.typeName();
        rest.push_back(g.typeName());
    }
    const std::vector<std::string> expect{"0A", "2A", "0A", "12A", "15A", "0A", "0A", "0A", "11A", "0A", "3A"};
    for (std::size_t i = 0; i < rest.size(); ++i)
        ASSERT_EQ(rest[i], expect[i % expect.size()]) << i;
    // The round's own 3A place (every 11 groups) announces more often than
    // each ODA needs (every 48), so hardly any 3A is inserted.
    EXPECT_LE(announcements, 4);
}

TEST(ExtendedRound, AnOtherNetworksTASwitchIsAnnouncedByFour14BThen14ACarriesIt)
{
    ExtendedValues v;
    v.eon[2] = Network(0x6303, "TRAFFIC", {}, 3);
    GroupGenerator gen;
    const image::ImageBytes ram = Image();
    auto run = [&](int groups, std::vector<std::pair<int, Group>>& b14) {
        Decoder d;
        for (int n = 0; n < groups; ++n) {
            const Group g = gen.Next(ram, {}, v);
            if (g.type() == 14 && g.versionB())
                b14.push_back({n, g});
            d.feed(g);
        }
        return d;
    };
    std::vector<std::pair<int, Group>> b14;
    Decoder d = run(400, b14);
    EXPECT_TRUE(b14.empty());
    EXPECT_FALSE(d.eonTa.at(0x6303));

    v.eon[2].ta = true;
    d = run(Seconds(15), b14);
    ASSERT_EQ(b14.size(), std::size_t(kEon14BRepeats));
    // Four 14B groups within a second: TP(ON) and TA(ON), the tuned PI in
    // block 3 (EN 50067:1998, 3.1.5.19), PI(ON) in block 4.
    EXPECT_LT(b14.back().first, Seconds(1));
    for (const auto& [n, g] : b14) {
        EXPECT_EQ(g.blocks[1] & 0x18, 0x18);
        EXPECT_EQ(g.blocks[2], 0x6204);
        EXPECT_EQ(g.blocks[3], 0x6303);
    }
    // After them 14A variant 13 carries TA(ON), within the network's 15 s.
    EXPECT_TRUE(d.eonTa.at(0x6303));
    EXPECT_EQ(d.eonPty.at(0x6303), 3);

    b14.clear();
    v.eon[2].ta = false;
    d = run(Seconds(15), b14);
    ASSERT_EQ(b14.size(), std::size_t(kEon14BRepeats));
    for (const auto& [n, g] : b14)
        EXPECT_EQ(g.blocks[1] & 0x18, 0x10);
    EXPECT_FALSE(d.eonTa.at(0x6303));
}

TEST(ExtendedRound, ANewPTYNFlipsItsFlagAndStartsAgain)
{
    ExtendedValues v;
    v.ptyn = "Jazzbar";
    GroupGenerator gen;
    const image::ImageBytes ram = Image();
    std::vector<Group> ptyn;
    for (int n = 0; n < 300; ++n) {
        if (n == 150)
            v.ptyn = "Rock";
        const Group g = gen.Next(ram, {}, v);
        if (g.type() == 10)
            ptyn.push_back(g);
    }
    ASSERT_GE(ptyn.size(), 4u);
    const bool first = (ptyn.front().blocks[1] & 0x10) != 0;
    bool flipped = false;
    for (const Group& g : ptyn) {
        const bool flag = (g.blocks[1] & 0x10) != 0;
        if (flag != first && !flipped) {
            flipped = true;
            EXPECT_EQ(g.blocks[1] & 1, 0);  // segment 0 of the new name first
            EXPECT_EQ(g.blocks[2], ('R' << 8) | 'o');
        }
    }
    EXPECT_TRUE(flipped);
}

} // namespace
} // namespace quorvan::rds
