// Periodic timers without a window: the headless front end runs the text
// source tick, the radiotext switching and the clock-time tick with these, as
// the main window does with its message-loop timers. Time comes from a
// Stopwatch and waiting from a Sleeper, so tests run it on ManualTime.
#pragma once

#include "link/clock.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvan {

// Milliseconds that only ever grow, whatever happens to the wall clock.
class Stopwatch {
public:
    virtual ~Stopwatch() = default;
    virtual std::int64_t elapsedMs() const = 0;
};

class SteadyStopwatch final : public Stopwatch {
public:
    std::int64_t elapsedMs() const override;

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Milliseconds since the epoch of a calendar date and time (no time zone).
std::int64_t msecSinceEpoch(const DateTime& t);

// A stopwatch that reads a clock which never goes back, such as ManualTime.
class ClockStopwatch final : public Stopwatch {
public:
    explicit ClockStopwatch(const Clock& clock) : clock_(clock) {}
    std::int64_t elapsedMs() const override { return msecSinceEpoch(clock_.now()); }

private:
    const Clock& clock_;
};

class TimerLoop {
public:
    using Handler = std::function<void()>;
    using TimerId = std::size_t;

    TimerLoop(const Stopwatch& stopwatch, Sleeper& sleeper) : stopwatch_(stopwatch), sleeper_(sleeper) {}

    // A timer whose handler runs every `intervalMs` while enabled; the first
    // time one full interval after it is enabled.
    TimerId add(std::int64_t intervalMs, Handler handler, bool enabled = true);
    // Switching a timer on (again) starts a new full interval.
    void setEnabled(TimerId id, bool enabled);
    // Off and on again: the next run is one full interval from now.
    void restart(TimerId id);
    bool enabled(TimerId id) const { return timers_.at(id).enabled; }

    // Runs due handlers in the order their timers were added, then sleeps
    // until the next is due, in steps of at most `maxSleepMs` so that `stop`
    // is asked often; returns when `stop` says so. A timer that fell due while
    // a handler ran (a long transfer) runs once afterwards, not once per
    // missed interval.
    void run(const std::function<bool()>& stop, unsigned maxSleepMs = 100);

    // Runs the handlers that are due now; returns the milliseconds until the
    // next one is due (-1 when no timer is enabled).
    std::int64_t runDue();

private:
    struct Timer {
        std::int64_t intervalMs;
        Handler handler;
        bool enabled;
        std::int64_t dueMs;
    };
    const Stopwatch& stopwatch_;
    Sleeper& sleeper_;
    std::vector<Timer> timers_;
};

} // namespace quorvan
