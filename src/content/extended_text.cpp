#include "content/extended_text.h"

#include "content/af_list.h"
#include "content/charset.h"
#include "content/radiotext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorvan {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A text quoted for a message: at most 40 bytes, control bytes as '?'.
std::string Quoted(std::string_view text)
{
    std::string out = "'";
    const std::string cut = CutUtf8(text, 40);
    for (const char c : cut) out.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    if (cut.size() < text.size()) out += "...";
    return out + "'";
}

template <class T>
Parsed<T> Refuse(std::string_view key, std::string_view text, std::string_view what)
{
    Parsed<T> r;
    r.message = std::string(key) + ": " + Quoted(text) + " " + std::string(what);
    return r;
}

template <class T>
Parsed<T> Accept(T value, std::string note = {})
{
    Parsed<T> r;
    r.ok = true;
    r.value = std::move(value);
    r.message = std::move(note);
    return r;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal of 1..maxDigits digits; nullopt otherwise.
std::optional<unsigned> ReadHex(std::string_view s, std::size_t maxDigits)
{
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    unsigned v = 0;
    for (const char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<unsigned>(d);
    }
    return v;
}

// Decimal of 1..maxDigits digits; nullopt otherwise.
std::optional<int> ReadDecimal(std::string_view s, std::size_t maxDigits = 9)
{
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    int v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::vector<std::string_view> Tokens(std::string_view s, bool commas)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    const auto sep = [&](char c) { return c == ' ' || c == '\t' || (commas && c == ','); };
    while (i < s.size()) {
        while (i < s.size() && sep(s[i])) ++i;
        const std::size_t start = i;
        while (i < s.size() && !sep(s[i])) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

Parsed<std::uint8_t> ParseHexCode(std::string_view key, std::string_view text, unsigned max, const char* range)
{
    const std::string_view t = Trim(text);
    if (t.empty()) return Accept<std::uint8_t>(0);
    const auto v = ReadHex(t, 2);
    if (!v || *v > max)
        return Refuse<std::uint8_t>(key, text, std::string("is not a code (hexadecimal ") + range +
                                                   "; empty or 00: not sent)");
    return Accept(static_cast<std::uint8_t>(*v));
}

constexpr std::array<std::pair<std::string_view, SequenceGroup>, 11> kGroupNames{{
    {"0A", SequenceGroup::G0A},   {"1A", SequenceGroup::G1A},   {"2A", SequenceGroup::G2A},
    {"3A", SequenceGroup::G3A},   {"4A", SequenceGroup::G4A},   {"10A", SequenceGroup::G10A},
    {"11A", SequenceGroup::G11A}, {"12A", SequenceGroup::G12A}, {"14A", SequenceGroup::G14A},
    {"15A", SequenceGroup::G15A}, {"U", SequenceGroup::User},
}};

constexpr const char* kFrequencyRange = "87.6..107.9";

} // namespace

Parsed<std::uint8_t> ParseEcc(std::string_view key, std::string_view text)
{
    return ParseHexCode(key, text, 0xFF, "00..FF");
}

Parsed<std::uint8_t> ParseLic(std::string_view key, std::string_view text)
{
    return ParseHexCode(key, text, 0x7F, "00..7F");
}

std::string FormatHexCode(std::uint8_t code)
{
    if (code == 0) return {};
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", code);
    return buf;
}

Parsed<std::optional<ProgrammeItem>> ParsePin(std::string_view key, std::string_view text)
{
    using R = std::optional<ProgrammeItem>;
    const std::string_view t = Trim(text);
    if (t.empty()) return Accept<R>(std::nullopt);
    const char* range = "is not a programme item (day hour:minute, \"15 09:30\": day 1..31, hour 0..23, "
                        "minute 0..59; empty: not sent)";
    const auto parts = Tokens(t, false);
    if (parts.size() != 2) return Refuse<R>(key, text, range);
    const std::size_t colon = parts[1].find(':');
    if (colon == std::string_view::npos) return Refuse<R>(key, text, range);
    const auto day = ReadDecimal(parts[0], 2);
    const auto hour = ReadDecimal(parts[1].substr(0, colon), 2);
    const auto minute = ReadDecimal(parts[1].substr(colon + 1), 2);
    if (!day || !hour || !minute || *day < 1 || *day > 31 || *hour > 23 || *minute > 59)
        return Refuse<R>(key, text, range);
    return Accept<R>(ProgrammeItem{*day, *hour, *minute});
}

std::string FormatPin(const std::optional<ProgrammeItem>& pin)
{
    if (!pin) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d %02d:%02d", pin->day % 100, pin->hour % 100, pin->minute % 100);
    return buf;
}

Parsed<std::string> ParseRdsLabel(std::string_view key, std::string_view utf8, std::size_t maxChars)
{
    std::string bytes = EncodeText(ExternalTextToUtf8(utf8), Charset::Rds);
    if (bytes.size() <= maxChars) return Accept(std::move(bytes));
    bytes.resize(maxChars);
    return Accept(std::move(bytes), std::string(key) + ": cut to " + std::to_string(maxChars) +
                                        " characters of the RDS table");
}

std::string FormatRdsLabel(std::string_view rdsBytes) { return DecodeText(rdsBytes, Charset::Rds); }

std::string CutUtf8(std::string_view utf8, std::size_t maxBytes)
{
    if (utf8.size() <= maxBytes) return std::string(utf8);
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the start of the character that
    // does not fit; a character that ends exactly at maxBytes stays.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    return std::string(utf8.substr(0, end));
}

Parsed<std::string> ParseUtf8Text(std::string_view key, std::string_view text, std::size_t maxBytes)
{
    const std::string utf8 = ExternalTextToUtf8(text);
    if (utf8.size() <= maxBytes) return Accept(utf8);
    return Accept(CutUtf8(utf8, maxBytes), std::string(key) + ": cut to " + std::to_string(maxBytes) +
                                               " bytes of UTF-8 at a character boundary (was " +
                                               std::to_string(utf8.size()) + ")");
}

Parsed<AfMethod> ParseAfMethod(std::string_view key, std::string_view text)
{
    const std::string_view t = Trim(text);
    if (t == "A" || t == "a" || t.empty()) return Accept(AfMethod::A);
    if (t == "B" || t == "b") return Accept(AfMethod::B);
    return Refuse<AfMethod>(key, text, "is not an AF method (A or B)");
}

std::string FormatAfMethod(AfMethod method) { return method == AfMethod::B ? "B" : "A"; }

Parsed<std::optional<AfMethodBList>> ParseAfMethodBList(std::string_view key, std::string_view text)
{
    using R = std::optional<AfMethodBList>;
    const std::string_view t = Trim(text);
    if (t.empty()) return Accept<R>(std::nullopt);
    const std::string form = std::string("is not a method B list (\"98.5: 87.6 101.2 104.1R\": the tuned "
                                         "frequency, ':', up to ") +
                             std::to_string(kAfMethodBEntries) + " alternatives, each " + kFrequencyRange +
                             ", R: regional)";
    const std::size_t colon = t.find(':');
    if (colon == std::string_view::npos) return Refuse<R>(key, text, form);
    AfMethodBList list;
    const auto tuned = StrictAFCode(Trim(t.substr(0, colon)));
    if (!tuned) return Refuse<R>(key, text, form);
    list.tuned = static_cast<std::uint8_t>(*tuned);
    const auto alternatives = Tokens(t.substr(colon + 1), false);
    if (alternatives.size() > static_cast<std::size_t>(kAfMethodBEntries)) return Refuse<R>(key, text, form);
    for (std::string_view a : alternatives) {
        AfMethodBEntry e;
        if (a.back() == 'R' || a.back() == 'r') {
            e.regional = true;
            a.remove_suffix(1);
        }
        const auto code = StrictAFCode(a);
        if (!code) return Refuse<R>(key, text, form);
        e.code = static_cast<std::uint8_t>(*code);
        list.alternatives.push_back(e);
    }
    return Accept<R>(std::move(list));
}

std::string FormatAfMethodBList(const AfMethodBList& list)
{
    std::string out = AFFrequencyText(list.tuned) + ":";
    for (const auto& e : list.alternatives) {
        out += ' ';
        out += AFFrequencyText(e.code);
        if (e.regional) out += 'R';
    }
    return out;
}

Parsed<std::vector<std::uint8_t>> ParseAfListA(std::string_view key, std::string_view text)
{
    using R = std::vector<std::uint8_t>;
    const auto tokens = Tokens(Trim(text), false);
    const std::string form = std::string("is not an AF list (up to ") + std::to_string(kOtherNetworkAfs) +
                             " frequencies " + kFrequencyRange + " separated by spaces)";
    if (tokens.size() > static_cast<std::size_t>(kOtherNetworkAfs)) return Refuse<R>(key, text, form);
    R codes;
    for (const auto tok : tokens) {
        const auto code = StrictAFCode(tok);
        if (!code) return Refuse<R>(key, text, form);
        codes.push_back(static_cast<std::uint8_t>(*code));
    }
    return Accept(std::move(codes));
}

std::string FormatAfListA(const std::vector<std::uint8_t>& codes)
{
    std::string out;
    for (const auto c : codes) {
        if (!out.empty()) out += ' ';
        out += AFFrequencyText(c);
    }
    return out;
}

Parsed<std::uint16_t> ParseOtherPi(std::string_view key, std::string_view text)
{
    const std::string_view t = Trim(text);
    if (t.empty()) return Accept<std::uint16_t>(0);
    const auto v = t.size() == 4 ? ReadHex(t, 4) : std::nullopt;
    if (!v || *v == 0)
        return Refuse<std::uint16_t>(key, text, "is not a PI (4 hexadecimal digits, 0001..FFFF; empty: none)");
    return Accept(static_cast<std::uint16_t>(*v));
}

std::string FormatOtherPi(std::uint16_t pi)
{
    if (pi == 0) return {};
    char buf[5];
    std::snprintf(buf, sizeof buf, "%04X", pi);
    return buf;
}

Parsed<int> ParseIntInRange(std::string_view key, std::string_view text, int min, int max)
{
    const auto v = ReadDecimal(Trim(text));
    if (!v || *v < min || *v > max)
        return Refuse<int>(key, text, "is out of range (" + std::to_string(min) + ".." + std::to_string(max) + ")");
    return Accept(*v);
}

Parsed<bool> ParseSwitch(std::string_view key, std::string_view text)
{
    const std::string_view t = Trim(text);
    if (t == "0") return Accept(false);
    if (t == "1") return Accept(true);
    return Refuse<bool>(key, text, "is not a switch (0 or 1)");
}

std::string_view SequenceGroupName(SequenceGroup group)
{
    for (const auto& [name, g] : kGroupNames)
        if (g == group) return name;
    return "0A";
}

Parsed<std::vector<SequenceGroup>> ParseGroupSequence(std::string_view key, std::string_view text)
{
    using R = std::vector<SequenceGroup>;
    R out;
    std::size_t place = 0;
    for (const auto tok : Tokens(text, true)) {
        ++place;
        std::optional<SequenceGroup> g;
        for (const auto& [name, group] : kGroupNames) {
            if (tok.size() != name.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < tok.size(); ++i) {
                const char c = (tok[i] >= 'a' && tok[i] <= 'z') ? static_cast<char>(tok[i] - 'a' + 'A') : tok[i];
                if (c != name[i]) same = false;
            }
            if (same) g = group;
        }
        if (!g) {
            Parsed<R> r;
            r.message = std::string(key) + ": " + Quoted(tok) + " at place " + std::to_string(place) +
                        " is not a group type (0A 1A 2A 3A 4A 10A 11A 12A 14A 15A U)";
            return r;
        }
        out.push_back(*g);
    }
    return Accept(std::move(out));
}

std::string FormatGroupSequence(const std::vector<SequenceGroup>& sequence)
{
    std::string out;
    for (const auto g : sequence) {
        if (!out.empty()) out += ' ';
        out += SequenceGroupName(g);
    }
    return out;
}

namespace {

// A decimal number in tenths: nullopt for empty, a refusal for anything that
// is not a number `valid` takes in steps of 0.1.
Parsed<std::optional<int>> ParseTenths(std::string_view key, std::string_view text, bool (*valid)(double),
                                       const char* range)
{
    using R = std::optional<int>;
    const std::string_view t = Trim(text);
    if (t.empty()) return Accept<R>(std::nullopt);
    double v = -1;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    const double tenths = std::round(v * 10);
    if (ec != std::errc() || end != t.data() + t.size() || !valid(v) || std::abs(v * 10 - tenths) > 1e-6)
        return Refuse<R>(key, text, std::string("is out of range (") + range + ")");
    return Accept<R>(static_cast<int>(tenths));
}

} // namespace

bool LevelInRange(double percent) { return percent >= 0 && percent <= 100; }

bool RdsPhaseValid(double degrees)
{
    const double tenths = std::round(degrees * 10);
    return degrees >= 0 && tenths < 3600 && std::abs(degrees * 10 - tenths) <= 1e-6;
}

Parsed<std::optional<int>> ParseRdsLevel(std::string_view key, std::string_view text)
{
    return ParseTenths(key, text, LevelInRange, "0 to 100 % in steps of 0.1; empty: air's own level");
}

Parsed<std::optional<int>> ParseRdsPhase(std::string_view key, std::string_view text)
{
    return ParseTenths(key, text, RdsPhaseValid, "0 to 359.9 degrees in steps of 0.1; empty: air's own phase");
}

std::string FormatTenths(const std::optional<int>& tenths)
{
    if (!tenths) return {};
    const int v = *tenths;
    return (v < 0 ? "-" : "") + std::to_string(std::abs(v) / 10) + "." + std::to_string(std::abs(v) % 10);
}

bool ErtFollowsRadiotext(ExtendedValues& values, std::string_view radiotextUtf8)
{
    if (!values.ertFromRt) return false;
    std::string ert = CutUtf8(ExternalTextToUtf8(radiotextUtf8), kErtBytes);
    if (ert == values.ert) return false;
    values.ert = std::move(ert);
    return true;
}

bool ErtFollowsEncoderRadiotext(ExtendedValues& values, std::string_view radiotextBytes, Charset cs)
{
    if (!values.ertFromRt) return false;
    const std::string onAir = RadiotextBytes(radiotextBytes);
    // A source text over 64 characters goes out as its first 61 and "...";
    // quorvanctl rt and the network's final text cut it to 64.
    // The eRT itself may be cut (at 128 bytes) where the radiotext was cut
    // before it with the dots.
    const std::string encoded = EncodeText(values.ert, cs);
    if (!values.ert.empty() && RadiotextBytes(encoded) == onAir) return false;
    constexpr std::size_t kBeforeDots = kRadiotextLength - 3;
    if (encoded.size() >= kBeforeDots && onAir.compare(kBeforeDots, 3, "...") == 0 &&
        onAir.compare(0, kBeforeDots, encoded, 0, kBeforeDots) == 0)
        return false;
    std::string text = DecodeText(radiotextBytes.substr(0, std::min(radiotextBytes.size(), kRadiotextLength)), cs);
    // The blanks that fill the 64 bytes are no part of the text.
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return ErtFollowsRadiotext(values, text);
}

} // namespace quorvan
