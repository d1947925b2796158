// Clock time: loading the encoder every minute with the RDS clock time and
// date (group 4A, EN 50067) of the coming minute, and triggering it at each
// minute boundary, so that the data loaded a minute earlier go on air for
// the minute that has just begun.
#pragma once

#include "content/station_params.h"
#include "encoder/bus_runs.h"
#include "encoder/image_decode.h"
#include "encoder/operation.h"
#include "link/clock.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvan {

// The local time offset in whole hours: SEUTCO, plus SESMTO when STMEN is
// checked; local time = UTC + offset. Limited to -14..14, the range the
// offset field can carry.
int LocalTimeOffsetHours(const TStationParams& params);

// A date and time moved by whole minutes (across day, month and year ends).
DateTime AddMinutes(const DateTime& t, int minutes);

// The clock-time record for a load at local time `now`: t = now + 1 minute;
// UTC hour = hour of t - offset, with the day before or after when it leaves
// 0..23; UTC minute = minute of t; MJD of the UTC date; offset sign and size
// in half hours.
ClockTimeFields ClockTimeFor(const DateTime& now, int offsetHours);
// Its 40 bits in five bytes, most significant bit first (0x68..0x6C).
std::array<std::uint8_t, 5> ClockTimeBytes(const DateTime& now, int offsetHours);

// The clock-time record of the minute `utc` (UTC) at a local time offset of
// `offsetHalfHours` half hours (negative: west of Greenwich), as an
// automation system gives the time: UTC stays as given, the offset is carried
// exactly.
ClockTimeFields ClockTimeOfUtc(const DateTime& utc, int offsetHalfHours);
// What 0x67 takes: the group type byte of 4A and the five bytes of `fields`.
ByteRun ClockTimeRecord(const ClockTimeFields& fields);

// SendCT: start (operation begins), 0xD6, 0x67, 0x40, the five bytes, stop
// (operation ends), for the time `now`.
Outcome SendCT(TEncoderLink& link, const DateTime& now, int offsetHours);
// The same for the context's clock and the station's offsets.
Outcome SendCT(EncoderContext& ctx, const TStationParams& params);

// The trigger: start (operation begins), 0xD6, 0x6D, 0x01, stop (operation
// continues); the load that follows closes the operation.
void SendCTTrigger(TEncoderLink& link);

// The record of `fields` put on the air at once: start (operation begins),
// 0xD6, 0x67, the record, stop (operation continues), then start, 0xD6,
// 0x6D, 0x01, stop (operation ends).
Outcome LoadAndTriggerClockTime(TEncoderLink& link, const ClockTimeFields& fields);

// What one Timer3 tick does.
struct TickStep {
    bool trigger = false;  // write the trigger (then pause 200 ms)
    bool load = false;     // run SendCT
    bool operator==(const TickStep&) const = default;
};
// The tick's decision. `first` is the time read at the start of the tick,
// `remembered` the time of the previous tick (none before the first one),
// `again` the clock read a second time. Nothing happens while `first` lies in
// the remembered minute; in another minute the encoder is loaded, and the
// trigger is written first when `again` is at second 0 (a late tick writes
// no trigger for its minute). Minutes are compared with their date and hour,
// so a tick that comes a whole hour later is a new minute too.
TickStep DecideTick(const DateTime& first, const std::optional<DateTime>& remembered, const DateTime& again);

// The clock-time transmission of the "Time and Date" group: BSETCT
// ("Start"/"Stop") and the 100 ms Timer3.
class ClockTimeTransmitter {
public:
    // Running: BSETCT reads "Stop", Timer3 runs, LCT is shown.
    bool Running() const { return running_; }
    // The caption BSETCT shows: "Start" while stopped, "Stop" while running.
    const char* Caption() const { return running_ ? "Stop" : "Start"; }
    const std::optional<DateTime>& Remembered() const { return remembered_; }

    // Starting loads the encoder at once and returns the load's outcome;
    // stopping sends nothing. params.system.CTRunning follows.
    Outcome StartClockTime(EncoderContext& ctx, TStationParams& params);
    void StopClockTime(TStationParams& params);
    // BSETCT: starts when stopped, stops when running (nullopt: stopped).
    std::optional<Outcome> ToggleClockTime(EncoderContext& ctx, TStationParams& params);
    // Start-up: take up the state kept in params.system.CTRunning (loads at once when running).
    std::optional<Outcome> Restore(EncoderContext& ctx, TStationParams& params);

    struct TickResult {
        TickStep step;
        std::optional<Outcome> outcome;  // of the load, when one ran
    };
    // One tick of the 100 ms Timer3; does nothing while stopped.
    TickResult Tick(EncoderContext& ctx, const TStationParams& params);

private:
    bool running_ = false;
    std::optional<DateTime> remembered_;
};

} // namespace quorvan
