#include "encoder/image_decode.h"

#include <algorithm>
#include <cmath>

namespace quorvan {

std::string TrimReceivedText(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 1 && text[end - 1] == ' ')
        --end;
    std::string out(text.substr(0, end));
    if (out == " ")
        out.clear();
    return out;
}

int ReceivedAFCount(std::uint8_t count)
{
    return count > image::kAFMax ? 0 : count;
}

std::string ReceivedAFText(int code, char decimalSeparator)
{
    const int tenths = code + 875;
    return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

int ReceivedDPSLength(std::uint8_t length)
{
    return std::min<int>(length, image::kDPSMax);
}

std::array<std::uint8_t, 5> PackClockTime(const ClockTimeFields& f)
{
    // Six zero bits, MJD (17), hour (5), minute (6), sign (1), offset (5),
    // most significant bit first.
    const std::uint64_t bits = (static_cast<std::uint64_t>(f.mjd & 0x1FFFF) << 17) |
                               (static_cast<std::uint64_t>(f.utcHour & 0x1F) << 12) |
                               (static_cast<std::uint64_t>(f.utcMinute & 0x3F) << 6) |
                               (static_cast<std::uint64_t>(f.negative ? 1 : 0) << 5) |
                               static_cast<std::uint64_t>(f.halfHours & 0x1F);
    std::array<std::uint8_t, 5> bytes{};
    for (int i = 0; i < 5; ++i)
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * (4 - i)));
    return bytes;
}

ClockTimeFields UnpackClockTime(const std::array<std::uint8_t, 5>& bytes)
{
    std::uint64_t bits = 0;
    for (std::uint8_t b : bytes)
        bits = (bits << 8) | b;
    ClockTimeFields f;
    f.mjd = static_cast<int>((bits >> 17) & 0x1FFFF);
    f.utcHour = static_cast<int>((bits >> 12) & 0x1F);
    f.utcMinute = static_cast<int>((bits >> 6) & 0x3F);
    f.negative = ((bits >> 5) & 1) != 0;
    f.halfHours = static_cast<int>(bits & 0x1F);
    return f;
}

int ModifiedJulianDay(int year, int month, int day)
{
    const int l = (month == 1 || month == 2) ? 1 : 0;
    // int(x * 365.25) and int(x * 30.6001) in whole numbers, truncating toward zero.
    const long long years = static_cast<long long>(year - 1900 - l) * 36525 / 100;
    const long long months = static_cast<long long>(month + 1 + 12 * l) * 306001 / 10000;
    return static_cast<int>(14956 + day + years + months);
}

DateTime DateOfModifiedJulianDay(int mjd)
{
    const int y1 = static_cast<int>(std::floor((mjd - 15078.2) / 365.25));
    const int m1 = static_cast<int>(std::floor((mjd - 14956.1 - std::floor(y1 * 365.25)) / 30.6001));
    const int day = mjd - 14956 - static_cast<int>(std::floor(y1 * 365.25)) - static_cast<int>(std::floor(m1 * 30.6001));
    const int k = (m1 == 14 || m1 == 15) ? 1 : 0;
    DateTime d;
    d.year = 1900 + y1 + k;
    d.month = m1 - 1 - k * 12;
    d.day = day;
    return d;
}

} // namespace quorvan
