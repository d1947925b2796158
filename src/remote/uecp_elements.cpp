#include "remote/uecp_elements.h"

#include "content/af_list.h"
#include "content/charset.h"
#include "content/pi.h"
#include "remote/uecp_extended.h"
#include "remote/uecp_frame.h"

#include <cstdio>

namespace quorvan::remote::uecp {

namespace {

// RDS text bytes (EN 50067 annex E) as UTF-8.
std::string RdsToUtf8(std::string_view bytes)
{
    return DecodeText(bytes, Charset::Rds);
}

struct Layout {
    bool known = false;
    bool dsnPsn = false;    // DSN and PSN follow the MEC
    bool variable = false;  // MEL gives the length
    std::size_t length = 0; // fixed length of the data
    bool dsnOnly = false;   // a DSN and no PSN follows the MEC
};

Layout LayoutOf(std::uint8_t mec)
{
    switch (mec) {
    case kPI:
        return {true, true, false, 2};
    case kPS:
        return {true, true, false, 8};
    case kTATP:
    case kDI:
    case kMS:
    case kPTY:
        return {true, true, false, 1};
    case kRT:
    case kAF:
        return {true, true, true, 0};
    case kRequest:
        return {true, false, true, 0};
    case kRealTimeClock:
        return {true, false, false, 8};
    case kClockTimeOnOff:
    case kRdsOnOff:
    case kCommunicationMode:
        return {true, false, false, 1};
    case kAcknowledgement:
        return {true, false, false, 1};  // a second byte (SQC) follows an error code
    default: {
        const ElementLayout x = ExtendedLayoutOf(mec);
        return {x.known, x.dsn && x.psn, x.variable, x.length, x.dsn && !x.psn};
    }
    }
}

bool Requestable(std::uint8_t mec)
{
    switch (mec) {
    case kPI:
    case kPS:
    case kTATP:
    case kDI:
    case kMS:
    case kPTY:
    case kRT:
    case kAF:
        return true;
    default:
        return false;
    }
}

// The date and time of the clock element (UTC): year (of 2000), month, day,
// hour, minute, second.
DateTime ClockOf(const Element& e)
{
    const auto b = [&](std::size_t i) { return static_cast<int>(static_cast<std::uint8_t>(e.data[i])); };
    DateTime t;
    t.year = 2000 + b(0);
    t.month = b(1);
    t.day = b(2);
    t.hour = b(3);
    t.minute = b(4);
    t.second = b(5);
    return t;
}

// The values an element's data must hold; a code when they do not.
int CheckValues(const Element& e)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(e.data[i]); };
    if (NeedsRecord(e))
        return CheckExtended(e);
    switch (e.mec) {
    case kPS:
        // A blank name (codes the table leaves unassigned read as blanks)
        // would put no name on air: the station refuses it, so the frame.
        return RdsToUtf8(e.data).find_first_not_of(' ') == std::string::npos ? kOutOfRange : kOk;
    case kTATP:
        return byte(0) <= 3 ? kOk : kOutOfRange;
    case kDI:
        return byte(0) <= 15 ? kOk : kOutOfRange;
    case kMS:
    case kClockTimeOnOff:
    case kRdsOnOff:
        return byte(0) <= 1 ? kOk : kOutOfRange;
    case kPTY:
        return byte(0) <= 31 ? kOk : kOutOfRange;
    case kCommunicationMode:
        return byte(0) <= 2 ? kOk : kOutOfRange;
    case kRT:
        // MEL 0 clears; otherwise the configuration byte and up to 64 characters.
        return e.data.size() <= 65 ? kOk : kElementLengthError;
    case kAF: {
        if (e.data.empty())
            return kElementLengthError;
        const int n = byte(0) - 224;
        if (n < 0 || n > 25)
            return kOutOfRange;
        if (e.data.size() != static_cast<std::size_t>(n) + 1)
            return kElementLengthError;
        if (n > kAFRows)
            return kOutOfRange;  // the encoder holds 15 frequencies
        for (std::size_t i = 1; i < e.data.size(); ++i)
            if (byte(i) < kAFCodeMin || byte(i) > kAFCodeMax)
                return kOutOfRange;
        return kOk;
    }
    case kRealTimeClock: {
        // A date that exists (no 30 February), centiseconds, and the offset
        // byte with bits 6 and 7 clear.
        const bool ok = byte(0) <= 99 && IsValidDateTime(ClockOf(e)) && byte(6) <= 99 && (byte(7) & 0xC0) == 0 &&
                        (byte(7) & 0x1F) <= 24;
        return ok ? kOk : kOutOfRange;
    }
    case kRequest: {
        if (e.data.empty())
            return kElementLengthError;
        const std::uint8_t wanted = byte(0);
        if (!LayoutOf(wanted).known)
            return kMessageUnknown;
        const std::uint8_t psn = e.data.size() >= 3 ? byte(2) : 0;
        if (!Requestable(wanted) && !IsExtendedMec(wanted))
            return kNotAcceptable;
        if (e.data.size() >= 2 && byte(1) != 0)
            return kDsnError;
        if (IsExtendedMec(wanted) || psn != 0)
            return CheckExtendedRequest(wanted, psn);
        return kOk;
    }
    default:
        return kOk;
    }
}

