#include "link/clock.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <ctime>
#include <thread>

namespace quorvan {

DateTime SystemClock::now() const
{
    using namespace std::chrono;
    const auto tp = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(tp);
    const auto ms = duration_cast<milliseconds>(tp.time_since_epoch()).count() % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &secs);
#else
    localtime_r(&secs, &local);
#endif
    DateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec > 59 ? 59 : local.tm_sec; // a leap second reads as :59
    t.msec = static_cast<int>(ms);
    return t;
}

void SystemSleeper::sleepMs(unsigned ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 30;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDateTime(const DateTime& t)
{
    return t.year >= 1900 && t.year <= 2099 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 59 && t.msec >= 0 && t.msec <= 999;
}

std::optional<DateTime> ParseDateTime(std::string_view text)
{
    const std::string s(text);
    DateTime t;
    char sep = 0;
    char tail = 0;
    const int n = std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &t.year, &t.month, &t.day, &sep, &t.hour,
                              &t.minute, &t.second, &tail);
    if (n != 7 || (sep != 'T' && sep != ' ') || !IsValidDateTime(t))
        return std::nullopt;
    return t;
}

void ManualTime::sleepMs(unsigned ms)
{
    slept_ += ms;
    advanceMs(ms);
}

void ManualTime::waitUntil(MonoTime deadline)
{
    if (deadline > mono_)
        advance(deadline - mono_);
}

void ManualTime::advanceMs(std::int64_t ms)
{
    advance(std::chrono::milliseconds(ms));
}

void ManualTime::advance(MonoTime by)
{
    mono_ += by;
    belowMs_ += by;
    const auto whole = std::chrono::duration_cast<std::chrono::milliseconds>(belowMs_);
    belowMs_ -= whole;
    advanceFields(whole.count());
}

void ManualTime::advanceFields(std::int64_t ms)
{
    // Carry through the fields one unit at a time; tests advance by small amounts.
    std::int64_t total = current_.msec + ms;
    std::int64_t carrySec = total / 1000;
    current_.msec = static_cast<int>(total % 1000);
    while (carrySec-- > 0) {
        if (++current_.second < 60)
            continue;
        current_.second = 0;
        if (++current_.minute < 60)
            continue;
        current_.minute = 0;
        if (++current_.hour < 24)
            continue;
        current_.hour = 0;
        if (++current_.day <= daysInMonth(current_.year, current_.month))
            continue;
        current_.day = 1;
        if (++current_.month <= 12)
            continue;
        current_.month = 1;
        ++current_.year;
    }
}

} // namespace quorvan
