#include "content/pi.h"

namespace quorvan {

namespace {

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

const char kHexDigits[] = "0123456789ABCDEF";

} // namespace

std::string MakeHEX(std::string_view text, int digits)
{
    const std::size_t n = digits < 0 ? 0 : static_cast<std::size_t>(digits);
    if (text.size() < n)
        return std::string(n - text.size(), '0') + std::string(text);
    if (text.size() > n)
        return std::string(text.substr(text.size() - n));
    std::string out(text);
    for (char& c : out)
        if (!isUpperHex(c)) c = 'F';
    return out;
}

std::optional<char> KeyInPi(char key)
{
    if (key == '\b' || isUpperHex(key)) return key;
    if (key >= 'a' && key <= 'f') return static_cast<char>(key - 'a' + 'A');
    return std::nullopt;
}

void PIExit(TStationParams& params)
{
    params.program.PI = MakeHEX(params.program.PI, 4);
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::uint32_t HexTextValue(std::string_view text)
{
    if (text.size() > 8) text = text.substr(text.size() - 8);
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = isUpperHex(c) ? HexDigitValue(c) : 15;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::uint16_t PIValue(std::string_view piText)
{
    return static_cast<std::uint16_t>(HexTextValue(MakeHEX(piText, 4)));
}

std::string HexByteText(std::uint8_t value)
{
    return {kHexDigits[value >> 4], kHexDigits[value & 0xF]};
}

std::string PIText(std::uint16_t value)
{
    return HexByteText(static_cast<std::uint8_t>(value >> 8)) +
           HexByteText(static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace quorvan
