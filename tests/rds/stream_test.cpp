// The group stream: its schedule, the dynamic PS on air, the clock-time
// trigger, and a round trip through a decoder written here from the block
// layouts of EN 50067:1998 (not from the generator).
#include "rds/generator.h"
#include "rds/receiver.h"

#include "encoder/image_decode.h"
#include "link/clock.h"
#include "sim/virtual_encoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

namespace quorvan::rds {
namespace {

image::ImageBytes Image(const char* ps = "DEFAULT ")
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0x62;
    ram[image::kPI + 1] = 0x04;
    std::memcpy(ram.data() + image::kPS, ps, 8);
    std::memset(ram.data() + image::kRT, ' ', image::kRTLength);
    return ram;
}

void SetDynamicPS(image::ImageBytes& ram, const std::string& text, int mode, int labelByte, int delayByte, int speed = 0)
{
    std::memcpy(ram.data() + image::kDPSText, text.data(), text.size());
    ram[image::kDPSText + text.size()] = ' ';
    ram[image::kDPSLength] = static_cast<std::uint8_t>(text.size());
    ram[image::kDPSMode] = static_cast<std::uint8_t>(mode);
    ram[image::kLabelPeriod] = static_cast<std::uint8_t>(labelByte);
    ram[image::kDPSDelay] = static_cast<std::uint8_t>(delayByte);
    ram[image::kScrollSpeed] = static_cast<std::uint8_t>(speed);
}

std::string PSOf(const Group& g)
{
    return {static_cast<char>(g.blocks[3] >> 8), static_cast<char>(g.blocks[3] & 0xFF)};
}

// The PS values on air, one per complete cycle of segments 0..3 (a cycle
// out of order fails the test), with the group at which each began.
struct Cycle {
    std::string ps;
    std::int64_t group;
};
std::vector<Cycle> Cycles(GroupGenerator& gen, const image::ImageBytes& ram, std::int64_t groups)
{
    std::vector<Cycle> cycles;
    std::string ps;
    int expect = 0;
    for (std::int64_t n = 0; n < groups; ++n) {
        const Group g = gen.Next(ram);
        if (g.type() != 0)
            continue;
        const int segment = g.blocks[1] & 3;
        EXPECT_EQ(segment, expect) << "group " << n;
        if (segment == 0)
            cycles.push_back({"", n});
        cycles.back().ps += PSOf(g);
        expect = (segment + 1) % 4;
    }
    if (!cycles.empty() && cycles.back().ps.size() < 8)
        cycles.pop_back();
    return cycles;
}

// The distinct values in order, each with the number of cycles it lasted.
std::vector<std::pair<std::string, int>> Runs(const std::vector<Cycle>& cycles)
{
    std::vector<std::pair<std::string, int>> runs;
    for (const Cycle& c : cycles) {
        if (runs.empty() || runs.back().first != c.ps)
            runs.push_back({c.ps, 0});
        ++runs.back().second;
    }
    return runs;
}

TEST(RdsSchedule, PSRadiotextAndUserGroupKeepTheirRates)
{
    for (const bool rt : {false, true}) {
        for (const bool udg : {false, true}) {
            SCOPED_TRACE(testing::Message() << "radiotext " << rt << ", user group " << udg);
            image::ImageBytes ram = Image();
            ram[image::kRTControl] = rt ? 1 : 0;
            ram[image::kUDGEnable] = udg ? 1 : 0;
            ram[image::kUDGType] = 0x30;
            GroupGenerator gen;
            std::int64_t lastPSEnd = -1, lastRTEnd = -1, lastUser = -100;
            int rtCount = 0, userCount = 0;
            const int total = 2000;
            for (int n = 0; n < total; ++n) {
                const Group g = gen.Next(ram);
                if (g.type() == 0 && (g.blocks[1] & 3) == 3) {
                    // A complete PS at least once a second (11.4 groups).
                    EXPECT_LE(n - lastPSEnd, 11) << n;
                    lastPSEnd = n;
                } else if (g.type() == 2) {
                    ASSERT_TRUE(rt);
                    ++rtCount;
                    if ((g.blocks[1] & 0xF) == 15) {
                        // All 16 segments at least every 4 s (45.6 groups).
                        EXPECT_LE(n - lastRTEnd, 45) << n;
                        lastRTEnd = n;
                    }
                } else if (g.type() == 3) {
                    ASSERT_TRUE(udg);
                    EXPECT_GE(n - lastUser, 10) << n;
                    lastUser = n;
                    ++userCount;
                }
            }
            EXPECT_EQ(userCount, udg ? total / 10 : 0);
            if (rt) {
                EXPECT_GE(rtCount, 16 * total / 46);
            }
        }
    }
}

TEST(RdsSchedule, ClockTimeGoesOutOnceAfterEachTriggerWithoutBreakingACycle)
{
    image::ImageBytes ram = Image();
    ram[image::kRTControl] = 1;
    GroupGenerator gen;
    for (int n = 0; n < 5; ++n)
        gen.Next(ram);
    const auto bytes = PackClockTime({57847, 21, 43, false, 4});
    gen.ClockTimeTriggered({0x40, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4]});
    const Group ct = gen.Next(ram);
    EXPECT_EQ(ct.hex(), "6204 4001 C3EF 5AC4");
    // The cycle interrupted by the 4A group goes on with its next segment.
    std::vector<int> segments;
    for (int n = 0; n < 200; ++n) {
        const Group g = gen.Next(ram);
        EXPECT_NE(g.type(), 4);
        if (g.type() == 0)
            segments.push_back(g.blocks[1] & 3);
    }
    for (std::size_t i = 0; i < segments.size(); ++i)
        EXPECT_EQ(segments[i], (segments[0] + static_cast<int>(i)) % 4);
    // A trigger with no clock time loaded (type byte 0) sends nothing.
    gen.ClockTimeTriggered({0, 0, 0, 0, 0, 0});
    EXPECT_NE(gen.Next(ram).type(), 4);
}

