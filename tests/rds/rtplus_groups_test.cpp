// RadioText Plus on air: the 3A and 11A groups against blocks computed by
// hand, a round trip through a decoder written here from the layouts of
// RDS Forum R06/040_1 (not from the generator), and the schedule that carries
// them beside the PS, the radiotext and the user group.
#include "content/rtplus.h"
#include "rds/generator.h"
#include "rds/receiver.h"
#include "rds/rtplus_groups.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace quorvan::rds {
namespace {

image::ImageBytes Image(const std::string& rt)
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0x62;
    ram[image::kPI + 1] = 0x04;
    std::memcpy(ram.data() + image::kPS, "DEFAULT ", 8);
    ram[image::kPTY] = 9;
    ram[image::kRTControl] = 1;
    std::memset(ram.data() + image::kRT, ' ', image::kRTLength);
    std::memcpy(ram.data() + image::kRT, rt.data(), std::min<std::size_t>(rt.size(), image::kRTLength));
    return ram;
}

// The test's own decoder of an 11A group (R06/040_1, 4.2).
struct Decoded {
    bool toggle, running;
    int type1, start1, length1, type2, start2, length2;  // lengths as characters
};
Decoded Decode11A(const Group& g)
{
    const unsigned b2 = g.blocks[1], b3 = g.blocks[2], b4 = g.blocks[3];
    Decoded d{};
    d.toggle = (b2 >> 4) & 1;
    d.running = (b2 >> 3) & 1;
    d.type1 = int(((b2 & 0x7) << 3) | (b3 >> 13));
    d.start1 = int((b3 >> 7) & 0x3F);
    d.length1 = int((b3 >> 1) & 0x3F) + 1;
    d.type2 = int(((b3 & 1) << 5) | (b4 >> 11));
    d.start2 = int((b4 >> 5) & 0x3F);
    d.length2 = int(b4 & 0x1F) + 1;
    return d;
}

TEST(RTPlusGroups, KnownAnswers)
{
    // "Now: Björk - Jóga" in the encoder's bytes (ö 0xF6, ó 0xF3), prefix "Now: ".
    const std::string text = "Now: Bj\xF6rk - J\xF3ga";
    const rtplus::Tags tags = rtplus::MatchTags(text, "Now: ", "%a - %t");
    ASSERT_TRUE(tags.running);
    EXPECT_EQ(tags.first, (rtplus::Tag{rtplus::kItemArtist, 5, 5}));
    EXPECT_EQ(tags.second, (rtplus::Tag{rtplus::kItemTitle, 13, 4}));
    const image::ImageBytes ram = Image(text);

    // 3A: PI, type 3 version A, PTY 9, application group 11A (1011 0); no template; AID.
    EXPECT_EQ(GroupRTPlus3A(ram).hex(), "6204 3136 0000 4BD7");

    // 11A: 1011 0 0 01001 | toggle 1 running 1 type1 000
    //      type1 100 | start 000101 | length-1 000100 | type2 0   = 1000 0010 1000 1000
    //      type2 00001 | start 001101 | length-1 00011            = 0000 1001 1010 0011
    const rtplus::Registers r = rtplus::EncodeRegisters(true, tags);
    EXPECT_EQ(GroupRTPlus11A(ram, r, true).hex(), "6204 B138 8288 09A3");
    EXPECT_EQ(GroupRTPlus11A(ram, r, false).hex(), "6204 B128 8288 09A3");

    // Types that cross the block boundaries, the largest starts and lengths:
    // type1 45 (101 101), start 63, 64 characters; type2 63, start 0, 32 characters.
    rtplus::Registers wide{rtplus::kControlOn | rtplus::kControlRunning, 45, 63, 63, 63, 0, 31};
    EXPECT_EQ(GroupRTPlus11A(ram, wide, false).hex(), "6204 B12D BFFF F81F");

    // No match: running 0, dummy tags all zero.
    const rtplus::Registers none = rtplus::EncodeRegisters(true, rtplus::MatchTags("Station jingle", "", "%a - %t"));
    EXPECT_EQ(GroupRTPlus11A(ram, none, false).hex(), "6204 B120 0000 0000");
}

// Letters, digits and inner blanks: never the literals of the patterns below.
std::string RandomField(std::mt19937& rng, int maxLength)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\xC4\xD6\xDC";
    std::uniform_int_distribution<int> len(1, maxLength), pick(0, int(sizeof kChars) - 2);
    std::string s;
    const int n = len(rng);
    for (int i = 0; i < n; ++i)
        s += (i > 0 && i + 1 < n && pick(rng) % 7 == 0) ? ' ' : kChars[pick(rng)];
    return s;
}

