// The status of a software encoder on air, in the file STATEFILE.air beside
// the state file it plays: written once a second (atomically) while it plays,
// read by the window's monitor. Key=value lines; unknown keys are ignored so
// that an older reader understands a newer writer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan::air {

// A status older than this is no longer on air: the program stopped or hangs.
inline constexpr std::int64_t kAirStatusStaleSeconds = 3;

struct AirStatus {
    std::string device;            // "ALSA default", "file x.wav", "stdout"
    int rate = 0;                  // Hz
    double rdsLevel = 0;           // percent of full scale, peak
    double pilotLevel = 0;         // percent of full scale, peak; 0 = off
    std::int64_t startedUnix = 0;  // seconds since the epoch
    std::int64_t updatedUnix = 0;
    std::int64_t groups = 0;       // groups sent since the start
    std::int64_t underruns = 0;
    int pid = 0;
    bool operator==(const AirStatus&) const = default;
};

std::string FormatAirStatus(const AirStatus& status);
// nullopt when the text is not a status (no device or rate, a number that
// does not parse).
std::optional<AirStatus> ParseAirStatus(std::string_view text);
// STATEFILE + ".air".
std::string AirStatusPath(const std::string& stateFile);

// Reads and parses the status file; nullopt when it is missing or damaged.
std::optional<AirStatus> ReadAirStatus(const std::string& stateFile);
// Replaces the status file atomically; false when it could not be written.
bool WriteAirStatus(const std::string& stateFile, const AirStatus& status);

// True when the status was written less than kAirStatusStaleSeconds ago.
bool AirStatusFresh(const AirStatus& status, std::int64_t nowUnix);

// Shows a clock time of the day as the reader wants it ("10:32").
using ClockText = std::function<std::string(std::int64_t unixSeconds)>;
// "ALSA default, 192 kHz, RDS 4.5 %, pilot off, 0 underruns, since 10:32";
// "not on air" without a status or with one that is no longer fresh.
std::string DescribeAirStatus(const std::optional<AirStatus>& status, std::int64_t nowUnix, const ClockText& clockText);
// The local time of day as "HH:MM", the default for DescribeAirStatus.
std::string LocalClockText(std::int64_t unixSeconds);

} // namespace quorvan::air
