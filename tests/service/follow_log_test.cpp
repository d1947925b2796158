// The follower's report lines: the outcome of a transfer, the encoder's
// bytes decoded from the station's character set (the clock-time minute
// left as it is), the count of lines a reply answered, notices as they are.
#include "content/charset.h"
#include "service/follow_log.h"

#include <gtest/gtest.h>

namespace quorvan::service {
namespace {

std::string Brackets(const std::string& utf8) { return "[" + utf8 + "]"; }

const DateTime kAt{2024, 5, 10, 9, 3, 7, 450};

TEST(FollowLog, EventLinesSayTheOutcomeAndDecodeEncoderText)
{
    EXPECT_EQ(followEventLine({kAt, "RT1", "Now on air", true}, Charset::Latin1, Brackets),
              "2024-05-10 09:03:07 RT1 [Now on air] Ready");
    EXPECT_EQ(followEventLine({kAt, "DPS", "HELLO", false}, Charset::Latin1, Brackets),
              "2024-05-10 09:03:07 DPS [HELLO] !Ready");
    EXPECT_EQ(followEventLine({kAt, "RT2", "", std::nullopt}, Charset::Latin1, Brackets),
              "2024-05-10 09:03:07 RT2 [] (not sent)");
    // An encoder byte is decoded from the station's character set; the clock
    // time's "hh:mm" is not an encoder text.
    const std::string encoded = EncodeText("Café", Charset::Rds);
    ASSERT_NE(encoded, "Café");
    EXPECT_EQ(followEventLine({kAt, "RT1", encoded, true}, Charset::Rds, Brackets),
              "2024-05-10 09:03:07 RT1 [Café] Ready");
    EXPECT_EQ(followEventLine({kAt, "CT", "09:04", true}, Charset::Rds, Brackets),
              "2024-05-10 09:03:07 CT [09:04] Ready");
}

TEST(FollowLog, PortLinesCountTheLinesARepliesAnsweredAndShowNoticesBare)
{
    remote::LogEntry one{kAt, "127.0.0.1 TCP", "PTY=4", "+"};
    EXPECT_EQ(networkLogLine(one, Brackets), "2024-05-10 09:03:07 NET 127.0.0.1 TCP [PTY=4] +");
    one.lines = 3;
    EXPECT_EQ(networkLogLine(one, Brackets), "2024-05-10 09:03:07 NET 127.0.0.1 TCP [PTY=4] + (3 lines)");
    remote::LogEntry notice{kAt, "127.0.0.1", "93 more lines from 127.0.0.1 not shown", "", 1, true};
    EXPECT_EQ(networkLogLine(notice, Brackets), "2024-05-10 09:03:07 NET 93 more lines from 127.0.0.1 not shown");
    EXPECT_EQ(uecpLogLine({kAt, "127.0.0.1 UDP", "PS QUORVAN", false}, Brackets),
              "2024-05-10 09:03:07 UECP 127.0.0.1 UDP [PS QUORVAN]");
    EXPECT_EQ(uecpLogLine({kAt, "/dev/ttyS0", "frame refused", true}, Brackets),
              "2024-05-10 09:03:07 UECP /dev/ttyS0 [frame refused] !");
}

TEST(FollowLog, FollowedLinesNameWhatRuns)
{
    TStationParams params;
    EXPECT_TRUE(followedLines(params, Brackets).empty());
    params.radiotext.CBRTEN = params.textSources.CBR1FF = params.radiotext.RTSA = params.system.CTRunning = true;
    params.textSources.ER1F = "rt.txt";
    params.radiotext.SERTSW = 0;
    EXPECT_EQ(followedLines(params, Brackets),
              (std::vector<std::string>{"Radiotext source: [rt.txt]", "Radiotext switching: every 30 s",
                                        "Clock time: every minute"}));
    params.radiotext.SERTSW = 5;
    EXPECT_EQ(followedLines(params, Brackets)[1], "Radiotext switching: every 5 min");
}

} // namespace
} // namespace quorvan::service
