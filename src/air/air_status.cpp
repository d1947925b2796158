#include "air/air_status.h"

#include <cctype>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvan::air {

namespace {

std::string Fixed(double value, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

template <typename T>
bool ParseWhole(std::string_view text, T& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseLevel(std::string_view text, double& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value) && value >= 0;
}

// A device name stands on one line of the file and of the monitor: a control
// character in it (a file name may hold a carriage return) becomes '?', on
// writing and on reading, so that the name reads back as it was written.
std::string LineClean(std::string_view text)
{
    std::string clean(text);
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return clean;
}

// "192 kHz", "176.4 kHz".
std::string RateText(int rate)
{
    return Number(rate / 1000.0) + " kHz";
}

// The loop-through's keys, only for a loop-through.
std::string FormatLoop(const AirStatus& s)
{
    if (s.input.empty())
        return {};
    // The phase to a tenth of a degree, 359.96 written as 0.0 and not as 360.0.
    const double phase = std::fmod(std::round(s.rdsPhase * 10) / 10, 360.0);
    return "input=" + LineClean(s.input) + (s.pilot.empty() ? std::string() : "\npilot=" + LineClean(s.pilot)) +
           "\npilot_hz=" + Fixed(s.pilotHz, 3) + "\ninput_pilot_level=" + Number(s.inputPilotLevel) +
           "\nrds_phase=" + Fixed(phase, 1) +
           (s.latencyMs >= 0 ? "\nlatency_ms=" + Number(s.latencyMs) + "\nlatency_periods=" + Number(s.latencyPeriods) +
                                   "\nlatency_in_ms=" + Number(s.latencyInMs) + "\nlatency_out_ms=" + Number(s.latencyOutMs)
                             : std::string()) +
           (s.backlogDrops > 0 ? "\nbacklog_drops=" + std::to_string(s.backlogDrops) : std::string()) +
           (s.driftKnown ? "\ndrift_ppm=" + Number(s.driftPpm) : std::string()) +
           "\noverruns=" + std::to_string(s.overruns) + "\nclips=" + std::to_string(s.clips) + "\n";
}

bool ParseReal(std::string_view text, double& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// "19 000.3": thousands apart by a space, one decimal.
std::string Hz(double hz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", hz);
    std::string digits(text);
    const std::size_t point = digits.find('.');
    for (std::size_t at = point == std::string::npos ? digits.size() : point; at > 3 && std::isdigit(static_cast<unsigned char>(digits[at - 4])); at -= 3)
        digits.insert(at - 3, " ");
    return digits;
}

bool WriteAtomically(const std::string& path, const std::string& bytes, std::string* why)
{
    auto fail = [&](const std::string& cause) {
        if (why)
            *why = cause;
        return false;
    };
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return fail(path + " is a directory");
    // mkstemp opens with O_CREAT | O_EXCL: it makes a new file and follows no link.
    std::string name = path + "." + std::to_string(::getpid()) + ".XXXXXX";
    std::vector<char> templ(name.begin(), name.end());
    templ.push_back('\0');
    const int fd = ::mkstemp(templ.data());
    if (fd < 0)
        return fail(path + ": " + std::strerror(errno));
    const std::string temp(templ.data());
    std::size_t done = 0;
    int cause = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            cause = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, 0644) != 0 && cause == 0)
        cause = errno;
    if (::close(fd) != 0 && cause == 0)
        cause = errno;
    // rename replaces the directory entry itself: a link there is replaced, not followed.
    if (cause == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        cause = errno;
    if (cause != 0) {
        ::unlink(temp.c_str());
        return fail(path + ": " + std::strerror(cause));
    }
    return true;
}

// At most `limit` bytes of a regular file; nullopt when it is missing, not
// regular or longer.
std::optional<std::string> ReadBounded(const std::string& path, std::size_t limit)
{
    // O_NONBLOCK: a FIFO in its place opens at once and is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::string text;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= static_cast<off_t>(limit);
    if (ok) {
        // One byte more than the limit tells a file that grew since the fstat.
        std::vector<char> buffer(limit + 1);
        std::size_t got = 0;
        while (got < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        ok = ok && got <= limit;
        text.assign(buffer.data(), got);
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return text;
}

} // namespace

std::string FormatAirStatus(const AirStatus& s)
{
    return "device=" + LineClean(s.device) + "\nrate=" + std::to_string(s.rate) + "\nrds_level=" + Number(s.rdsLevel) +
           "\npilot_level=" + Number(s.pilotLevel) + "\nstarted=" + std::to_string(s.startedUnix) +
           "\nupdated=" + std::to_string(s.updatedUnix) + "\ngroups=" + std::to_string(s.groups) +
           "\nunderruns=" + std::to_string(s.underruns) + "\npid=" + std::to_string(s.pid) +
           "\nrds=" + (s.rdsOn ? "on" : "off") + "\n" +
           (s.serverRate > 0 ? "server_rate=" + std::to_string(s.serverRate) + "\n" : std::string()) +
           (s.note.empty() ? std::string() : "note=" + LineClean(s.note) + "\n") + FormatLoop(s);
}

std::optional<AirStatus> ParseAirStatus(std::string_view text)
{
    AirStatus s;
    bool device = false, rate = false;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        bool ok = true;
        if (key == "device") {
            s.device = LineClean(value);
            device = !value.empty();
        } else if (key == "rate") {
            ok = ParseWhole(value, s.rate) && s.rate > 0;
            rate = ok;
        } else if (key == "rds_level") {
            ok = ParseLevel(value, s.rdsLevel);
        } else if (key == "pilot_level") {
            ok = ParseLevel(value, s.pilotLevel);
        } else if (key == "started") {
            ok = ParseWhole(value, s.startedUnix);
        } else if (key == "updated") {
            ok = ParseWhole(value, s.updatedUnix);
        } else if (key == "groups") {
            ok = ParseWhole(value, s.groups);
        } else if (key == "underruns") {
            ok = ParseWhole(value, s.underruns);
        } else if (key == "pid") {
            ok = ParseWhole(value, s.pid);
        } else if (key == "rds") {
            ok = value == "on" || value == "off";
            s.rdsOn = value != "off";
        } else if (key == "server_rate") {
            ok = ParseWhole(value, s.serverRate) && s.serverRate >= 0;
        } else if (key == "note") {
            s.note = LineClean(value);
        } else if (key == "input") {
            s.input = LineClean(value);
        } else if (key == "pilot") {
            ok = value == "locked" || value == "acquiring" || value == "holdover" || value == "none";
            s.pilot = std::string(value);
        } else if (key == "pilot_hz") {
            ok = ParseLevel(value, s.pilotHz);
        } else if (key == "input_pilot_level") {
            ok = ParseLevel(value, s.inputPilotLevel);
        } else if (key == "rds_phase") {
            ok = ParseLevel(value, s.rdsPhase) && s.rdsPhase < 360;
        } else if (key == "latency_ms") {
            ok = ParseLevel(value, s.latencyMs);
        } else if (key == "latency_periods") {
            ok = ParseLevel(value, s.latencyPeriods);
        } else if (key == "latency_in_ms") {
            ok = ParseLevel(value, s.latencyInMs);
        } else if (key == "latency_out_ms") {
            ok = ParseLevel(value, s.latencyOutMs);
        } else if (key == "backlog_drops") {
            ok = ParseWhole(value, s.backlogDrops);
        } else if (key == "drift_ppm") {
            ok = ParseReal(value, s.driftPpm);
            s.driftKnown = ok;
        } else if (key == "overruns") {
            ok = ParseWhole(value, s.overruns);
        } else if (key == "clips") {
            ok = ParseWhole(value, s.clips);
        }
        if (!ok)
            return std::nullopt;
    }
    if (!device || !rate)
        return std::nullopt;
    return s;
}

std::string AirStatusPath(const std::string& stateFile)
{
    return stateFile + ".air";
}

std::optional<AirStatus> ReadAirStatus(const std::string& stateFile)
{
    const std::optional<std::string> text = ReadBounded(AirStatusPath(stateFile), kAirStatusMaxBytes);
    if (!text)
        return std::nullopt;
    return ParseAirStatus(*text);
}

bool WriteAirStatus(const std::string& stateFile, const AirStatus& status, std::string* why)
{
    return WriteAtomically(AirStatusPath(stateFile), FormatAirStatus(status), why);
}

std::string AirSnapshotPath(const std::string& stateFile)
{
    return stateFile + ".air.mpx";
}

bool WriteAirSnapshot(const std::string& stateFile, const std::vector<float>& samples, std::string* why)
{
    std::string bytes(samples.size() * 4, '\0');
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &samples[i], 4);
        for (int b = 0; b < 4; ++b)
            bytes[i * 4 + static_cast<std::size_t>(b)] = static_cast<char>((bits >> (8 * b)) & 0xff);
    }
    return WriteAtomically(AirSnapshotPath(stateFile), bytes, why);
}

