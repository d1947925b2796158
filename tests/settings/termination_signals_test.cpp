#include "settings/termination_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>

using quorvan::TerminationSignals;

namespace {

bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

} // namespace

TEST(TerminationSignals, SignalsBecomeAReadableEventAndNothingElse)
{
    ASSERT_TRUE(TerminationSignals::install());
    ASSERT_GE(TerminationSignals::fd(), 0);
    EXPECT_EQ(TerminationSignals::take(), 0);
    EXPECT_FALSE(readable(TerminationSignals::fd()));

    std::raise(SIGTERM);
    EXPECT_TRUE(readable(TerminationSignals::fd()));
    EXPECT_EQ(TerminationSignals::take(), SIGTERM);
    EXPECT_FALSE(readable(TerminationSignals::fd()));

    std::raise(SIGHUP);
    std::raise(SIGINT);
    EXPECT_EQ(TerminationSignals::take(), SIGINT);
    TerminationSignals::uninstall();
}
