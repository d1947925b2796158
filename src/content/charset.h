// The encoder's character sets and the UTF-8 codec: how a Unicode text becomes
// the one byte per character the encoder stores, and back.
//  - Latin-1: a character's byte is its code point; texts go out as typed.
//  - RDS: the RDS basic character set that receivers show (IEC 62106-4, the
//    table of EN 50067:1998 Annex E), generated from rds_charset.tsv.
// Unicode normalisation and case rules come from ICU, never from a table typed
// here. This code never touches the encoder, the settings file or the window:
// it converts texts and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

// Settings key Config/Charset: 0 Latin-1, 1 RDS.
enum class Charset : int { Latin1 = 0, Rds = 1 };

// The setting's number as a character set: 1 is Rds, every other value Latin-1.
inline Charset CharsetFromInt(int value) { return value == 1 ? Charset::Rds : Charset::Latin1; }

// Text from outside (a source-file line, a network line, a command-line argument):
// UTF-8 when valid (a leading UTF-8 byte-order mark skipped), otherwise Latin-1
// as Windows playout software writes it: the bytes 0x80-0x9F that Windows-1252
// assigns are its typographic characters (0x96 "–", 0x85 "…", 0x80 "€"), the
// others stay C1 controls. Returns UTF-8.
std::string ExternalTextToUtf8(std::string_view bytes);

// Encoder bytes of a UTF-8 text, one byte per character. The text is first brought
// to composed form (NFC), so "o" followed by a combining diaeresis is "ö".
// Latin-1: the character's byte, "?" where Latin-1 has none.
// Rds: the table's code; variants (the table's last column) map to their code,
// and so do near-identical letters the table has in their other form
// ("ș" comma below -> "ş" cedilla, "Đ" -> "Ð", "μ" -> "µ");
// otherwise transliterated: typographic quotes become ' and ", dashes "-", "…"
// "..." (three bytes), spaces such as NBSP " ", invisible format characters and
// lone combining marks vanish, letters lose the diacritics the table lacks (Unicode
// decomposition: "ț" -> "t", "ǘ" -> "ü"), compatibility forms their plain letters
// ("ﬁ" -> "fi"); what is still left becomes "?".
// An invalid UTF-8 byte counts as a character without a code ("?").
std::string EncodeText(std::string_view utf8, Charset cs);

// The same, leaving out each character that has neither a code nor a
// transliteration (where EncodeText puts "?"): what a text field takes of a
// typed or pasted text.
std::string EncodeKnownText(std::string_view utf8, Charset cs);

// UTF-8 of encoder bytes. Latin-1: every byte is its character. Rds: a code the
// table does not assign becomes a space.
std::string DecodeText(std::string_view encoderBytes, Charset cs);

// True when `c` has a byte of its own in `cs` (for Rds: a table code or a
// variant), so that it can stand in a text field without being changed.
bool CanEncode(char32_t c, Charset cs);

// The RDS table: the code of a character (its own or a variant's), and the
// character of a code (nullopt for an unassigned code).
std::optional<std::uint8_t> RdsCode(char32_t c);
std::optional<char32_t> RdsChar(std::uint8_t code);
// Number of codes the RDS table assigns (226).
std::size_t RdsAssignedCodes();

// Capital of a character by Unicode case rules, when its capital (a single
// character) can be encoded in `cs`; otherwise the character itself.
char32_t UpperInCharset(char32_t c, Charset cs);

// Encoder bytes in `cs` with every letter made a capital by UpperInCharset.
std::string ToCapitalsEncoded(std::string_view encoderBytes, Charset cs);
// Characters with every letter made its capital by Unicode case rules (one
// character for one: "ß" stays).
std::u32string ToCapitals(std::u32string_view chars);

// UTF-8 helpers.
// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or
// values above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
// Code points of a UTF-8 text; each invalid byte becomes U+FFFD.
std::u32string Utf8ToChars(std::string_view utf8);
// UTF-8 of code points; a surrogate or a value above U+10FFFF becomes U+FFFD.
std::string CharsToUtf8(std::u32string_view chars);
void AppendUtf8(std::string& out, char32_t c);
// UTF-8 of Latin-1 bytes.
std::string Latin1ToUtf8(std::string_view latin1);
// Number of characters of a UTF-8 text (an invalid byte counts as one).
std::size_t Utf8Length(std::string_view utf8);

} // namespace quorvan