std::optional<std::vector<float>> ParseAirSnapshot(std::string_view bytes)
{
    if (bytes.size() % 4 != 0 || bytes.size() > kAirSnapshotMaxFrames * 4)
        return std::nullopt;
    std::vector<float> samples(bytes.size() / 4);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint32_t bits = 0;
        for (int b = 0; b < 4; ++b)
            bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i * 4 + static_cast<std::size_t>(b)]))
                    << (8 * b);
        float value = 0;
        std::memcpy(&value, &bits, 4);
        if (!(value >= -1.0f && value <= 1.0f))
            return std::nullopt;
        samples[i] = value;
    }
    return samples;
}

std::optional<std::vector<float>> ReadAirSnapshot(const std::string& stateFile)
{
    const std::optional<std::string> bytes = ReadBounded(AirSnapshotPath(stateFile), kAirSnapshotMaxFrames * 4);
    if (!bytes)
        return std::nullopt;
    return ParseAirSnapshot(*bytes);
}

std::optional<int> LiveAirPlayer(const std::string& stateFile)
{
    const std::optional<AirStatus> status = ReadAirStatus(stateFile);
    if (!status || status->pid <= 0 || status->pid == static_cast<int>(::getpid()))
        return std::nullopt;
    // EPERM: it runs, as another user.
    if (::kill(static_cast<pid_t>(status->pid), 0) == 0 || errno == EPERM)
        return status->pid;
    return std::nullopt;
}

