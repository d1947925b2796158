#include "content/charset.h"

#include <algorithm>
#include <array>
#include <vector>

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

namespace quorvan {

std::u32string ToCapitals(std::u32string_view chars)
{
    std::u32string out;
    out.reserve(chars.size());
    for (const char32_t c : chars) out.push_back(static_cast<char32_t>(u_toupper(static_cast<UChar32>(c))));
    return out;
}

namespace {

struct RdsTableEntry {
    std::uint8_t code;
    char32_t ch;
};

#include "content/rds_charset_table.inc"

constexpr char32_t kReplacement = 0xFFFD;

// Both directions of the RDS table, built once.
struct RdsMaps {
    std::array<char32_t, 256> byCode{};  // 0: unassigned (0x00 is never assigned)
    std::vector<RdsTableEntry> byChar;   // sorted by character, variants included

    RdsMaps()
    {
        for (const RdsTableEntry& e : kRdsTable) {
            byCode[e.code] = e.ch;
            byChar.push_back(e);
        }
        for (const RdsTableEntry& e : kRdsVariants) byChar.push_back(e);
        std::sort(byChar.begin(), byChar.end(),
                  [](const RdsTableEntry& a, const RdsTableEntry& b) { return a.ch < b.ch; });
    }
};

const RdsMaps& Maps()
{
    static const RdsMaps maps;
    return maps;
}

// Decodes one character at `i` and advances past it; an invalid byte is
// U+FFFD and advances by one. `valid` is cleared on an invalid byte.
char32_t NextChar(std::string_view s, std::size_t& i, bool& valid)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        c = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;       // overlong
        else if (lead == 0xED) hi = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        c = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;       // overlong
        else if (lead == 0xF4) hi = 0x8F;  // above U+10FFFF
    }
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
        const unsigned char t = b(i + k);
        if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF)) ok = false;
        else c = (c << 6) | (t & 0x3F);
    }
    if (!ok) {
        valid = false;
        ++i;
        return kReplacement;
    }
    i += len;
    return c;
}

bool IsMark(char32_t c)
{
    const int8_t type = u_charType(static_cast<UChar32>(c));
    return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK;
}

