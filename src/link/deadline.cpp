#include "link/deadline.h"

#include <cerrno>
#include <ctime>

#include <sys/prctl.h>

namespace quorvan {

namespace {

// The timer slack a waiting thread asks for, in nanoseconds. The pause is
// about 1.66 ms; the default slack (50 us) would add 3 % to every one.
constexpr unsigned long kTimerSlackNs = 1000;

void LowerTimerSlackOnce()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    // Failing leaves the default slack: the waits are then a little longer,
    // which the encoder does not mind.
    ::prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0);
}

} // namespace

MonoTime SystemDeadline::monoNow() const
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

void SystemDeadline::waitUntil(MonoTime deadline)
{
    LowerTimerSlackOnce();
    if (deadline.count() <= 0)
        return;
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(deadline);
    timespec ts{};
    ts.tv_sec = static_cast<std::time_t>(secs.count());
    ts.tv_nsec = static_cast<long>((deadline - secs).count());
    // An absolute deadline survives a signal: the wait simply resumes.
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

SystemDeadline& SystemDeadline::instance()
{
    static SystemDeadline system;
    return system;
}

} // namespace quorvan
