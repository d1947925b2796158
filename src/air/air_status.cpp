#include "air/air_status.h"

#include "settings/file_system.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace quorvan::air {

namespace {

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

} // namespace

std::string FormatAirStatus(const AirStatus& s)
{
    return "device=" + LineClean(s.device) + "\nrate=" + std::to_string(s.rate) + "\nrds_level=" + Number(s.rdsLevel) +
           "\npilot_level=" + Number(s.pilotLevel) + "\nstarted=" + std::to_string(s.startedUnix) +
           "\nupdated=" + std::to_string(s.updatedUnix) + "\ngroups=" + std::to_string(s.groups) +
           "\nunderruns=" + std::to_string(s.underruns) + "\npid=" + std::to_string(s.pid) + "\n";
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
    PosixFileSystem fs;
    const std::optional<std::string> text = fs.readFile(AirStatusPath(stateFile));
    if (!text || text->size() > 4096)
        return std::nullopt;
    return ParseAirStatus(*text);
}

bool WriteAirStatus(const std::string& stateFile, const AirStatus& status)
{
    PosixFileSystem fs;
    return replaceFileContents(fs, AirStatusPath(stateFile), FormatAirStatus(status));
}

bool AirStatusFresh(const AirStatus& status, std::int64_t nowUnix)
{
    // The distance either way, in unsigned arithmetic so that no value overflows.
    const auto now = static_cast<std::uint64_t>(nowUnix), updated = static_cast<std::uint64_t>(status.updatedUnix);
    const std::uint64_t apart = nowUnix >= status.updatedUnix ? now - updated : updated - now;
    return apart < static_cast<std::uint64_t>(kAirStatusStaleSeconds);
}

std::string DescribeAirStatus(const std::optional<AirStatus>& status, std::int64_t nowUnix, const ClockText& clockText)
{
    if (!status || !AirStatusFresh(*status, nowUnix))
        return "not on air";
    const AirStatus& s = *status;
    std::string text = s.device + ", " + RateText(s.rate) + ", RDS " + Number(s.rdsLevel) + " %, pilot ";
    text += s.pilotLevel > 0 ? Number(s.pilotLevel) + " %" : std::string("off");
    text += ", " + std::to_string(s.underruns) + (s.underruns == 1 ? " underrun" : " underruns");
    text += ", since " + (clockText ? clockText(s.startedUnix) : LocalClockText(s.startedUnix));
    return text;
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
