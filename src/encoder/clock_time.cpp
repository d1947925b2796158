#include "encoder/clock_time.h"

#include "encoder/bus_runs.h"
#include "encoder/image_layout.h"

#include <algorithm>
#include <cstdlib>

namespace quorvan {

namespace {
constexpr int kMaxOffsetHours = 14;
constexpr unsigned kAfterTriggerMs = 200;

bool SameMinute(const DateTime& a, const DateTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute;
}
} // namespace

int LocalTimeOffsetHours(const TStationParams& params)
{
    const int offset = params.preferences.SEUTCO + (params.system.STMEN ? params.preferences.SESMTO : 0);
    return std::clamp(offset, -kMaxOffsetHours, kMaxOffsetHours);
}

DateTime AddMinutes(const DateTime& t, int minutes)
{
    DateTime r = t;
    int total = r.hour * 60 + r.minute + minutes;
    int days = 0;
    while (total < 0) {
        total += 24 * 60;
        --days;
    }
    days += total / (24 * 60);
    total %= 24 * 60;
    r.hour = total / 60;
    r.minute = total % 60;
    for (; days > 0; --days) {
        if (++r.day > daysInMonth(r.year, r.month)) {
            r.day = 1;
            if (++r.month > 12) {
                r.month = 1;
                ++r.year;
            }
        }
    }
    for (; days < 0; ++days) {
        if (--r.day < 1) {
            if (--r.month < 1) {
                r.month = 12;
                --r.year;
            }
            r.day = daysInMonth(r.year, r.month);
        }
    }
    return r;
}

ClockTimeFields ClockTimeFor(const DateTime& now, int offsetHours)
{
    const DateTime t = AddMinutes(now, 1);
    offsetHours = std::clamp(offsetHours, -kMaxOffsetHours, kMaxOffsetHours);
    ClockTimeFields f;
    int dayChange = 0;
    f.utcHour = t.hour - offsetHours;
    if (f.utcHour < 0) {
        f.utcHour += 24;
        dayChange = -1;
    } else if (f.utcHour >= 24) {
        f.utcHour -= 24;
        dayChange = 1;
    }
    f.utcMinute = t.minute;
    f.mjd = ModifiedJulianDay(t.year, t.month, t.day) + dayChange;
    f.negative = offsetHours < 0;
    f.halfHours = std::abs(offsetHours) * 2;
    return f;
}

std::array<std::uint8_t, 5> ClockTimeBytes(const DateTime& now, int offsetHours)
{
    return PackClockTime(ClockTimeFor(now, offsetHours));
}

ClockTimeFields ClockTimeOfUtc(const DateTime& utc, int offsetHalfHours)
{
    ClockTimeFields f;
    f.mjd = ModifiedJulianDay(utc.year, utc.month, utc.day);
    f.utcHour = utc.hour;
    f.utcMinute = utc.minute;
    f.negative = offsetHalfHours < 0;
    f.halfHours = std::abs(offsetHalfHours);
    return f;
}

ByteRun ClockTimeRecord(const ClockTimeFields& fields)
{
    ByteRun record{image::kCTGroupType4A};
    for (std::uint8_t b : PackClockTime(fields))
        record.push_back(b);
    return record;
}

Outcome SendCT(TEncoderLink& link, const DateTime& now, int offsetHours)
{
    return WriteOperation(link, image::kCTGroupType, ClockTimeRecord(ClockTimeFor(now, offsetHours)));
}

Outcome LoadAndTriggerClockTime(TEncoderLink& link, const ClockTimeFields& fields)
{
    WriteRun(link, Opens::Operation, image::kCTGroupType, ClockTimeRecord(fields), Closes::Continues);
    WriteRun(link, Opens::Continues, image::kCTTrigger, {1}, Closes::Operation);
    return ClosedOutcome(link);
}

Outcome SendCT(EncoderContext& ctx, const TStationParams& params)
{
    return SendCT(ctx.link, ctx.clock.now(), LocalTimeOffsetHours(params));
}

void SendCTTrigger(TEncoderLink& link)
{
    WriteRun(link, Opens::Operation, image::kCTTrigger, {0x01}, Closes::Continues);
}

TickStep DecideTick(const DateTime& first, const std::optional<DateTime>& remembered, const DateTime& again)
{
    TickStep step;
    if (remembered && SameMinute(first, *remembered))
        return step;
    step.load = true;
    step.trigger = again.second == 0;
    return step;
}

Outcome ClockTimeTransmitter::StartClockTime(EncoderContext& ctx, TStationParams& params)
{
    running_ = true;
    params.system.CTRunning = true;
    return SendCT(ctx, params);
}

void ClockTimeTransmitter::StopClockTime(TStationParams& params)
{
    running_ = false;
    params.system.CTRunning = false;
}

std::optional<Outcome> ClockTimeTransmitter::ToggleClockTime(EncoderContext& ctx, TStationParams& params)
{
    if (running_) {
        StopClockTime(params);
        return std::nullopt;
    }
    return StartClockTime(ctx, params);
}

std::optional<Outcome> ClockTimeTransmitter::Restore(EncoderContext& ctx, TStationParams& params)
{
    if (params.system.CTRunning == running_)
        return std::nullopt;
    return ToggleClockTime(ctx, params);
}

ClockTimeTransmitter::TickResult ClockTimeTransmitter::Tick(EncoderContext& ctx, const TStationParams& params)
{
    TickResult tick;
    if (!running_)
        return tick;
    const DateTime first = ctx.clock.now();
    const bool sameMinute = remembered_ && SameMinute(first, *remembered_);
    if (sameMinute) {
        remembered_ = first;
        return tick;
    }
    tick.step = DecideTick(first, remembered_, ctx.clock.now());
    if (tick.step.trigger) {
        SendCTTrigger(ctx.link);
        ctx.sleeper.sleepMs(kAfterTriggerMs);
    }
    remembered_ = first;
    tick.outcome = SendCT(ctx, params);
    return tick;
}

} // namespace quorvan