// The RT element's text: after the configuration byte, up to a CR.
std::string RadiotextOf(const Element& e)
{
    std::string text = e.data.size() > 1 ? e.data.substr(1) : std::string();
    const std::size_t cr = text.find('\r');
    if (cr != std::string::npos)
        text.resize(cr);
    return text;
}

// The clock element's time as the log shows it: "YYYY-MM-DDTHH:MM:SS".
std::string ClockText(const Element& e)
{
    const DateTime t = ClockOf(e);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

// The local time offset byte of the clock element (UECP, element 0x0D):
// bits 6 and 7 zero, bit 5 the sense (1: west of Greenwich, negative), bits
// 0..4 the offset in half hours.
int OffsetHalfHours(const Element& e)
{
    const int v = static_cast<std::uint8_t>(e.data[7]);
    return (v & 0x20) ? -(v & 0x1F) : (v & 0x1F);
}

char Hex(int v)
{
    return "0123456789ABCDEF"[v & 15];
}

std::string Header(std::uint8_t mec)
{
    std::string s(1, static_cast<char>(mec));
    s += '\0';  // DSN
    s += '\0';  // PSN
    return s;
}

} // namespace

Message ParseMessage(std::string_view message)
{
    Message out;
    std::size_t pos = 0;
    auto fail = [&](int code) {
        out.code = code;
        out.elements.clear();
        return out;
    };
    while (pos < message.size()) {
        Element e;
        e.mec = static_cast<std::uint8_t>(message[pos++]);
        const Layout layout = LayoutOf(e.mec);
        if (!layout.known)
            return fail(kMessageUnknown);
        if (layout.dsnPsn) {
            if (message.size() - pos < 2)
                return fail(kUnexpectedEnd);
            // One data set and one programme service: only the current ones.
            if (message[pos] != 0)
                return fail(kDsnError);
            e.psn = static_cast<std::uint8_t>(message[pos + 1]);
            if (!OtherNetworkPsn(e.mec, e.psn) && (e.psn != 0 || e.mec == kEonAf))
                return fail(kPsnError);
            pos += 2;
        } else if (layout.dsnOnly) {
            if (pos == message.size())
                return fail(kUnexpectedEnd);
            if (message[pos] != 0)
                return fail(kDsnError);
            ++pos;
        }
        std::size_t length = layout.length;
        if (layout.variable) {
            if (pos == message.size())
                return fail(kUnexpectedEnd);
            length = static_cast<std::uint8_t>(message[pos++]);
        } else if (e.mec == kAcknowledgement && pos < message.size() && message[pos] != 0) {
            length = 2;  // an error code names the frame's SQC
        }
        if (message.size() - pos < length)
            return fail(layout.variable ? kElementLengthError : kUnexpectedEnd);
        e.data = std::string(message.substr(pos, length));
        pos += length;
        if (const int code = CheckValues(e); code != kOk) {
            if (NeedsRecord(e))
                out.why = WhyRefused(e);
            return fail(code);
        }
        out.elements.push_back(std::move(e));
    }
    return out;
}

std::string Describe(const Element& e)
{
    const auto byte = [&](std::size_t i) { return static_cast<int>(static_cast<std::uint8_t>(e.data[i])); };
    if (NeedsRecord(e))
        return DescribeExtended(e);
    switch (e.mec) {
    case kPI:
        return std::string("PI ") + Hex(byte(0) >> 4) + Hex(byte(0)) + Hex(byte(1) >> 4) + Hex(byte(1));
    case kPS:
        return "PS " + RdsToUtf8(e.data);
    case kTATP:
        return "TA " + std::to_string(byte(0) & 1) + " TP " + std::to_string((byte(0) >> 1) & 1);
    case kDI:
        return "DI " + std::to_string(byte(0));
    case kMS:
        return byte(0) ? "MS music" : "MS speech";
    case kPTY:
        return "PTY " + std::to_string(byte(0));
    case kRT:
        return e.data.empty() ? std::string("RT cleared") : "RT '" + RdsToUtf8(RadiotextOf(e)) + "'";
    case kAF: {
        std::string s = "AF";
        for (std::size_t i = 1; i < e.data.size(); ++i)
            s += " " + AFFrequencyText(byte(i));
        return e.data.size() == 1 ? s + " (none)" : s;
    }
    case kRealTimeClock:
        return "clock " + ClockText(e) + " UTC";
    case kClockTimeOnOff:
        return byte(0) ? "CT on" : "CT off";
    case kRdsOnOff:
        return byte(0) ? "RDS on" : "RDS off";
    case kCommunicationMode:
        return "mode " + std::to_string(byte(0));
    case kRequest:
        return std::string("request ") + Hex(byte(0) >> 4) + Hex(byte(0));
    case kAcknowledgement:
        return std::string("ack ") + CodeText(byte(0));
    default:
        return "?";
    }
}