TEST(RTPlusGroups, RandomTextsAndPatternsRoundTripThroughAnIndependentDecoder)
{
    struct Form {
        const char* pattern;
        const char* before;
        bool artistFirst;
        const char* between;
        const char* after;
    };
    const Form forms[] = {{"%a - %t", "", true, " - ", ""},
                          {"%t / %a", "", false, " / ", ""},
                          {"Now %a with %t", "Now ", true, " with ", ""},
                          {"%t by %a!", "", false, " by ", "!"},
                          {"(%a) %t", "(", true, ") ", ""}};
    const char* prefixes[] = {"", "Now: ", "On air: "};
    std::mt19937 rng(2207);
    int checked = 0;
    for (int round = 0; round < 300; ++round) {
        const Form& f = forms[round % 5];
        const std::string prefix = prefixes[round % 3];
        const std::string artist = RandomField(rng, 30), title = RandomField(rng, 40);
        std::string text = prefix + f.before + (f.artistFirst ? artist : title) + f.between +
                           (f.artistFirst ? title : artist) + f.after;
        if (text.size() > 64)
            continue;
        SCOPED_TRACE(f.pattern + (" on \"" + text + "\""));
        rtplus::Registers r = rtplus::EncodeRegisters(true, rtplus::MatchTags(text, prefix, f.pattern));
        GroupGenerator gen;
        const image::ImageBytes ram = Image(text);
        std::optional<Decoded> d;
        bool announced = false;
        for (int n = 0; n < 60 && !(d && announced); ++n) {
            const Group g = gen.Next(ram, r);
            if (g.blocks[1] >> 11 == (3 << 1) && g.blocks[3] == 0x4BD7)
                announced = (g.blocks[1] & 0x1F) == (11 << 1);
            if (g.blocks[1] >> 11 == (11 << 1))
                d = Decode11A(g);
        }
        ASSERT_TRUE(announced && d);
        ASSERT_TRUE(d->running);
        const std::string sent = text + std::string(64 - text.size(), ' ');
        std::string gotArtist, gotTitle;
        for (auto [type, start, length] : {std::tuple{d->type1, d->start1, d->length1}, std::tuple{d->type2, d->start2, d->length2}}) {
            if (type == 4)
                gotArtist = sent.substr(size_t(start), size_t(length));
            else if (type == 1)
                gotTitle = sent.substr(size_t(start), size_t(length));
        }
        EXPECT_EQ(gotArtist, artist);
        EXPECT_EQ(gotTitle, title);
        ++checked;
    }
    EXPECT_GE(checked, 150);
}

