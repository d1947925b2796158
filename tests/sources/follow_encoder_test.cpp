// The follower end to end on the virtual encoder: a test rewrites the source
// files while the session runs, and the encoder's RAM follows within one tick.
#include "encoder/encoder_rig.h"
#include "sources/follow_test_support.h"
#include "sources/link_follow_encoder.h"
#include "sources/source_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quorvan {
namespace {

using testing::kTenOClock;
using testing::ScratchDir;
using testing::ScriptedTime;

std::string radiotextInRam(const test::EncoderRig& rig)
{
    std::string text = rig.ramText(0x20, 64);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::string dynamicPSInRam(const test::EncoderRig& rig)
{
    return rig.ramText(0x77, rig.encoder.ram(0x76));
}

TEST(FollowOnVirtualEncoder, RamFollowsTheFilesWithinOneTick)
{
    test::EncoderRig rig;
    ScratchDir dir;
    ScriptedTime time;
    PosixSourceFileSystem fs;
    TStationParams params;
    params.radiotext.CBRTEN = params.textSources.CBR1FF = true;
    params.textSources.ER1F = dir.path() + "playing*.txt";
    params.radiotext.CBRTT1 = 1;
    params.textSources.ER1PR = "Now: ";
    params.dynamicPs.DPS1EN = params.textSources.CBD1FF = true;
    params.textSources.ED1F = "dps.log";
    params.textSources.RGD1L = 1;
    params.dynamicPs.RGDPS1M = 1;
    TextSourceMemory memory;
    LinkFollowEncoder encoder(rig.link, params, time.clock(), time);
    int operations = 0;
    encoder.onOperationEnded = [&] { ++operations; };

    dir.write("playing-1.txt", "Morvesk - Catch\n");
    dir.setLastWrite("playing-1.txt", kTenOClock);
    dir.write("dps.log", "Morvesk - Catch\n");

    std::map<std::int64_t, std::pair<std::string, std::string>> seen;
    auto look = [&](std::int64_t at) {
        time.at(at, [&, at] { seen[at] = {radiotextInRam(rig), dynamicPSInRam(rig)}; });
    };
    look(1000);
    // A newer file appears beside the old one, and the log gets a new line.
    time.at(4000, [&] {
        dir.write("playing-2.txt", "Alvara - Lumen\n");
        dir.setLastWrite("playing-2.txt", kTenOClock + 60);
        dir.write("dps.log", "Morvesk - Catch\nAlvara - Lumen\n");
    });
    look(5900);
    look(6100);
    bool stop = false;
    time.at(10000, [&] { stop = true; });

    std::vector<FollowEvent> events;
    FollowSession session(params, memory, encoder, {dir.path(), &fs, &time.clock(), &time.stopwatch(), &time},
                          [&](const FollowEvent& e) { events.push_back(e); });
    session.run([&] { return stop; });

    EXPECT_EQ(seen[1000], std::make_pair(std::string("Now: Morvesk - Catch"), std::string("Morvesk - Catch")));
    EXPECT_EQ(seen[5900].first, "Now: Morvesk - Catch"); // the tick at 6 s has not come yet
    EXPECT_EQ(seen[6100], std::make_pair(std::string("Now: Alvara - Lumen"), std::string("Alvara - Lumen")));
    EXPECT_EQ(rig.encoder.ram(0x1F), 1);      // radiotext on; the new text toggled RT1's B to A
    EXPECT_EQ(rig.encoder.ram(0x76), 14);
    EXPECT_EQ(rig.encoder.ram(0x77 + 14), ' '); // the closing blank
    EXPECT_EQ(operations, 4);
    ASSERT_EQ(events.size(), 4u);
    for (const FollowEvent& e : events)
        EXPECT_EQ(e.ready, true);
    EXPECT_EQ(memory, (TextSourceMemory{"Alvara - Lumen", "Alvara - Lumen"}));
}

TEST(FollowOnVirtualEncoder, Utf8AndLatin1SourcesReachTheEncoderAsTheSameRdsCodes)
{
    test::EncoderRig rig;
    ScratchDir dir;
    ScriptedTime time;
    PosixSourceFileSystem fs;
    TStationParams params;
    params.preferences.CBCHARSET = 1;
    params.radiotext.CBRTEN = params.textSources.CBR1FF = true;
    params.textSources.ER1F = "rt.txt";
    params.dynamicPs.DPS1EN = params.textSources.CBD1FF = true;
    params.textSources.ED1F = "dps.txt";
    params.dynamicPs.RGDPS1M = 1;
    TextSourceMemory memory;
    LinkFollowEncoder encoder(rig.link, params, time.clock(), time);
    // The same title from UTF-8 software (with a byte-order mark) and from Windows
    // software writing Latin-1, where "–" is 0x96 and "…" 0x85.
    dir.write("rt.txt", "\xEF\xBB\xBF" "Bj\xC3\xB6rk \xE2\x80\x93 J\xC3\xB3ga (Live) \xE2\x80\xA6\n");
    dir.write("dps.txt", "Bj\xF6rk \x96 J\xF3ga (Live) \x85\n");
    bool stop = false;
    time.at(2000, [&] { stop = true; });
    FollowSession session(params, memory, encoder, {dir.path(), &fs, &time.clock(), &time.stopwatch(), &time},
                          [](const FollowEvent&) {});
    session.run([&] { return stop; });

    const std::string codes = "Bj\x97rk - J\x86ga (Live) ...";
    EXPECT_EQ(radiotextInRam(rig), codes);
    EXPECT_EQ(dynamicPSInRam(rig), codes);
    EXPECT_EQ(memory, (TextSourceMemory{"Björk – Jóga (Live) …", "Björk – Jóga (Live) …"}));
}

TEST(FollowOnVirtualEncoder, SilentEncoderEndsNotReady)
{
    test::EncoderRig rig;
    rig.encoder.setPower(false);
    ScratchDir dir;
    ScriptedTime time;
    PosixSourceFileSystem fs;
    TStationParams params;
    params.radiotext.CBRTEN = params.textSources.CBR1FF = true;
    params.textSources.ER1F = "rt.txt";
    dir.write("rt.txt", "Title\n");
    TextSourceMemory memory;
    LinkFollowEncoder encoder(rig.link, params, time.clock(), time);
    std::vector<FollowEvent> events;
    FollowSession session(params, memory, encoder, {dir.path(), &fs, &time.clock(), &time.stopwatch(), &time},
                          [&](const FollowEvent& e) { events.push_back(e); });
    session.ReadTextSources();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].ready, false);
    EXPECT_EQ(memory.RTFromFile, "Title"); // not retried: the change test compares the file text
}