TEST(RdsDynamicPS, Mode0ShowsEachLabelForItsPeriodThenTheDefaultPSForTheDelay)
{
    image::ImageBytes ram = Image();
    // Labels of 2.5 s (byte 4), delay 5.4 s (2 steps).
    SetDynamicPS(ram, "RADIO   ONE FM  NEWS", 0, 4, 2);
    GroupGenerator gen;
    const auto cycles = Cycles(gen, ram, 600);
    const auto runs = Runs(cycles);
    ASSERT_GE(runs.size(), 8u);
    const char* const loop[4] = {"RADIO   ", "ONE FM  ", "NEWS    ", "DEFAULT "};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(runs[i].first, loop[i % 4]) << i;
    // A label stays for the first cycle that begins 2.5 s (29 groups) or
    // more after it began; the default PS for 5.4 s (62 groups).
    std::int64_t begin = 0;
    std::size_t c = 0;
    for (std::size_t i = 0; i < 7; ++i) {
        const std::int64_t need = i % 4 == 3 ? 62 : 29;
        c += static_cast<std::size_t>(runs[i].second);
        const std::int64_t next = cycles[c].group;
        EXPECT_GE(next - begin, need) << i;
        EXPECT_LT(next - begin, need + 10) << i;  // no more than one cycle longer
        begin = next;
    }
}

TEST(RdsDynamicPS, DelayZeroLoopsAtOnceAndInfiniteDelayShowsTheTextOnce)
{
    image::ImageBytes ram = Image();
    SetDynamicPS(ram, "ONE     TWO", 0, 0, 0);  // 0.5 s labels
    {
        GroupGenerator gen;
        const auto runs = Runs(Cycles(gen, ram, 300));
        for (const auto& run : runs)
            EXPECT_NE(run.first, "DEFAULT ");
        EXPECT_GE(runs.size(), 10u);
    }
    SetDynamicPS(ram, "ONE     TWO", 0, 0, 255);
    GroupGenerator gen;
    auto runs = Runs(Cycles(gen, ram, 1000));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].first, "ONE     ");
    EXPECT_EQ(runs[1].first, "TWO     ");
    EXPECT_EQ(runs[2].first, "DEFAULT ");
    // A new text starts the loop again.
    SetDynamicPS(ram, "THREE", 0, 0, 255);
    runs = Runs(Cycles(gen, ram, 100));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].first, "THREE   ");
    // Length 0 is the default PS.
    ram[image::kDPSLength] = 0;
    runs = Runs(Cycles(gen, ram, 100));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, "DEFAULT ");
}