std::u16string ToUtf16(std::u32string_view chars)
{
    std::u16string out;
    out.reserve(chars.size());
    for (char32_t c : chars) {
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(U16_LEAD(c)));
            out.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::u32string FromUtf16(std::u16string_view units)
{
    std::u32string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size();) {
        UChar32 c = 0;
        U16_NEXT(units.data(), i, units.size(), c);
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

// `text` normalised by `norm` (NFC); unchanged when ICU fails.
std::u32string Normalize(const UNormalizer2* norm, std::u32string_view text)
{
    if (norm == nullptr) return std::u32string(text);
    const std::u16string src = ToUtf16(text);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t needed = unorm2_normalize(norm, reinterpret_cast<const UChar*>(src.data()),
                                            static_cast<int32_t>(src.size()), nullptr, 0, &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return std::u32string(text);
    std::u16string dest(static_cast<std::size_t>(needed), u'\0');
    err = U_ZERO_ERROR;
    unorm2_normalize(norm, reinterpret_cast<const UChar*>(src.data()), static_cast<int32_t>(src.size()),
                     reinterpret_cast<UChar*>(dest.data()), needed, &err);
    if (U_FAILURE(err)) return std::u32string(text);
    return FromUtf16(dest);
}

const UNormalizer2* Nfc()
{
    static const UNormalizer2* const n = [] {
        UErrorCode err = U_ZERO_ERROR;
        const UNormalizer2* p = unorm2_getNFCInstance(&err);
        return U_SUCCESS(err) ? p : nullptr;
    }();
    return n;
}

// Full decomposition of one character by `norm` (NFD or NFKD); empty when it has none.
std::u32string Decompose(const UNormalizer2* norm, char32_t c)
{
    if (norm == nullptr) return {};
    std::array<UChar, 32> buf{};
    UErrorCode err = U_ZERO_ERROR;
    const int32_t len = unorm2_getDecomposition(norm, static_cast<UChar32>(c), buf.data(),
                                                static_cast<int32_t>(buf.size()), &err);
    if (U_FAILURE(err) || len <= 0) return {};
    return FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(buf.data()),
                                         static_cast<std::size_t>(len)));
}

const UNormalizer2* Nfd()
{
    static const UNormalizer2* const n = [] {
        UErrorCode err = U_ZERO_ERROR;
        const UNormalizer2* p = unorm2_getNFDInstance(&err);
        return U_SUCCESS(err) ? p : nullptr;
    }();
    return n;
}

const UNormalizer2* Nfkd()
{
    static const UNormalizer2* const n = [] {
        UErrorCode err = U_ZERO_ERROR;
        const UNormalizer2* p = unorm2_getNFKDInstance(&err);
        return U_SUCCESS(err) ? p : nullptr;
    }();
    return n;
}

// Typographic punctuation the RDS table lacks, as the plain characters it has.
// Returns nullptr when `c` is not such a character.
const char* PlainPunctuation(char32_t c)
{
    switch (c) {
    case U'\u2018': case U'\u2019': case U'\u201A': case U'\u201B':  // single quotes
    case U'\u2032': case U'\u2035': case U'\u2039': case U'\u203A':  // primes, single guillemets
    case U'\u0060': case U'\u00B4':                                  // grave and acute accents
        return "'";
    case U'\u201C': case U'\u201D': case U'\u201E': case U'\u201F':  // double quotes
    case U'\u2033': case U'\u2036': case U'\u00AB': case U'\u00BB':  // double primes, guillemets
        return "\"";
    case U'\u2010': case U'\u2011': case U'\u2012': case U'\u2013':  // hyphens, figure/en dash
    case U'\u2014': case U'\u2212':                                  // em dash, minus sign
        return "-";
    case U'\u2026':
        return "...";
    default:
        break;
    }
    if (c != U' ' && u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR) return " ";
    return nullptr;
}

// A letter written in two near-identical forms of which the table may hold
// the other: Romanian s and t with comma below were long written (and are
// still shown by older receivers) with a cedilla; the Croatian capital D with
// stroke looks as the capital eth; the Greek small mu as the micro sign.
// Returns 0 when `c` has no such twin.
char32_t NearIdenticalForm(char32_t c)
{
    switch (c) {
    case U'\u0218': return U'\u015E';  // Ș -> Ş
    case U'\u0219': return U'\u015F';  // ș -> ş
    case U'\u021A': return U'\u0162';  // Ț -> Ţ
    case U'\u021B': return U'\u0163';  // ț -> ţ
    case U'\u0110': return U'\u00D0';  // Đ -> Ð
    case U'\u03BC': return U'\u00B5';  // μ -> µ
    default: return 0;
    }
}

// Appends the RDS bytes standing for `c` when there are any; false otherwise.
// `compat` allows compatibility decompositions ("ﬁ" -> "fi").
bool AppendRds(std::string& out, char32_t c, bool compat)
{
    if (const auto code = RdsCode(c)) {
        out.push_back(static_cast<char>(*code));
        return true;
    }
    if (const char32_t twin = NearIdenticalForm(c)) {
        if (const auto code = RdsCode(twin)) {
            out.push_back(static_cast<char>(*code));
            return true;
        }
    }
    if (const char* plain = PlainPunctuation(c)) {
        out += plain;
        return true;
    }
    const int8_t type = u_charType(static_cast<UChar32>(c));
    if (type == U_FORMAT_CHAR || IsMark(c)) return true;  // invisible, or a lone diacritic
    // Drop the diacritics from the last one, as long as the table lacks the rest:
    // "ǘ" (u, diaeresis, acute) is "ü", "ș" (s, comma below) is "s".
    std::u32string parts = Decompose(Nfd(), c);
    while (parts.size() > 1 && IsMark(parts.back())) {
        parts.pop_back();
        const std::u32string composed = Normalize(Nfc(), parts);
        if (composed.size() == 1) {
            if (const auto code = RdsCode(composed[0])) {
                out.push_back(static_cast<char>(*code));
                return true;
            }
        }
    }
    if (!compat) return false;
    const std::u32string compatParts = Normalize(Nfc(), Decompose(Nfkd(), c));
    if (compatParts.empty()) return false;
    std::string bytes;
    for (char32_t part : compatParts)
        if (!AppendRds(bytes, part, false)) return false;
    out += bytes;
    return true;
}

// The characters Windows-1252 gives the bytes 0x80-0x9F (from ICU's converter);
// a byte it leaves unassigned keeps its C1 control.
const std::array<char32_t, 32>& Windows1252High()
{
    static const std::array<char32_t, 32> table = [] {
        std::array<char32_t, 32> t{};
        UErrorCode err = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("windows-1252", &err);
        for (std::size_t i = 0; i < t.size(); ++i) {
            t[i] = static_cast<char32_t>(0x80 + i);
            if (conv == nullptr || U_FAILURE(err)) continue;
            const char byte = static_cast<char>(0x80 + i);
            std::array<UChar, 4> out{};
            UErrorCode e = U_ZERO_ERROR;
            ucnv_reset(conv);
            const int32_t n = ucnv_toUChars(conv, out.data(), static_cast<int32_t>(out.size()), &byte, 1, &e);
            if (U_SUCCESS(e) && n == 1 && out[0] >= 0x100 && out[0] != 0xFFFD) t[i] = out[0];
        }
        if (conv != nullptr) ucnv_close(conv);
        return t;
    }();
    return table;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size() && valid;) NextChar(bytes, i, valid);
    return valid;
}