TEST(FollowOnVirtualEncoder, ClockTimeLoadsEveryMinuteAndTriggersAtTheBoundary)
{
    test::EncoderRig rig;
    ScratchDir dir;
    ScriptedTime time(DateTime{2005, 10, 15, 12, 0, 20, 0});
    PosixSourceFileSystem fs;
    TStationParams params;
    params.system.CTRunning = true;
    params.preferences.SEUTCO = 1;
    params.preferences.SESMTO = 1;
    params.system.STMEN = true;
    TextSourceMemory memory;
    LinkFollowEncoder encoder(rig.link, params, time.clock(), time);
    std::vector<FollowEvent> events;
    bool stop = false;
    std::uint32_t latchesBeforeBoundary = 99;
    time.at(39'000, [&] { latchesBeforeBoundary = rig.encoder.state().clockTimeLatches; });
    time.at(100'500, [&] { stop = true; }); // 12:02:00.5
    FollowSession session(params, memory, encoder, {dir.path(), &fs, &time.clock(), &time.stopwatch(), &time},
                          [&](const FollowEvent& e) { events.push_back(e); });
    session.run([&] { return stop; });

    EXPECT_EQ(latchesBeforeBoundary, 0u);
    EXPECT_EQ(rig.encoder.state().clockTimeLatches, 2u); // 12:01:00 and 12:02:00
    EXPECT_EQ(rig.encoder.ram(0x67), 0x40);
    // The load after the 12:02 trigger is for 12:03 (UTC 10:03, offset +2).
    EXPECT_EQ(rig.ram(0x68, 5), "01 A3 34 A0 C4");
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().target, "CT");
    EXPECT_EQ(events.front().text, "12:01");
    EXPECT_EQ(events.back().text, "12:03");
}

} // namespace
} // namespace quorvan
