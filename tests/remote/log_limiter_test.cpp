#include "remote/log_limiter.h"

#include "link/clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvan::remote {
namespace {

struct LimiterRig {
    ManualTime time;
    ClockStopwatch stopwatch{time};
    std::vector<std::string> notices;
    LogLimiter limiter{stopwatch, [this](const std::string& sender, const std::string& text) {
                           notices.push_back(sender + ": " + text);
                       }};
    int admitted(const std::string& sender, int lines)
    {
        int shown = 0;
        for (int i = 0; i < lines; ++i)
            shown += limiter.admit(sender) ? 1 : 0;
        return shown;
    }
};

TEST(LogLimiter, TenLinesASecondPerSenderThenTheCount)
{
    LimiterRig r;
    EXPECT_EQ(r.admitted("10.0.0.1", 25), 10);
    EXPECT_EQ(r.admitted("10.0.0.2", 3), 3);  // each sender has its own
    EXPECT_TRUE(r.notices.empty());
    // Still flooding in the next second: the count of the last comes first.
    r.time.advanceMs(1000);
    EXPECT_EQ(r.admitted("10.0.0.1", 11), 10);
    EXPECT_EQ(r.notices, std::vector<std::string>{"10.0.0.1: 15 more lines from 10.0.0.1 not shown"});
    EXPECT_EQ(r.limiter.flush(), 1000);
    r.time.advanceMs(1500);
    EXPECT_EQ(r.limiter.flush(), -1);
    ASSERT_EQ(r.notices.size(), 2u);
    EXPECT_EQ(r.notices[1], "10.0.0.1: 1 more line from 10.0.0.1 not shown");
    // A quiet sender is forgotten and starts afresh.
    EXPECT_EQ(r.admitted("10.0.0.1", 10), 10);
    EXPECT_EQ(r.notices.size(), 2u);
}

} // namespace
} // namespace quorvan::remote