char ProcessState(int pid)
{
    if (pid <= 0)
        return 0;
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "re");
    if (!f)
        return 0;
    char line[512] = {};
    const std::size_t n = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    // "PID (COMM) S ...": the command may hold spaces and parentheses, so the
    // state follows the last ')'.
    const std::string text(line, n);
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size())
        return 0;
    return text[close + 2];
}

bool AirStatusFresh(const AirStatus& status, std::int64_t nowUnix)
{
    // The distance either way, in unsigned arithmetic so that no value overflows.
    const auto now = static_cast<std::uint64_t>(nowUnix), updated = static_cast<std::uint64_t>(status.updatedUnix);
    const std::uint64_t apart = nowUnix >= status.updatedUnix ? now - updated : updated - now;
    return apart < static_cast<std::uint64_t>(kAirStatusStaleSeconds);
}

namespace {

std::string Count(std::int64_t n, const char* one)
{
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

std::string DescribeLoop(const AirStatus& s)
{
    // The input's PCM as the engineer named it ("hw:MPX").
    std::string input = s.input;
    if (input.rfind("ALSA ", 0) == 0)
        input.erase(0, 5);
    std::string text = "loop-through " + input + ", ";
    if (s.pilot == "locked" || s.pilot == "acquiring")
        text += "pilot " + s.pilot + " " + Hz(s.pilotHz) + " Hz " + Fixed(s.inputPilotLevel, 1) + " %";
    else if (s.pilot == "holdover")
        text += "pilot holdover " + Hz(s.pilotHz) + " Hz";
    else
        text += "no pilot: RDS runs free";
    text += s.rdsOn ? ", RDS " + Number(s.rdsLevel) + " % at " + Fixed(s.rdsPhase, 1) + "\u00b0" : std::string(", RDS off");
    if (s.latencyMs >= 0)
        text += ", latency " + Fixed(s.latencyMs, 0) + " ms";
    text += ", " + Count(s.clips, "clip");
    if (s.driftKnown)
        text += ", drift " + Fixed(s.driftPpm, 1) + " ppm";
    if (s.overruns > 0)
        text += ", " + Count(s.overruns, "overrun");
    if (s.underruns > 0)
        text += ", " + Count(s.underruns, "underrun");
    if (s.backlogDrops > 0)
        text += ", " + Count(s.backlogDrops, "backlog drop");
    return text;
}

} // namespace

std::string DescribeAirStatus(const std::optional<AirStatus>& status, std::int64_t nowUnix, const ClockText& clockText)
{
    if (!status || !AirStatusFresh(*status, nowUnix))
        return "not on air";
    const AirStatus& s = *status;
    const std::string since = ", since " + (clockText ? clockText(s.startedUnix) : LocalClockText(s.startedUnix));
    if (!s.input.empty())
        return DescribeLoop(s) + since;
    std::string text = s.device + ", " + RateText(s.rate);
    // What a sound server behind the device really runs at: a rate below the
    // signal's has resampled it.
    if (s.serverRate > 0)
        text += " (sound server at " + RateText(s.serverRate) + ")";
    else if (!s.note.empty())
        text += " (sound server rate unknown)";
    text += s.rdsOn ? ", RDS " + Number(s.rdsLevel) + " %, pilot " : std::string(", RDS off, pilot ");
    text += s.pilotLevel > 0 ? Number(s.pilotLevel) + " %" : std::string("off");
    text += ", " + std::to_string(s.underruns) + (s.underruns == 1 ? " underrun" : " underruns");
    return text + since;
}

std::string LocalClockText(std::int64_t unixSeconds)
{
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    localtime_r(&t, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", local.tm_hour, local.tm_min);
    return text;
}

} // namespace quorvan::air
