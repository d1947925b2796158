#include "sources/follow_session.h"
#include "sources/follow_test_support.h"
#include "sources/source_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvan {
namespace {

using testing::ScratchDir;
using testing::ScriptedTime;

class RecordingEncoder final : public FollowEncoder {
public:
    explicit RecordingEncoder(const ScriptedTime& time) : time_(time) {}
    std::vector<std::string> log;
    std::vector<std::string> erts;  // the eRT each radiotext update carries
    int clockTicks = 0;
    bool radiotextUpdate(const RadiotextUpdate& u) override
    {
        log.push_back(stamp() + "RT " + u.bytes.substr(0, u.bytes.find_last_not_of(' ') + 1) + " /" +
                      std::to_string(u.control));
        erts.push_back(u.ert ? *u.ert : "(none)");
        return true;
    }
    bool dynamicPSUpdate(const DynamicPSUpdate& u) override
    {
        log.push_back(stamp() + "DPS " + u.text + " /" + std::to_string(u.length));
        return false;
    }
    bool sendClockTime() override
    {
        log.push_back(stamp() + "SendCT");
        return true;
    }
    std::optional<bool> clockTimeTick() override
    {
        ++clockTicks;
        if (clockTicks % 600 != 0)
            return std::nullopt;
        log.push_back(stamp() + "CT tick load");
        return true;
    }

private:
    std::string stamp() const { return std::to_string(time_.sinceStart()) + " "; }
    const ScriptedTime& time_;
};

class FollowSessionTest : public ::testing::Test {
protected:
    ScratchDir dir;
    PosixSourceFileSystem fs;
    ScriptedTime time;
    RecordingEncoder encoder{time};
    TStationParams params;
    TextSourceMemory memory;
    std::vector<FollowEvent> events;
    bool stop = false;

    void SetUp() override
    {
        params.radiotext.CBRTEN = params.textSources.CBR1FF = true;
        params.textSources.ER1F = "rt.txt";
        params.dynamicPs.DPS1EN = params.textSources.CBD1FF = true;
        params.textSources.ED1F = "dps.txt";
    }
    void runUntil(std::int64_t ms)
    {
        time.at(ms, [this] { stop = true; });
        FollowSession session(params, memory, encoder,
                              {dir.path(), &fs, &time.clock(), &time.stopwatch(), &time},
                              [this](const FollowEvent& e) { events.push_back(e); });
        session.run([this] { return stop; });
    }
};

TEST_F(FollowSessionTest, PollsAtOnceThenEveryThreeSeconds)
{
    dir.write("rt.txt", "First\n");
    dir.write("dps.txt", "Dyn\n");
    time.at(4000, [&] { dir.write("rt.txt", "Second\n"); });
    time.at(6500, [&] { dir.write("dps.txt", "Other\n"); });
    runUntil(10000);
    EXPECT_EQ(encoder.log, (std::vector<std::string>{"0 RT First /1", "0 DPS Dyn /3", "6000 RT Second /3",
                                                     "9000 DPS Other /5"}));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].target, "RT1");
    EXPECT_EQ(events[0].text, "First");
    EXPECT_EQ(events[0].ready, true);
    EXPECT_EQ(events[1].target, "DPS");
    EXPECT_EQ(events[1].ready, false);
    EXPECT_EQ(events[2].time, (DateTime{2024, 5, 6, 10, 0, 6, 0}));
    EXPECT_EQ(memory, (TextSourceMemory{"Other", "Second"}));
}

TEST_F(FollowSessionTest, UnsentChangeIsReportedWithoutStatus)
{
    dir.write("rt.txt", "First\n");
    params.textSources.CBD1FF = false;
    params.textSources.CBR1SC = false;
    runUntil(100);
    EXPECT_TRUE(encoder.log.empty());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].ready, std::nullopt);
}

TEST_F(FollowSessionTest, RadiotextSwitchingRestartsAfterAFileText)
{
    params.textSources.CBD1FF = false;
    params.radiotext.RTSA = true;
    params.radiotext.SERTSW = 0; // every 30 s
    params.radiotext.RT3 = "Third";
    params.radiotext.CBRTT3 = 1;
    dir.write("rt.txt", "From file\n");
    time.at(40000, [&] { dir.write("rt.txt", "Newer\n"); }); // applied at 42 s
    runUntil(100000);
    EXPECT_EQ(encoder.log, (std::vector<std::string>{
                               "0 RT From file /1",
                               "30000 RT Third /3",     // 1 -> 3 (2 is empty)
                               "42000 RT Newer /1",     // into RT1; the switching restarts
                               "72000 RT Newer /1",     // 3 -> 1, a full period after the file text
                           }));
    EXPECT_EQ(params.radiotext.selected, RadiotextSelection::RT1);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[1].target, "RT3");
    EXPECT_EQ(events[1].text, "Third");
}

// ERTFromRT: each radiotext update carries the eRT, the source line's in
// its own letters; the switching to another radiotext brings that text, and
// back to the source's RT1 its letters again.
TEST_F(FollowSessionTest, TheSwitchingCarriesTheEnhancedRadiotextOfEachText)
{
    params.textSources.CBD1FF = false;
    params.preferences.CBCHARSET = 1;
    params.extended.ertFromRt = true;
    params.radiotext.RTSA = true;
    params.radiotext.SERTSW = 0; // every 30 s
    params.radiotext.RT3 = "Third";
    dir.write("rt.txt", "Кино – Группа крови\n");
    runUntil(70000);
    ASSERT_EQ(encoder.log.size(), 3u);
    EXPECT_EQ(encoder.erts, (std::vector<std::string>{"Кино – Группа крови", "Third", "Кино – Группа крови"}));
    EXPECT_EQ(params.extended.ert, "Кино – Группа крови");

    // Without ERTFromRT the updates carry none.
    params.extended = {};
    encoder.erts.clear();
    memory = {};
    stop = false;
    runUntil(140000);
    EXPECT_EQ(encoder.erts, (std::vector<std::string>{"(none)", "(none)", "(none)"}));
}

TEST_F(FollowSessionTest, ClockTimeLoadsAtStartAndTicksEvery100ms)
{
    params.textSources.CBR1FF = params.textSources.CBD1FF = false;
    params.system.CTRunning = true;
    runUntil(120050);
    EXPECT_EQ(encoder.log, (std::vector<std::string>{"0 SendCT", "60000 CT tick load", "120000 CT tick load"}));
    EXPECT_GE(encoder.clockTicks, 1199);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].target, "CT");
    EXPECT_EQ(events[0].text, "10:01");
}

TEST(FollowSession, MinuteText)
{
    EXPECT_EQ(clockTimeMinuteText({2024, 1, 1, 23, 59, 30, 0}), "00:00");
    EXPECT_EQ(clockTimeMinuteText({2024, 1, 1, 9, 5, 0, 0}), "09:06");
}

} // namespace
} // namespace quorvan
