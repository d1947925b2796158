// Programme identification: the PI key filter, hexadecimal normalisation and
// the numeric value of a hexadecimal text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "content/station_params.h"

namespace quorvan {

// Brings a hexadecimal text to exactly `digits` characters:
//  - shorter: filled on the left with '0' ("" -> "0000", "1A" -> "001A");
//  - longer:  only the last `digits` characters are kept, unchecked ("12345" -> "2345");
//  - exactly `digits`: every character other than 0-9 and upper-case A-F
//    becomes 'F' ("12ab" -> "12FF", "12G4" -> "12F4").
// Used with 4 digits for the PI and 2 for the user group bytes. `digits` < 0 is taken as 0.
std::string MakeHEX(std::string_view text, int digits);

// Key filter of the PI field: backspace ('\b') and 0-9, A-F pass; a-f pass
// as their upper-case form; every other character is discarded (nullopt).
std::optional<char> KeyInPi(char key);

// Leaving the PI field: PI := MakeHEX(PI, 4).
void PIExit(TStationParams& params);

// Value of one hexadecimal digit (0-9, A-F, a-f), or -1 for any other character.
int HexDigitValue(char c);

// Value of a hexadecimal text, reading every character that is not 0-9 or
// upper-case A-F as 'F' (as MakeHEX would); only the last 8 characters count.
std::uint32_t HexTextValue(std::string_view text);

// The 16-bit PI code of a PI text: MakeHEX(text, 4) read by HexTextValue, so
// a text cut from a longer value that still holds a stray character never
// fails (the character counts as F). First two digits = high byte.
std::uint16_t PIValue(std::string_view piText);
inline std::uint8_t PIHighByte(std::string_view piText) { return static_cast<std::uint8_t>(PIValue(piText) >> 8); }
inline std::uint8_t PILowByte(std::string_view piText) { return static_cast<std::uint8_t>(PIValue(piText) & 0xFF); }

// Two upper-case hexadecimal digits of a byte ("0A", "FF").
std::string HexByteText(std::uint8_t value);

// The PI text for a received 16-bit code: four upper-case digits, high byte first.
std::string PIText(std::uint16_t value);

} // namespace quorvan
