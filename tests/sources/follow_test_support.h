// A sleeper for follow tests: time moves only by sleeping (on ManualTime),
// and actions scheduled for a moment run when the sleep reaches it, such as
// rewriting a source file or asking the loop to stop.
#pragma once

#include "link/clock.h"
#include "sources/timer_loop.h"

#include <functional>
#include <map>

namespace quorvan::testing {

class ScriptedTime final : public Sleeper {
public:
    explicit ScriptedTime(DateTime start = {2024, 5, 6, 10, 0, 0, 0}) : time_(start), stopwatch_(time_) {}

    // Runs `action` once the time since the start reaches `atMs`.
    void at(std::int64_t atMs, std::function<void()> action) { actions_.emplace(atMs, std::move(action)); }

    void sleepMs(unsigned ms) override
    {
        time_.sleepMs(ms);
        while (!actions_.empty() && actions_.begin()->first <= sinceStart()) {
            auto action = std::move(actions_.begin()->second);
            actions_.erase(actions_.begin());
            action();
        }
    }
    std::int64_t sinceStart() const { return time_.totalSleptMs(); }
    const Clock& clock() const { return time_; }
    const Stopwatch& stopwatch() const { return stopwatch_; }

private:
    ManualTime time_;
    ClockStopwatch stopwatch_;
    std::multimap<std::int64_t, std::function<void()>> actions_;
};

} // namespace quorvan::testing