std::vector<Command> CommandsOf(const Element& e)
{
    const auto byte = [&](std::size_t i) { return static_cast<int>(static_cast<std::uint8_t>(e.data[i])); };
    if (NeedsRecord(e))
        return {};  // the extension record's (uecp_extended.h)
    Command c;
    c.kind = Command::Kind::Set;
    switch (e.mec) {
    case kPI:
        c.key = Key::PI;
        c.text = Describe(e).substr(3);
        return {c};
    case kPS:
        c.key = Key::PS;
        c.text = RdsToUtf8(e.data);
        return {c};
    case kTATP: {
        Command tp = c;
        tp.key = Key::TP;
        tp.number = (byte(0) >> 1) & 1;
        c.key = Key::TA;
        c.number = byte(0) & 1;
        return {tp, c};
    }
    case kDI:
        c.key = Key::DI;
        c.number = byte(0);
        return {c};
    case kMS:
        c.key = Key::MS;
        c.number = byte(0);
        return {c};
    case kPTY:
        c.key = Key::PTY;
        c.number = byte(0);
        return {c};
    case kRT:
        c.key = Key::FinalRT;
        c.text = RdsToUtf8(RadiotextOf(e));
        c.number = e.data.empty() ? 0 : byte(0);
        return {c};
    case kAF:
        c.key = Key::AF;
        for (std::size_t i = 1; i < e.data.size(); ++i)
            c.frequencies.push_back(AFFrequencyText(byte(i)));
        return {c};
    case kRealTimeClock:
        c.key = Key::ClockTime;
        c.time = ClockOf(e);
        c.number = OffsetHalfHours(e);
        return {c};
    case kClockTimeOnOff:
        c.key = Key::ClockTimeOnOff;
        c.number = byte(0);
        return {c};
    case kRdsOnOff:
        c.key = Key::Carrier;
        c.number = byte(0);
        return {c};
    default:
        return {};
    }
}

std::string Answer(std::uint8_t mec, const TStationParams& params)
{
    const Charset cs = CharsetFromInt(params.preferences.CBCHARSET);
    const auto rds = [&](std::string_view bytes) { return EncodeText(DecodeText(bytes, cs), Charset::Rds); };
    std::string m = Header(mec);
    switch (mec) {
    case kPI: {
        std::string pi = MakeHEX(params.program.PI, 4);
        const int value = std::stoi(pi, nullptr, 16);
        m += static_cast<char>(value >> 8);
        m += static_cast<char>(value & 0xFF);
        return m;
    }
    case kPS: {
        std::string ps = rds(params.program.PSDEF);
        ps.resize(8, ' ');
        return m + ps;
    }
    case kTATP:
        return m + static_cast<char>((params.program.TA ? 1 : 0) | (params.program.TP ? 2 : 0));
    case kDI: {
        int di = 0;
        for (int bit = 0; bit < 4; ++bit)
            di |= params.program.DI[static_cast<std::size_t>(bit)] ? 1 << bit : 0;
        return m + static_cast<char>(di);
    }
    case kMS:
        return m + static_cast<char>(params.program.MS ? 1 : 0);
    case kPTY:
        return m + static_cast<char>(params.program.PTY & 31);
    case kRT: {
        std::string text = rds(params.radiotext.RT1);
        if (text.size() > 64)
            text.resize(64);
        m += static_cast<char>(text.size() + 1);
        m += static_cast<char>(0);  // configuration: buffer 0
        return m + text;
    }
    case kAF: {
        std::array<std::string, kAFRows> rows = params.program.SGAF;
        const AFList af = MakeAFList(rows);
        m += static_cast<char>(af.count + 1);
        m += static_cast<char>(224 + af.count);
        for (int i = 0; i < af.count; ++i)
            m += static_cast<char>(af.codes[static_cast<std::size_t>(i)]);
        return m;
    }
    default:
        return {};
    }
}

std::string Acknowledgement(int code, std::uint8_t sqc)
{
    std::string m(1, static_cast<char>(kAcknowledgement));
    m += static_cast<char>(code);
    if (code != kOk)
        m += static_cast<char>(sqc);
    return m;
}

} // namespace quorvan::remote::uecp