TEST(RdsDynamicPS, ScrollingAndWordModes)
{
    DynamicPSBytes d;
    auto frames = [&](const std::string& text, int mode) {
        d.text = text;
        d.length = static_cast<int>(text.size());
        d.mode = mode;
        std::vector<std::string> out;
        for (const PSValue& v : DynamicPSFrames(d))
            out.emplace_back(v.begin(), v.end());
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(frames("NOW ON AIR: ABCDEFGHIJKLMNOPQR X", 2),
              (V{"NOW ON  ", "AIR:    ", "ABCDEFGH", "IJKLMNOP", "QR      ", "X       "}));
    EXPECT_EQ(frames("HELLO WORLD", 1), (V{"HELLO WO", "ELLO WOR", "LLO WORL", "LO WORLD"}));
    EXPECT_EQ(frames("SHORT", 1), (V{"SHORT   "}));
    EXPECT_EQ(frames(" THE  BEATLES NOW", 3), (V{"THE  BEA", "BEATLES ", "NOW     "}));
    EXPECT_EQ(frames("ABCDEFGHIJ", 7), (V{"ABCDEFGH", "IJ      "}));  // unknown mode: mode 0
    EXPECT_TRUE(frames("   ", 2).empty());

    // Speed: high one step per cycle, low one per two.
    for (const int speed : {0, 1}) {
        image::ImageBytes ram = Image();
        SetDynamicPS(ram, "HELLO WORLD", 1, 0, 0, speed);
        GroupGenerator gen;
        const auto runs = Runs(Cycles(gen, ram, 200));
        ASSERT_GE(runs.size(), 5u);
        for (std::size_t i = 0; i + 1 < runs.size(); ++i)
            EXPECT_EQ(runs[i].second, speed == 0 ? 1 : 2) << i;
        EXPECT_EQ(runs[4].first, "HELLO WO");
    }
}

// ---- an independent decoder, from the block layouts of the standard ----------

struct Decoded {
    std::map<int, std::string> psValues;  // group index of segment 3 -> the 8 characters
    std::string rt = std::string(64, '?');
    int rtFlag = -1;
    std::vector<int> af;
    bool afDone = false;
    int pty = -1, tp = -1, ta = -1, ms = -1, di = 0;
    unsigned pi = 0;
    int mjd = -1, hour = -1, minute = -1, offset = 99;
};

Decoded Decode(const std::vector<Group>& groups)
{
    Decoded d;
    std::string ps(8, '?');
    int expected = -1, afWanted = -1;
    std::vector<int> af;
    for (std::size_t n = 0; n < groups.size(); ++n) {
        const auto& b = groups[n].blocks;
        const unsigned typeCode = b[1] >> 11;  // 4 bits type, 1 bit version
        d.pi = b[0];
        d.tp = (b[1] >> 10) & 1;
        d.pty = (b[1] >> 5) & 31;
        if (typeCode == 0) {  // 0A
            d.ta = (b[1] >> 4) & 1;
            d.ms = (b[1] >> 3) & 1;
            const unsigned c = b[1] & 3;
            d.di |= ((b[1] >> 2) & 1) << (3 - c);
            ps[2 * c] = static_cast<char>(b[3] >> 8);
            ps[2 * c + 1] = static_cast<char>(b[3]);
            expected = c == 0 ? 1 : (static_cast<int>(c) == expected ? expected + 1 : -1);
            if (expected == 4)
                d.psValues[static_cast<int>(n)] = ps;
            const int hi = b[2] >> 8, lo = b[2] & 0xFF;
            if (hi >= 224 && hi <= 249) {
                af.clear();
                afWanted = hi - 224;
                if (lo != 205)
                    af.push_back(lo);
            } else if (afWanted >= 0) {
                for (int code : {hi, lo})
                    if (code != 205)
                        af.push_back(code);
            }
            if (afWanted >= 0 && static_cast<int>(af.size()) == afWanted) {
                d.af = af;
                d.afDone = true;
            }
        } else if (typeCode == 4) {  // 2A
            const unsigned c = b[1] & 15;
            d.rtFlag = (b[1] >> 4) & 1;
            d.rt[4 * c] = static_cast<char>(b[2] >> 8);
            d.rt[4 * c + 1] = static_cast<char>(b[2]);
            d.rt[4 * c + 2] = static_cast<char>(b[3] >> 8);
            d.rt[4 * c + 3] = static_cast<char>(b[3]);
        } else if (typeCode == 8) {  // 4A
            d.mjd = static_cast<int>(((b[1] & 3u) << 15) | (b[2] >> 1));
            d.hour = static_cast<int>(((b[2] & 1u) << 4) | (b[3] >> 12));
            d.minute = (b[3] >> 6) & 63;
            d.offset = ((b[3] >> 5) & 1 ? -1 : 1) * (b[3] & 31);
        }
    }
    return d;
}

TEST(RdsRoundTrip, RandomImagesDecodeToTheirValues)
{
    std::mt19937 rng(20170404);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        EncoderState state;
        auto& ram = state.ram;
        for (int i = 0; i < 2; ++i)
            ram[image::kPI + i] = static_cast<std::uint8_t>(pick(0, 255));
        for (int i = 0; i < 8; ++i)
            ram[image::kPS + i] = static_cast<std::uint8_t>(pick(0x20, 0xFE));
        ram[image::kPTY] = static_cast<std::uint8_t>(pick(0, 31));
        ram[image::kDI] = static_cast<std::uint8_t>(pick(0, 15));
        ram[image::kMS] = static_cast<std::uint8_t>(pick(0, 1));
        ram[image::kTP] = static_cast<std::uint8_t>(pick(0, 1));
        ram[image::kTA] = static_cast<std::uint8_t>(pick(0, 1));
        const int afCount = pick(0, 15);
        ram[image::kAFCount] = static_cast<std::uint8_t>(afCount);
        std::vector<int> af;
        for (int i = 0; i < afCount; ++i) {
            af.push_back(pick(1, 204));
            ram[image::kAFCodes + i] = static_cast<std::uint8_t>(af.back());
        }
        const bool rtOn = pick(0, 1) == 1;
        const int rtType = pick(0, 1);
        ram[image::kRTControl] = static_cast<std::uint8_t>((rtOn ? 1 : 0) | rtType << 1);
        for (int i = 0; i < 64; ++i)
            ram[image::kRT + i] = static_cast<std::uint8_t>(pick(0x20, 0xFE));
        ram[image::kUDGEnable] = static_cast<std::uint8_t>(pick(0, 1));
        ram[image::kUDGType] = static_cast<std::uint8_t>(pick(0, 1) == 0 ? 0x38 : 0xF0);  // 3B or 15A
        const ClockTimeFields ct{pick(15079, 88068), pick(0, 23), pick(0, 59), pick(0, 1) == 1, pick(0, 28)};
        const auto ctBytes = PackClockTime(ct);
        ram[image::kCTGroupType] = 0x40;
        std::copy(ctBytes.begin(), ctBytes.end(), ram.begin() + image::kCTBits);

        DateTime start;
        start.second = pick(51, 59);  // a minute boundary falls into the first ten seconds
        const std::vector<Group> groups = GroupsDuring(state, start, 10);
        ASSERT_EQ(groups.size(), 115u);
        const Decoded d = Decode(groups);

        EXPECT_EQ(d.pi, static_cast<unsigned>(ram[0] << 8 | ram[1]));
        ASSERT_GE(d.psValues.size(), 10u);  // a complete PS every second
        for (const auto& [n, ps] : d.psValues)
            EXPECT_EQ(ps, std::string(ram.begin() + image::kPS, ram.begin() + image::kPS + 8)) << n;
        EXPECT_EQ(d.pty, ram[image::kPTY]);
        EXPECT_EQ(d.tp, ram[image::kTP]);
        EXPECT_EQ(d.ta, ram[image::kTA]);
        EXPECT_EQ(d.ms, ram[image::kMS]);
        EXPECT_EQ(d.di, ram[image::kDI]);
        EXPECT_TRUE(d.afDone);
        EXPECT_EQ(d.af, af);
        if (rtOn) {
            EXPECT_EQ(d.rt, std::string(ram.begin() + image::kRT, ram.begin() + image::kRT + 64));
            EXPECT_EQ(d.rtFlag, rtType);
        } else {
            EXPECT_EQ(d.rtFlag, -1);
        }
        EXPECT_EQ(d.mjd, ct.mjd);
        EXPECT_EQ(d.hour, ct.utcHour);
        EXPECT_EQ(d.minute, ct.utcMinute);
        EXPECT_EQ(d.offset, (ct.negative ? -1 : 1) * ct.halfHours);
    }
}

