// Reading image bytes back into values: the rules Receive applies and the
// monitor of the virtual encoder shows.
#pragma once

#include "encoder/image_layout.h"
#include "link/clock.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan {

// A received PS or radiotext: trailing spaces removed, but never the first
// character; a text that is then a single space is empty. Leading spaces stay.
std::string TrimReceivedText(std::string_view text);

// An AF count byte: above 15 is taken as 0.
int ReceivedAFCount(std::uint8_t count);
// A received AF code as a row text: (code + 875) / 10 with one decimal,
// unchecked (0 gives "87.5", 204 "107.9", 255 "113.0").
std::string ReceivedAFText(int code, char decimalSeparator = '.');
// A dynamic PS length byte, capped at 72.
int ReceivedDPSLength(std::uint8_t length);

// The 40 clock-time bits at 0x68..0x6C.
struct ClockTimeFields {
    int mjd = 0;           // Modified Julian Day of the UTC date
    int utcHour = 0;
    int utcMinute = 0;
    bool negative = false; // sign of the local time offset
    int halfHours = 0;     // size of the local time offset in half hours
    bool operator==(const ClockTimeFields&) const = default;
};
std::array<std::uint8_t, 5> PackClockTime(const ClockTimeFields& fields);
ClockTimeFields UnpackClockTime(const std::array<std::uint8_t, 5>& bytes);

// The Modified Julian Day of a date, by the conversion given in EN 50067
// (valid from 1 March 1900 to 28 February 2100).
int ModifiedJulianDay(int year, int month, int day);
// The calendar date of a Modified Julian Day (the inverse conversion of EN 50067).
DateTime DateOfModifiedJulianDay(int mjd);

} // namespace quorvan
