// Time and sleeping as the core sees them. The program, the CLI and the tests
// each inject their own: tests use ManualTime, which never sleeps for real.
#pragma once

#include "link/deadline.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvan {

// A local calendar date and time of day, as the PC clock shows it.
struct DateTime {
    int year = 2000;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
    int msec = 0;    // 0..999

    // Milliseconds since midnight: the "time of day" without a date.
    std::int64_t msecOfDay() const
    {
        return ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + msec;
    }
    bool operator==(const DateTime&) const = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
};

class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(unsigned ms) = 0;
};

// The PC's local clock and real sleeps.
class SystemClock final : public Clock {
public:
    DateTime now() const override;
};

class SystemSleeper final : public Sleeper {
public:
    void sleepMs(unsigned ms) override;
};

// A clock that only moves when told to, or when something sleeps on it.
// Serves as Clock, Sleeper, MonotonicClock and DeadlineWaiter at once, so
// that a sleep or a wait advances the time it reads. set() moves the calendar
// time only, as setting the PC's clock leaves the monotonic clock alone.
class ManualTime final : public Clock, public Sleeper, public MonotonicClock, public DeadlineWaiter {
public:
    explicit ManualTime(DateTime start = {}) : current_(start) {}
    DateTime now() const override { return current_; }
    void sleepMs(unsigned ms) override;
    MonoTime monoNow() const override { return mono_; }
    void waitUntil(MonoTime deadline) override;
    void set(const DateTime& t) { current_ = t; }
    void advanceMs(std::int64_t ms);
    void advance(MonoTime by);
    std::int64_t totalSleptMs() const { return slept_; }

private:
    void advanceFields(std::int64_t ms);

    DateTime current_;
    std::int64_t slept_ = 0;
    MonoTime mono_{0};
    MonoTime belowMs_{0}; // what has passed of the calendar's current millisecond
};

// Calendar helpers shared by the clock-time code and ManualTime.
bool isLeapYear(int year);
int daysInMonth(int year, int month);

// A date and time that exists: 1900 to 2099 (the years the clock-time
// group's Modified Julian Day covers), a day the month has, 00:00:00 to
// 23:59:59, milliseconds 0..999.
bool IsValidDateTime(const DateTime& t);
// "YYYY-MM-DDTHH:MM:SS" (a space in place of the T too, nothing after it);
// nothing when it is not that or not a valid date and time.
std::optional<DateTime> ParseDateTime(std::string_view text);

} // namespace quorvan
