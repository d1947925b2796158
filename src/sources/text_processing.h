// Cleaning of "now-playing" titles taken from text source files: song
// numbering, bracketed information and capitals. CharReplace and its steps
// work on single-byte (Latin-1) strings of any length and content;
// ProcessSourceText works on the characters of the station's character set.
#pragma once

#include <string>
#include <string_view>

#include "content/charset.h"
#include "content/station_params.h"

namespace quorvan {

// The three "Advanced" options of the text sources.
struct TextProcessingOptions {
    bool CBRSN = false;   // "Remove song numbering"
    bool CBREIB = false;  // "Remove expletive information in brackets"
    bool CBCTC = false;   // "Convert to CAPITALS"
};
TextProcessingOptions TextProcessingOptionsOf(const TStationParams& params);

// Removes a leading track number: an optional "(", one to three digits, then
// the first matching separator of ". - ", " - ", "- ", ") ", ". ", ".-", " -",
// "-". Without both a digit and a separator, or for texts shorter than 3
// characters, the text is returned unchanged.
std::string RemoveSongNumbering(std::string_view text);

// Removes the last bracketed part: the last ")" at position 4 or later with
// the nearest "(" before it at position 2 or later, at least one character
// lying between them. When the ")" ends the text and a blank precedes the
// "(", the blank goes too. Texts shorter than 4 characters stay unchanged.
std::string RemoveBracketedInformation(std::string_view text);

// Upper case by the Latin-1 letter rules: a-z and the accented small letters
// 0xE0-0xFE (except 0xF7, the division sign) become capitals; sharp s
// (0xDF), y with diaeresis (0xFF) and micro sign (0xB5) have no Latin-1
// capital and stay, as does every other byte.
char ToUpperLatin1(char c);
std::string ToCapitalsLatin1(std::string_view text);

// CharReplace: numbering, then brackets, then capitals, each only when its
// option is on. With all options off the text comes back unchanged.
std::string CharReplace(std::string_view text, const TextProcessingOptions& options);
inline std::string CharReplace(std::string_view text, const TStationParams& params)
{
    return CharReplace(text, TextProcessingOptionsOf(params));
}

// A source text as the encoder bytes it becomes in `cs`, with the options applied.
// Latin-1: CharReplace of the bytes as they stand. RDS: the text is read as UTF-8
// (as Latin-1 when it is not valid UTF-8); numbering and brackets are removed on
// its characters; it is encoded in the RDS table (transliterating what the table
// lacks); then capitals by Unicode rules where the table has the capital.
std::string ProcessSourceText(std::string_view text, const TextProcessingOptions& options, Charset cs);
// The same text in full Unicode, for the enhanced radiotext: read as UTF-8 (as
// Latin-1 when it is not valid UTF-8), numbering and brackets removed on its
// characters, capitals by Unicode rules; never transliterated. UTF-8.
std::string ProcessSourceTextUnicode(std::string_view text, const TextProcessingOptions& options);

// The example title the "Text Sources" page shows (STEXMP) for the chosen options, e.g.
// "12. Morvesk - Catch (Vocal Mix)" with no option, "MORVESK - CATCH" with all.
std::string SourceTextExample(const TextProcessingOptions& options);

} // namespace quorvan
