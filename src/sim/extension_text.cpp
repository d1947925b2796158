#include "sim/extension_text.h"

#include <charconv>
#include <optional>
#include <sstream>

namespace quorvan {

namespace {

constexpr const char* kDigits = "0123456789ABCDEF";

std::string Escaped(const std::string& text)
{
    if (text.empty())
        return "-";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                           || c == '.' || c == ',' || c == ':' || c == '/' || c == '_' || c == '+';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> Unescaped(const std::string& word, std::size_t limit)
{
    if (word == "-")
        return std::string();
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
        } else {
            if (i + 2 >= word.size())
                return std::nullopt;
            const int hi = HexDigit(word[i + 1]), lo = HexDigit(word[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        }
        if (out.size() > limit)
            return std::nullopt;
    }
    return out;
}

std::optional<long> Number(const std::string& word, long low, long high, int base = 10)
{
    long v = 0;
    const char* end = word.data() + word.size();
    const auto r = std::from_chars(word.data(), end, v, base);
    if (word.empty() || r.ec != std::errc() || r.ptr != end || v < low || v > high)
        return std::nullopt;
    return v;
}

const char* const kSequenceNames[] = {"0A", "1A", "2A", "3A", "4A", "10A", "11A", "12A", "14A", "15A", "U"};

std::string Hex(unsigned v, int digits)
{
    std::string s(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        s[static_cast<std::size_t>(i)] = kDigits[v & 15];
    return s;
}

} // namespace

std::string FormatExtensionLines(const ExtensionRecord& r)
{
    std::ostringstream out;
    const ExtendedValues& v = r.values;
    if (r.rtPlus != rtplus::Registers{}) {
        out << "ext rtplus";
        for (std::uint8_t b : r.rtPlus)
            out << ' ' << Hex(b, 2);
        out << '\n';
    }
    if (r.rdsLevelTenths)
        out << "ext level " << *r.rdsLevelTenths << '\n';
    if (r.rdsPhaseTenths)
        out << "ext phase " << *r.rdsPhaseTenths << '\n';
    if (v.ecc)
        out << "ext ecc " << Hex(v.ecc, 2) << '\n';
    if (v.lic)
        out << "ext lic " << Hex(v.lic, 2) << '\n';
    if (v.pin)
        out << "ext pin " << v.pin->day << ' ' << v.pin->hour << ' ' << v.pin->minute << '\n';
    if (!v.ptyn.empty())
        out << "ext ptyn " << Escaped(v.ptyn) << '\n';
    if (!v.longPs.empty())
        out << "ext longps " << Escaped(v.longPs) << '\n';
    if (!v.ert.empty())
        out << "ext ert " << Escaped(v.ert) << '\n';
    if (v.ertFromRt)
        out << "ext ertfromrt 1\n";
    if (v.afMethod == AfMethod::B)
        out << "ext afmethod B\n";
    for (const AfMethodBList& list : v.afB) {
        out << "ext afb " << static_cast<int>(list.tuned);
        for (const AfMethodBEntry& e : list.alternatives)
            out << ' ' << static_cast<int>(e.code) << (e.regional ? "R" : "");
        out << '\n';
    }
    for (int i = 0; i < kOtherNetworks; ++i) {
        const OtherNetwork& n = v.eon[static_cast<std::size_t>(i)];
        if (n == OtherNetwork{})
            continue;
        out << "ext eon " << i + 1 << ' ' << Hex(n.pi, 4) << ' ' << n.pty << ' ' << (n.tp ? 1 : 0) << ' '
            << (n.ta ? 1 : 0) << ' ' << Escaped(n.ps);
        for (std::uint8_t code : n.af)
            out << ' ' << static_cast<int>(code);
        out << '\n';
    }
    if (!v.groupSequence.empty()) {
        out << "ext sequence";
        for (SequenceGroup g : v.groupSequence)
            out << ' ' << kSequenceNames[static_cast<int>(g)];
        out << '\n';
    }
    return out.str();
}

bool ParseExtensionLine(const std::vector<std::string>& w, ExtensionRecord& r, std::string& why)
{
    ExtendedValues& v = r.values;
    const std::string key = w.size() > 1 ? w[1] : std::string();
    auto bad = [&] {
        why = "bad ext " + key + " line";
        return false;
    };
    const std::size_t n = w.size();
    if (key == "rtplus") {
        if (n != 9)
            return bad();
        for (int i = 0; i < 7; ++i) {
            const auto b = w[i + 2].size() == 2 ? Number(w[i + 2], 0, 255, 16) : std::nullopt;
            if (!b)
                return bad();
            r.rtPlus[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*b);
        }
    } else if (key == "level" || key == "phase") {
        const auto t = n == 3 ? Number(w[2], 0, key == "level" ? 1000 : 3599) : std::nullopt;
        if (!t)
            return bad();
        (key == "level" ? r.rdsLevelTenths : r.rdsPhaseTenths) = static_cast<int>(*t);
    } else if (key == "ecc" || key == "lic") {
        const auto b = n == 3 && w[2].size() == 2 ? Number(w[2], 1, 255, 16) : std::nullopt;
        if (!b)
            return bad();
        (key == "ecc" ? v.ecc : v.lic) = static_cast<std::uint8_t>(*b);
    } else if (key == "pin") {
        const auto d = n == 5 ? Number(w[2], 1, 31) : std::nullopt;
        const auto h = n == 5 ? Number(w[3], 0, 23) : std::nullopt;
        const auto m = n == 5 ? Number(w[4], 0, 59) : std::nullopt;
        if (!d || !h || !m)
            return bad();
        v.pin = ProgrammeItem{static_cast<int>(*d), static_cast<int>(*h), static_cast<int>(*m)};
    } else if (key == "ptyn" || key == "longps" || key == "ert") {
        const std::size_t limit = key == "ptyn" ? kPtynBytes : key == "longps" ? kLongPsBytes : kErtBytes;
        const auto text = n == 3 ? Unescaped(w[2], limit) : std::nullopt;
        if (!text)
            return bad();
        (key == "ptyn" ? v.ptyn : key == "longps" ? v.longPs : v.ert) = *text;
    } else if (key == "ertfromrt") {
        if (n != 3 || w[2] != "1")
            return bad();
        v.ertFromRt = true;
    } else if (key == "afmethod") {
        if (n != 3 || w[2] != "B")
            return bad();
        v.afMethod = AfMethod::B;
    } else if (key == "afb") {
        if (n < 3 || n > 3 + kAfMethodBEntries || v.afB.size() >= kAfMethodBLists)
            return bad();
        AfMethodBList list;
        const auto tuned = Number(w[2], 1, 204);
        if (!tuned)
            return bad();
        list.tuned = static_cast<std::uint8_t>(*tuned);
        for (std::size_t i = 3; i < n; ++i) {
            std::string word = w[i];
            const bool regional = !word.empty() && word.back() == 'R';
            if (regional)
                word.pop_back();
            const auto code = Number(word, 1, 204);
            if (!code)
                return bad();
            list.alternatives.push_back({static_cast<std::uint8_t>(*code), regional});
        }
        v.afB.push_back(std::move(list));
    } else if (key == "eon") {
        if (n < 8 || n > 8 + kOtherNetworkAfs)
            return bad();
        const auto index = Number(w[2], 1, kOtherNetworks);
        const auto pi = w[3].size() == 4 ? Number(w[3], 0, 0xFFFF, 16) : std::nullopt;
        const auto pty = Number(w[4], 0, 31);
        const auto tp = Number(w[5], 0, 1);
        const auto ta = Number(w[6], 0, 1);
        const auto ps = Unescaped(w[7], kPtynBytes);
        if (!index || !pi || !pty || !tp || !ta || !ps)
            return bad();
        OtherNetwork& other = v.eon[static_cast<std::size_t>(*index - 1)];
        if (other != OtherNetwork{})
            return bad();
        other.pi = static_cast<std::uint16_t>(*pi);
        other.pty = static_cast<int>(*pty);
        other.tp = *tp == 1;
        other.ta = *ta == 1;
        other.ps = *ps;
        for (std::size_t i = 8; i < n; ++i) {
            const auto code = Number(w[i], 1, 204);
            if (!code)
                return bad();
            other.af.push_back(static_cast<std::uint8_t>(*code));
        }
    } else if (key == "sequence") {
        if (n < 3 || n > 2 + 256)
            return bad();
        std::vector<SequenceGroup> sequence;
        for (std::size_t i = 2; i < n; ++i) {
            int found = -1;
            for (int k = 0; k < static_cast<int>(std::size(kSequenceNames)); ++k)
                if (w[i] == kSequenceNames[k])
                    found = k;
            if (found < 0)
                return bad();
            sequence.push_back(static_cast<SequenceGroup>(found));
        }
        v.groupSequence = std::move(sequence);
    } else {
        why = "unknown ext entry '" + key + "'";
        return false;
    }
    return true;
}

} // namespace quorvan
