// The encoder commands: send, store, reset, carrier on|off, ta on|off,
// status, receive, ct [--at ...], rt TEXT [--type A|B], dps TEXT, and the
// station values ps, pi, pty, tp, af.
// They run the same operations as the window's buttons, with the station
// values of the settings file, without the confirmation question and
// without the one-second guard. A station value goes through the command the
// window's network port runs for PS=, PI=, PTY=, TP= and AF=: the same checks
// and the same bytes (that value's bytes of the data image alone).
#include "cli/cli.h"
#include "cli/cli_settings.h"
#include "content/charset.h"
#include "content/dynamic_ps.h"
#include "content/extended_text.h"
#include "content/pty.h"
#include "content/radiotext.h"
#include "encoder/clock_time.h"
#include "encoder/direct_controls.h"
#include "encoder/receive.h"
#include "encoder/rtplus_registers.h"
#include "encoder/send.h"
#include "encoder/update_sequences.h"
#include "remote/command_port.h"
#include "remote/line_protocol.h"

#include <cstdio>
#include <ostream>

namespace quorvan::cli {

namespace {

// The fixed pauses of the commands (500 ms after the first Send transaction
// and after Store) follow the bus: none on the virtual encoder unless --timed.
class NoSleeper final : public Sleeper {
public:
    void sleepMs(unsigned) override {}
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(const DateTime& t) : t_(t) {}
    DateTime now() const override { return t_; }

private:
    DateTime t_;
};

struct Run {
    explicit Run(Context& ctx)
        : link(ctx.link()), sleeper(link.Timed ? ctx.sleeper() : static_cast<Sleeper&>(none)),
          context{link, ctx.clock(), sleeper, nullptr, '.'}
    {
    }
    TEncoderLink& link;
    NoSleeper none;
    Sleeper& sleeper;
    EncoderContext context;
};

bool OnOff(Context& ctx)
{
    ctx.expectArgs(1, 1);
    if (ctx.args[0] == "on")
        return true;
    if (ctx.args[0] == "off")
        return false;
    throw UsageError("expected on or off, not '" + ctx.args[0] + "'");
}

// A command-line text as the encoder's single-byte characters in the
// settings' character set. RDS: read as UTF-8 (as Latin-1 when it is not
// valid UTF-8) and encoded into the RDS table, transliterating what it lacks.
// Latin-1: UTF-8 is decoded (characters beyond U+00FF cannot be sent); bytes
// that are not UTF-8 are taken as they are.
std::string EncoderText(const std::string& arg, Charset cs)
{
    if (cs == Charset::Rds)
        return EncodeText(ExternalTextToUtf8(arg), Charset::Rds);
    std::string out;
    for (std::size_t i = 0; i < arg.size();) {
        const auto lead = static_cast<unsigned char>(arg[i]);
        if (lead < 0x80) {
            out += arg[i++];
            continue;
        }
        const std::size_t extra = (lead & 0xE0) == 0xC0 && lead >= 0xC2 ? 1
                                  : (lead & 0xF0) == 0xE0             ? 2
                                  : (lead & 0xF8) == 0xF0             ? 3
                                                                      : 0;
        if (extra == 0)
            return arg;  // not UTF-8: the text is single-byte already
        unsigned cp = lead & (0x3Fu >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            if (i + k >= arg.size())
                return arg;
            const auto c = static_cast<unsigned char>(arg[i + k]);
            if ((c & 0xC0) != 0x80)
                return arg;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (cp > 0xFF) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", cp);
            throw UsageError(std::string("the character ") + buf +
                             " cannot be sent: the encoder takes single-byte (Latin-1) characters; "
                             "for the RDS character set choose Preferences \u2192 Character set: RDS, "
                             "or `Charset=1` in [Config]");
        }
        out += static_cast<char>(cp);
        i += extra + 1;
    }
    return out;
}

int Finish(Context& ctx, Outcome outcome)
{
    if (outcome == Outcome::Unavailable)
        throw Failure("reading needs \"Bidirectional\" (Bidirectional=1 in the settings)");
    return ctx.finishOperation();
}

int runSend(Context& ctx)
{
    ctx.expectArgs(0, 0);
    Run run(ctx);
    TStationParams params = ctx.params;
    return Finish(ctx, Send(run.context, params).outcome);
}

int runStore(Context& ctx)
{
    ctx.expectArgs(0, 0);
    Run run(ctx);
    return Finish(ctx, Store(run.context));
}

int runReset(Context& ctx)
{
    ctx.expectArgs(0, 0);
    return Finish(ctx, Reset(ctx.link()));
}

int runCarrier(Context& ctx)
{
    const bool on = OnOff(ctx);
    TEncoderLink& link = ctx.link();
    return Finish(ctx, SetCarrier(link, on));
}

int runTA(Context& ctx)
{
    const bool on = OnOff(ctx);
    return Finish(ctx, SetTrafficAnnouncement(ctx.link(), on));
}

int runStatus(Context& ctx)
{
    ctx.expectArgs(0, 0);
    Run run(ctx);
    const StatusResult status = ReadStatus(run.context);
    if (status.value)
        for (const std::string& line : StatusLines(*status.value))
            ctx.out() << line << '\n';
    return Finish(ctx, status.outcome);
}

// What Receive read, one "Name: value" line each as status prints its
// lines; only the values of the runs that completed, and the extended values
// that are set where the encoder keeps an extension record.
void PrintReceived(std::ostream& out, TStationParams params, int runs, bool extension)
{
    const Charset cs = CharsetFromInt(params.preferences.CBCHARSET);
    // Texts without the blanks that fill them up on the encoder.
    const auto text = [cs](const std::string& bytes) {
        return QuotedLine(DecodeText(bytes.substr(0, bytes.find_last_not_of(' ') + 1), cs));
    };
    if (runs >= 1) {
        out << "PI: " << params.program.PI << '\n';
        out << "PS: " << text(params.program.PSDEF) << '\n';
        out << "PTY: " << params.program.PTY;
        if (const std::string_view name = PTYName(params.preferences.RBPTYC, params.program.PTY); !name.empty())
            out << " (" << name << ")";
        out << '\n';
        out << "TP: " << params.program.TP << '\n';
        out << "TA: " << params.program.TA << '\n';
        out << "MS: " << (params.program.MS == 1 ? "Music" : "Speech") << '\n';
        int di = 0;
        for (int i = 0; i < 4; ++i)
            di |= params.program.DI[static_cast<std::size_t>(i)] ? 1 << i : 0;
        out << "DI: " << di << '\n';
        std::string af;
        for (const std::string& row : params.program.SGAF)
            if (!row.empty())
                af += (af.empty() ? "" : ", ") + row;
        out << "AF: " << (af.empty() ? "(none)" : af) << '\n';
    }
    if (runs >= 2)
        out << "Radiotext: " << text(ActualRT(params)) << " (" << (ActualRTType(params) == 1 ? "B" : "A") << ", "
            << (params.radiotext.CBRTEN ? "enabled" : "disabled") << ")\n";
    if (runs >= 3)
        out << "Dynamic PS: " << text(DynamicPSText(params)) << " (mode " << params.dynamicPs.RGDPS1M << ")\n";
    if (runs >= 3 && extension)
        PrintExtendedValues(out, params.extended);
}

int runReceive(Context& ctx)
{
    ctx.expectArgs(0, 0);
    Run run(ctx);
    TStationParams params = ctx.params;
    const ReceiveResult received = Receive(run.context, params);
    // The values of the runs that completed stay, as in the window.
    if (received.runsCompleted > 0) {
        ctx.params = params;
        PrintReceived(ctx.out(), params, received.runsCompleted, run.link.Extension != nullptr);
        ctx.out() << "Settings file updated: " << SaveStationValues(ctx, params) << '\n';
    }
    return Finish(ctx, received.outcome);
}

int runCT(Context& ctx)
{
    const std::optional<std::string> at = ctx.takeOption("--at");
    ctx.expectArgs(0, 0);
    const DateTime now = at ? ParseLocalTime(*at) : ctx.clock().now();
    TEncoderLink& link = ctx.link();
    return Finish(ctx, SendCT(link, now, LocalTimeOffsetHours(ctx.params)));
}

int runRT(Context& ctx)
{
    const std::optional<std::string> type = ctx.takeOption("--type");
    ctx.expectArgs(1, 1);
    int typeIndex = 0;
    ctx.loadSettings();
    if (!type) {
        typeIndex = ActualRTType(ctx.params);
    } else if (*type == "A" || *type == "a") {
        typeIndex = 0;
    } else if (*type == "B" || *type == "b") {
        typeIndex = 1;
    } else {
        throw UsageError("--type must be A or B, not '" + *type + "'");
    }
    const std::string text = EncoderText(ctx.args[0], CharsetFromInt(ctx.params.preferences.CBCHARSET));
    if (text.size() > kRadiotextLength)
        ctx.err() << "quorvanctl: the radiotext is cut to " << kRadiotextLength << " characters\n";
    int control = RadiotextUpdateControl(typeIndex);
    if (!type && ctx.params.radiotext.ToggleAB) {
        // The A/B flag toggles against the radiotext on air: read back where
        // the port is bidirectional, otherwise the current one of the settings
        // (what Send put on air).
        std::optional<RadiotextOnAir> onAir;
        if (ctx.params.preferences.CBBI)
            onAir = ReadRadiotextOnAir(ctx.link());
        if (!onAir)
            onAir = RadiotextOnAir{RadiotextBytes(ActualRT(ctx.params)), typeIndex};
        control = NewRadiotextControl(ctx.params, *onAir, text, typeIndex);
    }
    // With ERTFromRT the eRT carries the text as given, in its own letters.
    ErtFollowsRadiotext(ctx.params.extended, ctx.args[0]);
    return Finish(ctx, SendRadiotextWithTags(ctx.link(), ctx.params, text, control));
}

int runDPS(Context& ctx)
{
    ctx.expectArgs(1, 1);
    ctx.loadSettings();
    const std::string text = EncoderText(ctx.args[0], CharsetFromInt(ctx.params.preferences.CBCHARSET));
    if (text.size() > 72)
        ctx.err() << "quorvanctl: the dynamic PS text is cut to 72 characters\n";
    return Finish(ctx, SendDynamicPSUpdate(ctx.link(), text));
}

// What a station value command runs on: the command's link, opened at the
// first transfer, so that a refused value never opens the port.
class ValueHost final : public remote::RemoteHost {
public:
    explicit ValueHost(Context& ctx) : ctx_(ctx) {}
    EncoderContext encoder(const TStationParams&) override
    {
        if (!run_)
            run_.emplace(ctx_);
        return run_->context;
    }

private:
    Context& ctx_;
    std::optional<Run> run_;
};

// Sets one station value as the network line "KEY=value" would, then keeps it
// in the settings file as receive does, once the encoder has taken it.
// `refused` says what the value must be when the line protocol refuses it.
int SetStationValue(Context& ctx, remote::Key key, const std::string& value, const std::string& refused)
{
    ctx.loadSettings();
    if (value.find_first_of("\r\n") != std::string::npos)
        throw UsageError(refused);
    const remote::Command command = remote::ParseLine(std::string(remote::KeyName(key)) + "=" + value);
    if (command.kind != remote::Command::Kind::Set || command.key != key)
        throw UsageError(refused);
    TStationParams params = ctx.params;
    ValueHost host(ctx);
    const std::string reply = remote::ExecuteCommand(command, params, host);
    if (reply == remote::kReplyBad)
        throw UsageError(refused);
    const int code = ctx.finishOperation();
    if (code == kExitOk && reply == remote::kReplyDone) {
        ctx.params = params;
        ctx.out() << "Settings file updated: " << SaveStationValues(ctx, params) << '\n';
    }
    return code;
}

int runPS(Context& ctx)
{
    ctx.expectArgs(1, 1);
    ctx.loadSettings();
    EncoderText(ctx.args[0], CharsetFromInt(ctx.params.preferences.CBCHARSET));  // refuses what the character set lacks
    return SetStationValue(ctx, remote::Key::PS, ctx.args[0],
                           "the PS takes 1 to 8 characters, not only blanks, not '" + ctx.args[0] + "'");
}

int runPI(Context& ctx)
{
    ctx.expectArgs(1, 1);
    return SetStationValue(ctx, remote::Key::PI, ctx.args[0],
                           "the PI code takes 1 to 4 hexadecimal digits, not '" + ctx.args[0] + "'");
}

int runPTY(Context& ctx)
{
    ctx.expectArgs(1, 1);
    return SetStationValue(ctx, remote::Key::PTY, ctx.args[0],
                           "the programme type is a number from 0 to 31, not '" + ctx.args[0] + "'");
}

int runTP(Context& ctx)
{
    return SetStationValue(ctx, remote::Key::TP, OnOff(ctx) ? "1" : "0", "expected on or off");
}

int runAF(Context& ctx)
{
    ctx.expectArgs(1, static_cast<std::size_t>(kAFRows));
    std::string list;
    if (!(ctx.args.size() == 1 && ctx.args[0] == "none"))
        for (const std::string& frequency : ctx.args) {
            if (frequency.empty() || frequency.find_first_of(", \t") != std::string::npos ||
                remote::ParseLine("AF=" + frequency).kind != remote::Command::Kind::Set)
                throw UsageError("AF '" + frequency + "' is not a frequency of 87.6 to 107.9 MHz (as 87.6, one a word)");
            list += (list.empty() ? "" : ",") + frequency;
        }
    return SetStationValue(ctx, remote::Key::AF, list, "the AF list takes at most 25 frequencies");
}

} // namespace

// "YYYY-MM-DDTHH:MM:SS" (a space in place of the T is accepted too).
DateTime ParseLocalTime(const std::string& text)
{
    const std::optional<DateTime> t = ParseDateTime(text);
    if (!t)
        throw UsageError("--at '" + text + "' is not a local time YYYY-MM-DDTHH:MM:SS (1900 to 2099)");
    return *t;
}

QUORVAN_CLI_COMMAND("send", "", runSend);
QUORVAN_CLI_COMMAND("store", "", runStore);
QUORVAN_CLI_COMMAND("reset", "", runReset);
QUORVAN_CLI_COMMAND("carrier", "on|off", runCarrier);
QUORVAN_CLI_COMMAND("ta", "on|off", runTA);
QUORVAN_CLI_COMMAND("status", "", runStatus);
QUORVAN_CLI_COMMAND("receive", "", runReceive);
QUORVAN_CLI_COMMAND("ct", "[--at YYYY-MM-DDTHH:MM:SS]", runCT);
QUORVAN_CLI_COMMAND("rt", "TEXT [--type A|B]", runRT);
QUORVAN_CLI_COMMAND("dps", "TEXT", runDPS);
QUORVAN_CLI_COMMAND("ps", "TEXT", runPS);
QUORVAN_CLI_COMMAND("pi", "HHHH", runPI);
QUORVAN_CLI_COMMAND("pty", "0..31", runPTY);
QUORVAN_CLI_COMMAND("tp", "on|off", runTP);
QUORVAN_CLI_COMMAND("af", "FREQ...|none", runAF);

} // namespace quorvan::cli
