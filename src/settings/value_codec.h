// How values are written into and read from the settings file.
//
// Every reader takes the raw value as IniFile::read() returns it (blanks around
// it already removed; nullopt when the key is absent) and the default to use
// when the key is absent or the value is not valid for the type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

// A whole number: decimal with an optional sign, or hexadecimal after "$",
// "0x" or "0X" (up to 32 bits, taken as a signed 32-bit pattern, so "$FFFFFFFF"
// is -1). Anything else -- empty, trailing garbage, out of the 32-bit range --
// gives nullopt.
std::optional<std::int32_t> parseInteger(std::string_view text);

std::int32_t readInteger(const std::optional<std::string>& raw, std::int32_t fallback);
// An integer as above; non-zero is true.
bool readBoolean(const std::optional<std::string>& raw, bool fallback);
// The value as it stands (an empty value is the empty text).
std::string readText(const std::optional<std::string>& raw, const std::string& fallback);
// A value enclosed in double quotes is the text between them with every doubled
// double quote made single; any other value is taken as it stands.
std::string readQuotedText(const std::optional<std::string>& raw, const std::string& fallback);

std::string writeInteger(std::int32_t value);
std::string writeBoolean(bool value); // "1" / "0"
std::string writeText(std::string_view value);
// Encloses the text in double quotes and doubles each double quote inside, so
// blanks at either end survive the trimming of the reader.
std::string writeQuotedText(std::string_view value);
// The text as it stands when readQuotedText() gives it back unchanged that way;
// otherwise (blanks at either end, or a text that begins and ends with a
// double quote) the quoted form. Ordinary texts are thus written exactly as a
// plain text key writes them.
std::string writeTextQuotedWhenNeeded(std::string_view value);

} // namespace quorvan