TEST(RdsRoundTrip, MinuteTriggersSendTheLoadedMinuteThenTheNext)
{
    EncoderState state;
    state.ram[image::kCTGroupType] = 0x40;
    const auto bytes = PackClockTime({57847, 23, 59, false, 4});
    std::copy(bytes.begin(), bytes.end(), state.ram.begin() + image::kCTBits);
    DateTime start{2017, 4, 5, 1, 58, 30, 0};
    std::vector<std::string> seen;
    for (const Group& g : GroupsDuring(state, start, 100))
        if (g.type() == 4)
            seen.push_back(g.hex());
    // 30 s and 90 s in: 23:59 on MJD 57847, then 00:00 on 57848.
    EXPECT_EQ(seen, (std::vector<std::string>{"0000 4001 C3EF 7EC4", "0000 4001 C3F0 0004"}));
    // Exactly at second 0 the trigger comes before the first group.
    EXPECT_EQ(GroupsDuring(state, {2017, 4, 5, 1, 59, 0, 0}, 1).front().type(), 4);
    // Nothing loaded: no 4A; off the air: nothing at all.
    state.ram[image::kCTGroupType] = 0;
    for (const Group& g : GroupsDuring(state, start, 100))
        EXPECT_NE(g.type(), 4);
    state.carrier = false;
    EXPECT_TRUE(GroupsDuring(state, start, 10).empty());
}