std::u32string Utf8ToChars(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    bool valid = true;
    for (std::size_t i = 0; i < utf8.size();) out.push_back(NextChar(utf8, i, valid));
    return out;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string CharsToUtf8(std::u32string_view chars)
{
    std::string out;
    out.reserve(chars.size());
    for (char32_t c : chars) AppendUtf8(out, c);
    return out;
}

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (char b : latin1) AppendUtf8(out, static_cast<unsigned char>(b));
    return out;
}

std::size_t Utf8Length(std::string_view utf8)
{
    std::size_t n = 0;
    bool valid = true;
    for (std::size_t i = 0; i < utf8.size(); ++n) NextChar(utf8, i, valid);
    return n;
}

std::string ExternalTextToUtf8(std::string_view bytes)
{
    if (!IsValidUtf8(bytes)) {
        std::string out;
        out.reserve(bytes.size() * 2);
        for (char b : bytes) {
            const auto byte = static_cast<unsigned char>(b);
            AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? Windows1252High()[byte - 0x80] : byte);
        }
        return out;
    }
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
    return std::string(bytes);
}

std::optional<std::uint8_t> RdsCode(char32_t c)
{
    const auto& byChar = Maps().byChar;
    const auto it = std::lower_bound(byChar.begin(), byChar.end(), c,
                                     [](const RdsTableEntry& e, char32_t v) { return e.ch < v; });
    if (it == byChar.end() || it->ch != c) return std::nullopt;
    return it->code;
}

std::optional<char32_t> RdsChar(std::uint8_t code)
{
    const char32_t c = Maps().byCode[code];
    if (c == 0) return std::nullopt;
    return c;
}

std::size_t RdsAssignedCodes() { return kRdsTableSize; }

bool CanEncode(char32_t c, Charset cs)
{
    if (cs == Charset::Latin1) return c <= 0xFF;
    return RdsCode(c).has_value();
}

char32_t UpperInCharset(char32_t c, Charset cs)
{
    const auto upper = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
    return upper != c && CanEncode(upper, cs) ? upper : c;
}

std::string ToCapitalsEncoded(std::string_view encoderBytes, Charset cs)
{
    std::string out(encoderBytes);
    for (char& b : out) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (cs == Charset::Latin1) {
            b = static_cast<char>(UpperInCharset(byte, cs));
        } else if (const auto c = RdsChar(byte)) {
            b = static_cast<char>(*RdsCode(UpperInCharset(*c, cs)));
        }
    }
    return out;
}

namespace {

// EncodeText's work; a character without a code or a transliteration
// becomes `unknown`, or is left out when `unknown` is 0.
std::string Encode(std::string_view utf8, Charset cs, char unknown)
{
    std::string out;
    out.reserve(utf8.size());
    const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                   [](char b) { return static_cast<unsigned char>(b) < 0x80; });
    if (ascii && cs == Charset::Latin1) return std::string(utf8);
    // Invalid bytes stay U+FFFD through the normalisation and come out as "?".
    const std::u32string chars = ascii ? Utf8ToChars(utf8) : Normalize(Nfc(), Utf8ToChars(utf8));
    for (char32_t c : chars) {
        if (cs == Charset::Latin1 ? c <= 0xFF : AppendRds(out, c, true)) {
            if (cs == Charset::Latin1)
                out.push_back(static_cast<char>(c));
        } else if (unknown != 0) {
            out.push_back(unknown);
        }
    }
    return out;
}

} // namespace

std::string EncodeText(std::string_view utf8, Charset cs) { return Encode(utf8, cs, '?'); }

std::string EncodeKnownText(std::string_view utf8, Charset cs) { return Encode(utf8, cs, 0); }

std::string DecodeText(std::string_view encoderBytes, Charset cs)
{
    if (cs == Charset::Latin1) return Latin1ToUtf8(encoderBytes);
    std::string out;
    out.reserve(encoderBytes.size());
    for (char b : encoderBytes) {
        const auto c = RdsChar(static_cast<unsigned char>(b));
        AppendUtf8(out, c ? *c : U' ');
    }
    return out;
}

} // namespace quorvan
