// The status of a software encoder on air, in the file STATEFILE.air beside
// the state file it plays: written once a second (atomically, off the audio
// path) while it plays, read by the window's monitor and by a second `air`
// that must not play the same state. Key=value lines; unknown keys are
// ignored so that an older reader understands a newer writer. The file is
// never written through a link planted in its place, and never read past
// kAirStatusMaxBytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::air {

// A status older than this is no longer on air: the program stopped or hangs.
inline constexpr std::int64_t kAirStatusStaleSeconds = 3;
// A status file longer than this is damaged; no more of it is read.
inline constexpr std::size_t kAirStatusMaxBytes = 4096;

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
    bool rdsOn = true;             // false: the encoder's carrier or power is off (the pilot stays)
    int serverRate = 0;            // Hz of the sound server's own sink behind the device; 0 unknown
    std::string note;              // one line about the way out ("ALSA pulse is a sound server: ...")
    // A loop-through (input not empty): where the station's MPX comes from
    // ("ALSA hw:MPX"), what the pilot lock holds, and the way through.
    std::string input;
    std::string pilot;             // "locked", "acquiring", "holdover", "none"
    double pilotHz = 0;            // the RDS clock's pilot frequency now
    double inputPilotLevel = 0;    // the station's pilot, percent of full scale, peak
    double rdsPhase = 0;           // degrees against the pilot's third harmonic
    double latencyMs = -1;         // input to output, measured; < 0 unknown
    double latencyPeriods = 0;     // the same in periods of the device
    double latencyInMs = 0;        // of it, captured and not yet read
    double latencyOutMs = 0;       // of it, written and not yet played
    std::int64_t backlogDrops = 0; // capture backlogs dropped after a stall
    bool driftKnown = false;
    double driftPpm = 0;           // capture clock against playback clock
    std::int64_t overruns = 0;     // of the capture
    std::int64_t clips = 0;        // clipped output samples
    bool operator==(const AirStatus&) const = default;
};

std::string FormatAirStatus(const AirStatus& status);
// nullopt when the text is not a status (no device or rate, a number that
// does not parse).
std::optional<AirStatus> ParseAirStatus(std::string_view text);
// STATEFILE + ".air".
std::string AirStatusPath(const std::string& stateFile);

// Reads and parses the status file (at most kAirStatusMaxBytes + 1 bytes of
// it); nullopt when it is missing, not a regular file, too long or damaged.
std::optional<AirStatus> ReadAirStatus(const std::string& stateFile);
// Replaces the status file atomically: a new file from mkstemp beside it,
// renamed into its place, so that a link planted there is replaced, never
// followed. Not flushed to the disk: it is a status, not data. false, with
// the cause in `why` when given, when it could not be written (a directory in
// its place stays as it is).
bool WriteAirStatus(const std::string& stateFile, const AirStatus& status, std::string* why = nullptr);

// The process that plays `stateFile` live now, by its status file: the pid it
// names when that process runs and is not this one; nullopt otherwise.
std::optional<int> LiveAirPlayer(const std::string& stateFile);
// The state of process `pid` from /proc: 'T' stopped (SIGSTOP) or traced,
// 'R', 'S', ...; 0 when it does not run or cannot be seen.
char ProcessState(int pid);

// The output samples of a loop-through, STATEFILE + ".air.mpx": the last
// quarter second of what went out, little-endian 32-bit floats, rewritten
// with the status, for the monitor's spectrum. Never read past
// kAirSnapshotMaxFrames frames.
inline constexpr std::size_t kAirSnapshotMaxFrames = 65536;
std::string AirSnapshotPath(const std::string& stateFile);
bool WriteAirSnapshot(const std::string& stateFile, const std::vector<float>& samples, std::string* why = nullptr);
// nullopt unless the bytes are whole samples, all finite and within -1..1,
// at most kAirSnapshotMaxFrames of them.
std::optional<std::vector<float>> ParseAirSnapshot(std::string_view bytes);
std::optional<std::vector<float>> ReadAirSnapshot(const std::string& stateFile);

// True when the status was written less than kAirStatusStaleSeconds ago.
bool AirStatusFresh(const AirStatus& status, std::int64_t nowUnix);

// Shows a clock time of the day as the reader wants it ("10:32").
using ClockText = std::function<std::string(std::int64_t unixSeconds)>;
// "ALSA default, 192 kHz, RDS 4.5 %, pilot off, 0 underruns, since 10:32"
// ("ALSA pulse, 192 kHz (sound server at 48 kHz), RDS off, ..." behind a
// sound server and with the encoder's carrier off);
// A loop-through: "loop-through hw:MPX, pilot locked 19 000.3 Hz 8.9 %, RDS
// 4.5 % at 0.0°, latency 6 ms, 0 clips, since 10:32" ("no pilot: RDS runs
// free", "pilot holdover 19 000.3 Hz"; drift and over- or underruns when
// there are any).
// "not on air" without a status or with one that is no longer fresh.
std::string DescribeAirStatus(const std::optional<AirStatus>& status, std::int64_t nowUnix, const ClockText& clockText);
// The local time of day as "HH:MM", the default for DescribeAirStatus.
std::string LocalClockText(std::int64_t unixSeconds);

} // namespace quorvan::air