TEST(RdsReceiver, ShowsWholePSValuesAndClearsTheRadiotextOnANewFlag)
{
    image::ImageBytes ram = Image("STATIC  ");
    ram[image::kRTControl] = 1;
    std::memcpy(ram.data() + image::kRT, "First text\r", 11);
    ram[image::kAFCount] = 2;
    ram[image::kAFCodes] = 1;
    ram[image::kAFCodes + 1] = 125;
    GroupGenerator gen;
    Receiver rx;
    rx.Take(gen.Next(ram));
    EXPECT_EQ(rx.ps, "");  // one segment is no PS yet
    for (int n = 0; n < 60; ++n)
        rx.Take(gen.Next(ram));
    EXPECT_EQ(rx.ps, "STATIC  ");
    EXPECT_EQ(rx.rt, "First text");
    EXPECT_EQ(rx.rtFlag, 'A');
    EXPECT_EQ(rx.rtSegments, 16);
    EXPECT_EQ(rx.af, (std::vector<int>{1, 125}));
    EXPECT_EQ(rx.groupsOfType[0] + rx.groupsOfType[4], 61u);

    ram[image::kRTControl] = 3;
    std::memcpy(ram.data() + image::kRT, "B", 1);
    Group g = gen.Next(ram);
    while (g.type() != 2) {
        rx.Take(g);
        g = gen.Next(ram);
    }
    rx.Take(g);
    EXPECT_EQ(rx.rtFlag, 'B');
    EXPECT_EQ(rx.rtSegments, 1);
    EXPECT_EQ(rx.rt, "Birs" + std::string(60, ' '));
    // A PS segment out of order is no value.
    Receiver lone;
    lone.Take(Group0A(ram, 1, PSValue{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}, 0xE0CD));
    lone.Take(Group0A(ram, 2, PSValue{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}, 0xE0CD));
    lone.Take(Group0A(ram, 3, PSValue{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}, 0xE0CD));
    EXPECT_EQ(lone.ps, "");
    EXPECT_TRUE(lone.af.empty());
    EXPECT_TRUE(lone.afSeen);
}

TEST(RdsReceiver, MarksTheRadiotextStaleOnceNo2AGroupCameForTenSeconds)
{
    image::ImageBytes ram = Image("STATIC  ");
    ram[image::kRTControl] = 1;
    std::memcpy(ram.data() + image::kRT, "Still here\r", 11);
    GroupGenerator gen;
    Receiver rx;
    EXPECT_FALSE(rx.rtStale());  // no radiotext yet is not a stale one
    for (int n = 0; n < 60; ++n)
        rx.Take(gen.Next(ram));
    EXPECT_EQ(rx.rt, "Still here");
    // Sent all the time, it never goes stale.
    for (int n = 0; n < 600; ++n) {
        rx.Take(gen.Next(ram));
        ASSERT_FALSE(rx.rtStale()) << n;
    }
    // Radiotext off: only 0A groups. The text stays, stale from the 114th group.
    ram[image::kRTControl] = 0;
    int staleAfter = 0;
    while (!rx.rtStale() && staleAfter < 1000) {
        const Group g = gen.Next(ram);
        ASSERT_NE(g.type(), 2);
        rx.Take(g);
        ++staleAfter;
    }
    EXPECT_GE(staleAfter, static_cast<int>(Receiver::kRTStaleGroups) - 4);  // counted from the last 2A
    EXPECT_LE(staleAfter, static_cast<int>(Receiver::kRTStaleGroups));
    EXPECT_EQ(rx.rt, "Still here");
    EXPECT_EQ(rx.rtFlag, 'A');
    // The first 2A group makes it current again.
    ram[image::kRTControl] = 1;
    Group g = gen.Next(ram);
    while (g.type() != 2) {
        rx.Take(g);
        g = gen.Next(ram);
    }
    rx.Take(g);
    EXPECT_FALSE(rx.rtStale());
}

} // namespace
} // namespace quorvan::rds
