#include "sources/timer_loop.h"

#include <algorithm>

namespace quorvan {

std::int64_t SteadyStopwatch::elapsedMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
        .count();
}

std::int64_t msecSinceEpoch(const DateTime& t)
{
    // Days from the civil date (proleptic Gregorian), after H. Hinnant.
    const int y = t.year - (t.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (t.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return days * 86'400'000 + t.msecOfDay();
}

TimerLoop::TimerId TimerLoop::add(std::int64_t intervalMs, Handler handler, bool enabled)
{
    const std::int64_t interval = std::max<std::int64_t>(intervalMs, 1);
    timers_.push_back({interval, std::move(handler), enabled, stopwatch_.elapsedMs() + interval});
    return timers_.size() - 1;
}

void TimerLoop::setEnabled(TimerId id, bool enabled)
{
    Timer& timer = timers_.at(id);
    if (enabled && !timer.enabled)
        timer.dueMs = stopwatch_.elapsedMs() + timer.intervalMs;
    timer.enabled = enabled;
}

void TimerLoop::restart(TimerId id)
{
    Timer& timer = timers_.at(id);
    if (!timer.enabled)
        return;
    timer.dueMs = stopwatch_.elapsedMs() + timer.intervalMs;
}

std::int64_t TimerLoop::runDue()
{
    for (Timer& timer : timers_) {
        if (!timer.enabled || stopwatch_.elapsedMs() < timer.dueMs)
            continue;
        // Due from now on, before the handler runs: a handler may restart
        // its own timer or another one.
        timer.dueMs = std::max(timer.dueMs + timer.intervalMs, stopwatch_.elapsedMs() + 1);
        timer.handler();
    }
    std::int64_t wait = -1;
    const std::int64_t now = stopwatch_.elapsedMs();
    for (const Timer& timer : timers_)
        if (timer.enabled) {
            const std::int64_t left = std::max<std::int64_t>(timer.dueMs - now, 0);
            wait = wait < 0 ? left : std::min(wait, left);
        }
    return wait;
}

void TimerLoop::run(const std::function<bool()>& stop, unsigned maxSleepMs)
{
    while (!stop()) {
        const std::int64_t wait = runDue();
        if (stop())
            break;
        const std::int64_t step = wait < 0 ? maxSleepMs : std::min<std::int64_t>(wait, maxSleepMs);
        if (step > 0)
            sleeper_.sleepMs(static_cast<unsigned>(step));
    }
}

} // namespace quorvan