TEST(RTPlusSchedule, KeepsItsRatesBesideTheOldGuarantees)
{
    for (const bool udg : {false, true}) {
        SCOPED_TRACE(testing::Message() << "user group " << udg);
        std::mt19937 rng(udg ? 11 : 3);
        image::ImageBytes ram = Image("Now: A - B");
        ram[image::kUDGEnable] = udg ? 1 : 0;
        ram[image::kUDGType] = 0x50;
        rtplus::Registers r = rtplus::EncodeRegisters(true, rtplus::MatchTags("Now: A - B", "Now: ", "%a - %t"));
        GroupGenerator gen;
        std::int64_t last3A = -1, last11A = -1, lastPSEnd = -1, lastUser = -100;
        std::int64_t newTextAt = -1, segment0At = -1, lastRTEnd = -1;
        int users = 0, texts = 0;
        const int total = 6000;
        for (int n = 0; n < total; ++n) {
            if (n % 700 == 350) {
                // A new song: text and tags together; later and then a
                // clock-time group in the middle of its radiotext.
                const std::string text = "Now: " + RandomField(rng, 20) + " - " + RandomField(rng, 30);
                ram = [&] { image::ImageBytes m = Image(text); m[image::kUDGEnable] = ram[image::kUDGEnable]; m[image::kUDGType] = 0x50; return m; }();
                r = rtplus::EncodeRegisters(true, rtplus::MatchTags(text, "Now: ", "%a - %t"));
                newTextAt = n;
                segment0At = -1;
                ++texts;
            }
            if (n % 700 == 380)
                gen.ClockTimeTriggered({0x40, 1, 2, 3, 4, 5});
            const Group g = gen.Next(ram, r);
            const int type = g.blocks[1] >> 11;  // type * 2 + B
            if (type == 0 && (g.blocks[1] & 3) == 3) {
                EXPECT_LE(n - lastPSEnd, 11) << n;  // a complete PS more than once a second
                lastPSEnd = n;
            } else if (type == 2 * 2) {
                const int seg = g.blocks[1] & 0xF;
                if (seg == 0 && newTextAt >= 0 && segment0At < 0) {
                    segment0At = n;
                    lastRTEnd = n - 1;  // the new text complete within 4 s of its segment 0
                }
                if (seg == 15) {
                    if (lastRTEnd >= 0) {
                        EXPECT_LE(n - lastRTEnd, 45) << n;  // all 16 segments within 4 s
                    }
                    lastRTEnd = n;
                }
            } else if (type == 3 * 2) {
                EXPECT_EQ(g.blocks[3], 0x4BD7);
                if (last3A >= 0) {
                    EXPECT_LE(n - last3A, 57) << n;  // 5 s
                }
                last3A = n;
            } else if (type == 5 * 2) {
                EXPECT_GE(n - lastUser, 10) << n;  // the user group at most one group in ten
                lastUser = n;
                ++users;
            } else if (type == 11 * 2) {
                if (last11A >= 0) {
                    EXPECT_LE(n - last11A, 22) << n;  // 2 s
                }
                last11A = n;
                if (segment0At >= 0) {
                    EXPECT_LE(n - segment0At, 5) << n;  // 0.5 s after the new text's segment 0
                    segment0At = -1;
                    newTextAt = -1;
                }
            }
            if (segment0At >= 0) {
                EXPECT_LE(n - segment0At, 5) << "no 11A after the new text, group " << n;
            }
        }
        EXPECT_GE(texts, 8);
        EXPECT_GE(users, udg ? total / 10 - 10 : 0);
        EXPECT_LE(users, total / 10);
    }
}

TEST(RTPlusSchedule, TheItemToggleFlipsForANewItemOnlyAndNothingGoesOutWithRTPlusOff)
{
    const std::string a = "Now: ABBA - Waterloo", b = "Now: Queen - Innuendo";
    auto registers = [](const std::string& t) { return rtplus::EncodeRegisters(true, rtplus::MatchTags(t, "Now: ", "%a - %t")); };
    const rtplus::Registers jingle = rtplus::EncodeRegisters(true, rtplus::MatchTags("Radio X", "", "%a - %t"));
    GroupGenerator gen;
    Receiver rx;
    auto run = [&](const std::string& text, const rtplus::Registers& r) {
        for (int n = 0; n < 60; ++n)
            rx.Take(gen.Next(Image(text), r));
    };
    run(a, registers(a));
    ASSERT_TRUE(rx.rtPlusTags && rx.rtPlusTags->running);
    EXPECT_EQ(rx.rtPlusField(rtplus::kItemArtist), "ABBA");
    EXPECT_EQ(rx.rtPlusField(rtplus::kItemTitle), "Waterloo");
    const bool first = rx.rtPlusToggle;
    run("Radio X", jingle);  // no item: running 0, the toggle stays
    EXPECT_FALSE(rx.rtPlusTags->running);
    EXPECT_EQ(rx.rtPlusField(rtplus::kItemArtist), "");
    EXPECT_EQ(rx.rtPlusToggle, first);
    run(a, registers(a));    // the same song again: the same item
    EXPECT_EQ(rx.rtPlusToggle, first);
    run(b, registers(b));    // a new song flips it
    EXPECT_NE(rx.rtPlusToggle, first);
    EXPECT_EQ(rx.rtPlusField(rtplus::kItemArtist), "Queen");

    // RT+ off, or radiotext off: no 3A, no 11A.
    for (const bool radiotextOn : {true, false}) {
        GroupGenerator quiet;
        image::ImageBytes ram = Image(a);
        ram[image::kRTControl] = radiotextOn ? 1 : 0;
        const rtplus::Registers r = radiotextOn ? rtplus::Registers{} : registers(a);
        for (int n = 0; n < 200; ++n) {
            const Group g = quiet.Next(ram, r);
            EXPECT_NE(g.type(), 11);
            EXPECT_NE(g.type(), 3);
        }
    }
}

} // namespace
} // namespace quorvan::rds
