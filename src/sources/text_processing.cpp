#include "sources/text_processing.h"

#include <array>

#include "content/charset.h"

namespace quorvan {

namespace {

// The two removals work alike on bytes (Latin-1) and on characters (the RDS set).
template <class Char>
bool isDigit(Char c) { return c >= '0' && c <= '9'; }

template <class Char>
bool startsWith(std::basic_string_view<Char> text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (text[i] != static_cast<Char>(static_cast<unsigned char>(prefix[i]))) return false;
    return true;
}

template <class Char>
std::basic_string<Char> removeSongNumbering(std::basic_string_view<Char> text)
{
    using String = std::basic_string<Char>;
    if (text.size() < 3) return String(text);
    std::basic_string_view<Char> copy = text;
    if (startsWith(copy, "(")) copy.remove_prefix(1);

    int digits = 0;
    while (digits < 3 && !copy.empty() && isDigit(copy.front())) {
        copy.remove_prefix(1);
        ++digits;
    }
    if (digits == 0) return String(text);

    static constexpr std::array<std::string_view, 8> separators = {
        ". - ", " - ", "- ", ") ", ". ", ".-", " -", "-"};
    for (std::string_view separator : separators) {
        if (startsWith(copy, separator)) {
            copy.remove_prefix(separator.size());
            return String(copy);
        }
    }
    return String(text);
}

template <class Char>
std::basic_string<Char> removeBracketedInformation(std::basic_string_view<Char> text)
{
    std::basic_string<Char> s(text);
    if (s.size() < 4) return s;

    // Positions below are 0-based: 1-based position 4 is index 3.
    const std::size_t close = s.rfind(Char(')'));
    if (close == std::basic_string<Char>::npos || close < 3) return s;

    std::size_t open = std::basic_string<Char>::npos;
    for (std::size_t i = close - 2; i >= 1; --i) {
        if (s[i] == Char('(')) {
            open = i;
            break;
        }
    }
    if (open == std::basic_string<Char>::npos) return s;

    const bool closesText = close + 1 == s.size();
    const std::size_t from = (s[open - 1] == Char(' ') && closesText) ? open - 1 : open;
    s.erase(from, close - from + 1);
    return s;
}

} // namespace

TextProcessingOptions TextProcessingOptionsOf(const TStationParams& params)
{
    return {params.textSources.CBRSN, params.textSources.CBREIB, params.textSources.CBCTC};
}

std::string RemoveSongNumbering(std::string_view text)
{
    return removeSongNumbering(text);
}

std::string RemoveBracketedInformation(std::string_view text)
{
    return removeBracketedInformation(text);
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

std::string ProcessSourceText(std::string_view text, const TextProcessingOptions& options, Charset cs)
{
    if (cs == Charset::Latin1) return CharReplace(text, options);
    std::u32string chars = Utf8ToChars(ExternalTextToUtf8(text));
    if (options.CBRSN) chars = removeSongNumbering(std::u32string_view(chars));
    if (options.CBREIB) chars = removeBracketedInformation(std::u32string_view(chars));
    std::string codes = EncodeText(CharsToUtf8(chars), Charset::Rds);
    // Capitals after the transliteration, so that a letter the table lacks
    // ("ș" sent as "s") is capitalised as the letter that goes out.
    if (options.CBCTC) codes = ToCapitalsEncoded(codes, Charset::Rds);
    return codes;
}

std::string ProcessSourceTextUnicode(std::string_view text, const TextProcessingOptions& options)
{
    std::u32string chars = Utf8ToChars(ExternalTextToUtf8(text));
    if (options.CBRSN) chars = removeSongNumbering(std::u32string_view(chars));
    if (options.CBREIB) chars = removeBracketedInformation(std::u32string_view(chars));
    if (options.CBCTC) chars = ToCapitals(chars);
    return CharsToUtf8(chars);
}

std::string SourceTextExample(const TextProcessingOptions& options)
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
