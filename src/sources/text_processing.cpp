#include "sources/text_processing.h"

#include <array>

namespace quorvan {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

TextProcessingOptions TextProcessingOptionsOf(const TStationParams& params)
{
    return {params.CBRSN, params.CBREIB, params.CBCTC};
}

std::string RemoveSongNumbering(std::string_view text)
{
    if (text.size() < 3) return std::string(text);
    std::string_view copy = text;
    if (startsWith(copy, "(")) copy.remove_prefix(1);

    int digits = 0;
    while (digits < 3 && !copy.empty() && isDigit(copy.front())) {
        copy.remove_prefix(1);
        ++digits;
    }
    if (digits == 0) return std::string(text);

    static constexpr std::array<std::string_view, 8> separators = {
        ". - ", " - ", "- ", ") ", ". ", ".-", " -", "-"};
    for (std::string_view separator : separators) {
        if (startsWith(copy, separator)) {
            copy.remove_prefix(separator.size());
            return std::string(copy);
        }
    }
    return std::string(text);
}

std::string RemoveBracketedInformation(std::string_view text)
{
    std::string s(text);
    if (s.size() < 4) return s;

    // Positions below are 0-based: 1-based position 4 is index 3.
    const std::size_t close = s.rfind(')');
    if (close == std::string::npos || close < 3) return s;

    std::size_t open = std::string::npos;
    for (std::size_t i = close - 2; i >= 1; --i) {
        if (s[i] == '(') {
            open = i;
            break;
        }
    }
    if (open == std::string::npos) return s;

    const bool closesText = close + 1 == s.size();
    const std::size_t from = (s[open - 1] == ' ' && closesText) ? open - 1 : open;
    s.erase(from, close - from + 1);
    return s;
}

char ToUpperLatin1(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
    return c;
}

std::string ToCapitalsLatin1(std::string_view text)
{
    std::string s(text);
    for (char& c : s) c = ToUpperLatin1(c);
    return s;
}

std::string CharReplace(std::string_view text, const TextProcessingOptions& options)
{
    std::string s(text);
    if (options.CBRSN) s = RemoveSongNumbering(s);
    if (options.CBREIB) s = RemoveBracketedInformation(s);
    if (options.CBCTC) s = ToCapitalsLatin1(s);
    return s;
}

std::string GBMOClickExample(const TextProcessingOptions& options)
{
    std::string example = options.CBCTC ? "12. MORVESK - CATCH (VOCAL MIX)"
                                        : "12. Morvesk - Catch (Vocal Mix)";
    if (options.CBRSN) {
        example = example.substr(example.size() - 27);
        if (options.CBREIB) example = example.substr(0, 15);
    } else if (options.CBREIB) {
        example = example.substr(0, 19);
    }
    return example;
}

} // namespace quorvan
