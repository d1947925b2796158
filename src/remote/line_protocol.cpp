#include "remote/line_protocol.h"

#include "content/af_list.h"
#include "content/pi.h"
#include "content/rtplus.h"
#include "remote/extended_commands.h"

#include <array>
#include <optional>

namespace quorvan::remote {

namespace {

constexpr std::array<const char*, kKeyCount> kNames{
    "TEXT", "RT2", "RT3", "RT4", "DPS", "PS", "PI", "PTY", "TP", "TA", "MS", "DI", "AF", "CT", "SEND", "STORE",
    "STATUS", "RTPLUS", "ARTIST", "TITLE",
    "ECC", "LIC", "PIN", "PTYN", "LPS", "ERT",
    "EON1TA", "EON2TA", "EON3TA", "EON4TA", "EON5TA", "EON6TA", "EON7TA", "EON8TA",
    "GRPSEQ", "RDSLEVEL", "RDSPHASE", "RT1", "RDS", "CTON", "CLOCK", "REQUEST"};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string AsciiUpper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::optional<Key> KeyOf(std::string_view upper)
{
    if (upper == "TEXT" || upper == "RT" || upper == "RT1")
        return Key::RT1;
    for (int i = 1; i < kLineKeyCount; ++i)
        if (upper == kNames[size_t(i)])
            return static_cast<Key>(i);
    return std::nullopt;
}

// A decimal number lo..hi written with digits only (leading zeros allowed).
std::optional<int> SmallNumber(std::string_view s, int lo, int hi)
{
    s = TrimBlanks(s);
    if (s.empty() || s.size() > 3)
        return std::nullopt;
    int n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < lo || n > hi)
        return std::nullopt;
    return n;
}

Command Bad(Key key)
{
    Command c;
    c.kind = Command::Kind::Bad;
    c.key = key;
    return c;
}

} // namespace

std::string BadReply(const Command& command)
{
    return command.text.empty() ? std::string(kReplyBad) : std::string(kReplyBad) + " " + command.text;
}

const char* KeyName(Key key)
{
    const int i = static_cast<int>(key);
    return i >= 0 && i < kKeyCount ? kNames[size_t(i)] : "?";
}

Command ParseLine(std::string_view line)
{
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    const std::size_t cut = line.find_first_of("= ");
    const std::string_view name = line.substr(0, cut);
    const std::string_view value = cut == std::string_view::npos ? std::string_view() : line.substr(cut + 1);
    const bool separated = cut != std::string_view::npos;

    Command command;
    if (name.empty())
        return command;

    // Queries: "KEY?" and nothing else but blanks.
    if (name.back() == '?') {
        const std::optional<Key> key = KeyOf(AsciiUpper(name.substr(0, name.size() - 1)));
        if (!key || *key == Key::CT || *key == Key::Send || *key == Key::Store || !TrimBlanks(value).empty())
            return command;
        command.kind = Command::Kind::Query;
        command.key = *key;
        return command;
    }
    const std::optional<Key> key = KeyOf(AsciiUpper(name));
    if (!key || *key == Key::Status)
        return command;
    command.key = *key;
    command.kind = Command::Kind::Set;

    switch (*key) {
    case Key::RT1:
    case Key::RT2:
    case Key::RT3:
    case Key::RT4:
    case Key::DPS:
    case Key::PS:
    case Key::Artist:
    case Key::Title:
        command.text = std::string(value);
        return command;
    case Key::RTPlus: {
        // Empty: clear. Else six numbers, comma-separated: type, start and
        // length twice (a length reaches 64, the rest 63; ExplicitTags checks
        // each), as RTPLUS? prints them.
        std::string_view rest = TrimBlanks(value);
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::optional<int> n = SmallNumber(rest.substr(0, comma), 0, rtplus::kMaxLength1);
            if (!n || command.numbers.size() == 6)
                return Bad(*key);
            command.numbers.push_back(*n);
            if (comma == std::string_view::npos)
                break;
            rest = rest.substr(comma + 1);
            if (rest.empty())
                return Bad(*key);
        }
        if (!command.numbers.empty() &&
            (command.numbers.size() != 6 ||
             !rtplus::ExplicitTags({command.numbers[0], command.numbers[1], command.numbers[2], command.numbers[3],
                                    command.numbers[4], command.numbers[5]})))
            return Bad(*key);
        return command;
    }
    case Key::PI: {
        const std::string_view digits = TrimBlanks(value);
        if (digits.empty() || digits.size() > 4)
            return Bad(*key);
        for (const char c : digits)
            if (HexDigitValue(c) < 0)
                return Bad(*key);
        command.text = MakeHEX(AsciiUpper(digits), 4);
        return command;
    }
    case Key::PTY:
    case Key::TP:
    case Key::TA:
    case Key::DI: {
        const int hi = *key == Key::PTY ? 31 : (*key == Key::DI ? 15 : 1);
        const std::optional<int> n = SmallNumber(value, 0, hi);
        if (!n)
            return Bad(*key);
        command.number = *n;
        return command;
    }
    case Key::MS: {
        const std::string v = AsciiUpper(TrimBlanks(value));
        if (v == "M" || v == "1")
            command.number = 1;
        else if (v == "S" || v == "0")
            command.number = 0;
        else
            return Bad(*key);
        return command;
    }
    case Key::AF: {
        std::size_t pos = 0;
        while (pos < value.size()) {
            const std::size_t end = value.find_first_of(", \t", pos);
            const std::string_view item = value.substr(pos, end == std::string_view::npos ? end : end - pos);
            if (!item.empty()) {
                if (command.frequencies.size() == static_cast<std::size_t>(kAFRows) || !StrictAFCode(item))
                    return Bad(*key);
                command.frequencies.emplace_back(item);
            }
            if (end == std::string_view::npos)
                break;
            pos = end + 1;
        }
        return command;
    }
    case Key::Ecc: case Key::Lic: case Key::Pin: case Key::Ptyn: case Key::LongPs: case Key::Ert:
    case Key::Eon1TA: case Key::Eon2TA: case Key::Eon3TA: case Key::Eon4TA:
    case Key::Eon5TA: case Key::Eon6TA: case Key::Eon7TA: case Key::Eon8TA:
    case Key::GroupSequence: case Key::RdsLevel: case Key::RdsPhase:
        return ParseExtendedCommand(*key, value);
    case Key::CT:
    case Key::Send:
    case Key::Store:
        if (separated && !TrimBlanks(value).empty())
            return Bad(*key);
        return command;
    case Key::Status:
    case Key::FinalRT:
    case Key::Carrier:
    case Key::ClockTimeOnOff:
    case Key::ClockTime:
    case Key::Request:
        break;
    }
    return Command{};
}

void LineSplitter::feed(std::string_view bytes, const Sink& sink)
{
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            const bool secondOfPair = c == '\n' && afterCR_;
            afterCR_ = c == '\r';
            if (secondOfPair)
                continue;
            if (skipping_) {
                skipping_ = false;
            } else if (!TrimBlanks(line_).empty()) {
                sink(line_, false);  // a line of blanks is no more a command than an empty one
            }
            line_.clear();
            continue;
        }
        afterCR_ = false;
        if (skipping_)
            continue;
        if (line_.size() == kMaxLineLength) {
            line_.clear();
            line_.shrink_to_fit();
            skipping_ = true;
            sink({}, true);
            continue;
        }
        line_ += c;
    }
}

void LineSplitter::finish(const Sink& sink)
{
    if (!skipping_ && !TrimBlanks(line_).empty())
        sink(line_, false);
    line_.clear();
    skipping_ = false;
    afterCR_ = false;
}

} // namespace quorvan::remote
