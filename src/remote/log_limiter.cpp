#include "remote/log_limiter.h"

#include <algorithm>

namespace quorvan::remote {

LogLimiter::LogLimiter(const Stopwatch& stopwatch, Notice notice) : stopwatch_(stopwatch), notice_(std::move(notice)) {}

void LogLimiter::report(const std::string& sender, const Second& second)
{
    if (second.hidden > 0 && notice_)
        notice_(sender, std::to_string(second.hidden) + " more line" + (second.hidden == 1 ? "" : "s") + " from " +
                            sender + " not shown");
}

bool LogLimiter::admit(const std::string& sender)
{
    const std::int64_t now = stopwatch_.elapsedMs();
    auto [it, added] = senders_.try_emplace(sender);
    Second& second = it->second;
    if (added || now - second.startMs >= kPeriodMs) {
        report(sender, second);
        second = Second{now, 0, 0};
    }
    if (second.shown < kLinesPerSecond) {
        ++second.shown;
        return true;
    }
    ++second.hidden;
    return false;
}

std::int64_t LogLimiter::flush()
{
    const std::int64_t now = stopwatch_.elapsedMs();
    std::int64_t next = -1;
    for (auto it = senders_.begin(); it != senders_.end();) {
        const std::int64_t left = it->second.startMs + kPeriodMs - now;
        if (left <= 0) {
            // Erased before the notice, which may log and so come back here.
            const std::string sender = it->first;
            const Second second = it->second;
            it = senders_.erase(it);
            report(sender, second);
            continue;
        }
        if (it->second.hidden > 0)
            next = next < 0 ? left : std::min(next, left);
        ++it;
    }
    return next;
}

} // namespace quorvan::remote
