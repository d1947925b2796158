#include "remote/station_commands.h"

#include "content/af_list.h"
#include "content/charset.h"
#include "content/dynamic_ps.h"
#include "content/extended_text.h"
#include "content/pi.h"
#include "content/radiotext.h"
#include "content/rtplus.h"
#include "encoder/bus_runs.h"
#include "encoder/clock_time.h"
#include "encoder/direct_controls.h"
#include "encoder/image_layout.h"
#include "encoder/receive.h"
#include "encoder/rtplus_registers.h"
#include "encoder/send.h"
#include "encoder/update_sequences.h"
#include "remote/extended_commands.h"
#include "sources/text_processing.h"
#include "sources/text_source_tick.h"

namespace quorvan::remote {

namespace {

std::string Reply(Outcome outcome)
{
    return IsReady(outcome) ? kReplyDone : kReplyNotReady;
}

Charset CharsetOf(const TStationParams& params)
{
    return CharsetFromInt(params.preferences.CBCHARSET);
}

// One transfer of a command: the window shows the values first; a host that
// cannot keep what was written makes it "!Ready".
template <class Write>
Outcome Transfer(const TStationParams& params, RemoteHost& host, Write&& write)
{
    host.showValues(params);
    EncoderContext ctx = host.encoder(params);
    const Outcome outcome = write(ctx);
    return host.operationEnded() ? outcome : Outcome::NotReady;
}

// The bytes of one value as Send writes them (T1 up to the TA byte), so that
// a command writes exactly the bytes of its value.
std::string WriteProgramValue(const TStationParams& params, RemoteHost& host, std::uint8_t address, int length)
{
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        const ByteRun all = ProgramBytes(params);
        const ByteRun value(all.begin() + address, all.begin() + address + length);
        return WriteOperation(ctx.link, address, value);
    }));
}

// A radiotext update with the RT+ registers of its own text (an earlier
// text's tags never stay); the switching starts a new period.
std::string SendRadiotext(TStationParams& params, RemoteHost& host, std::string_view text, int control)
{
    const Outcome outcome = Transfer(params, host, [&](EncoderContext& ctx) {
        return SendRadiotextWithTags(ctx.link, params, text, control);
    });
    host.restartRadiotextSwitching();
    return Reply(outcome);
}

// An encoder text of at most one radiotext (64 characters) from the network.
std::string RadiotextFromNetwork(const std::string& bytes, Charset cs)
{
    std::string text = TextFromNetwork(bytes, cs);
    if (text.size() > kRadiotextLength)
        text.resize(kRadiotextLength);
    return text;
}

// A network line applied as a source text: in the RDS character set the source
// path reads the raw bytes itself (UTF-8 when valid, else Latin-1) and processes
// them on characters; in Latin-1 it takes bytes as they stand, so the line is
// first brought to Latin-1 from UTF-8.
std::string SourceTextFromNetwork(std::string_view bytes, Charset cs)
{
    if (cs == Charset::Rds)
        return std::string(bytes);
    return TextFromNetwork(bytes, Charset::Latin1);
}

std::string TagsText(const rtplus::Tags& tags)
{
    if (!tags.running)
        return {};
    std::string out;
    for (const rtplus::Tag& t : {tags.first, tags.second})
        out += (out.empty() ? "" : ",") + std::to_string(t.type) + ',' + std::to_string(t.start) + ',' +
               std::to_string(t.length);
    return out;
}

std::string AFText(std::array<std::string, kAFRows> rows)
{
    const AFList af = MakeAFList(rows);
    std::string list;
    for (int i = 0; i < af.count; ++i)
        list += (i ? "," : "") + AFFrequencyText(af.codes[size_t(i)]);
    return list;
}

} // namespace

std::string TextFromNetwork(std::string_view bytes, Charset cs)
{
    return EncodeText(ExternalTextToUtf8(bytes), cs);
}

std::string TextToNetwork(std::string_view encoderBytes, Charset cs)
{
    return DecodeText(encoderBytes, cs);
}

std::string SetRadiotext1(const Command& command, TStationParams& params, RemoteHost& host)
{
    // Exactly as a radiotext source text: processing, prefix, the cut to
    // 61 and "...", RT1, the update sequence, the switching restart.
    // The eRT (ERTFromRT) follows the line as it came, in its own letters.
    const RadiotextUpdate update = ApplyRadiotextText(params, SourceTextFromNetwork(command.text, CharsetOf(params)),
                                                      host.radiotextOnAir(), command.text);
    return SendRadiotext(params, host, update.bytes, update.control);
}

std::string SetOtherRadiotext(const Command& command, TStationParams& params, RemoteHost& host)
{
    const int i = static_cast<int>(command.key) - static_cast<int>(Key::RT1);
    params.rt(i) = RadiotextFromNetwork(command.text, CharsetOf(params));
    if (ActualRTIndex(params) != i)
        return kReplyDone;  // kept for the switching; nothing on the air changes
    const int control = NewRadiotextControl(params, host.radiotextOnAir(), ActualRT(params), ActualRTType(params));
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        return SendRadiotextWithTags(ctx.link, params, ActualRT(params), control);
    }));
}

std::string SetDynamicPS(const Command& command, TStationParams& params, RemoteHost& host)
{
    const DynamicPSUpdate update = ApplyDynamicPSText(params, SourceTextFromNetwork(command.text, CharsetOf(params)));
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        return SendDynamicPSUpdate(ctx.link, update.text, update.length);
    }));
}

std::string SetPS(const Command& command, TStationParams& params, RemoteHost& host)
{
    // The field takes 8 characters; a longer PS is not cut into another
    // name, and a blank one would put no name on air.
    const std::string ps = TextFromNetwork(command.text, CharsetOf(params));
    if (ps.size() > static_cast<std::size_t>(image::kPSLength) || ps.find_first_not_of(' ') == std::string::npos)
        return kReplyBad;
    params.program.PSDEF = ps;
    return WriteProgramValue(params, host, image::kPS, image::kPSLength);
}

std::string SetPI(const Command& command, TStationParams& params, RemoteHost& host)
{
    params.program.PI = command.text;
    PIExit(params);
    return WriteProgramValue(params, host, image::kPI, image::kPILength);
}

std::string SetPTY(const Command& command, TStationParams& params, RemoteHost& host)
{
    params.program.PTY = command.number;
    return WriteProgramValue(params, host, image::kPTY, 1);
}

std::string SetTP(const Command& command, TStationParams& params, RemoteHost& host)
{
    params.program.TP = command.number != 0;
    return WriteProgramValue(params, host, image::kTP, 1);
}

std::string SetMS(const Command& command, TStationParams& params, RemoteHost& host)
{
    params.program.MS = command.number;
    return WriteProgramValue(params, host, image::kMS, 1);
}

std::string SetDI(const Command& command, TStationParams& params, RemoteHost& host)
{
    for (int bit = 0; bit < 4; ++bit)
        params.program.DI[size_t(bit)] = (command.number >> bit) & 1;
    return WriteProgramValue(params, host, image::kDI, 1);
}

std::string SetTA(const Command& command, TStationParams& params, RemoteHost& host)
{
    // The traffic announcement control: the flag, then its byte alone.
    params.program.TA = command.number != 0;
    const Outcome outcome =
        Transfer(params, host, [&](EncoderContext& ctx) { return SetTrafficAnnouncement(ctx.link, params.program.TA); });
    if (outcome == Outcome::Ready)
        host.trafficAnnouncementWritten(params.program.TA);
    return Reply(outcome);
}

std::string SetAF(const Command& command, TStationParams& params, RemoteHost& host)
{
    params.program.SGAF = {};
    for (std::size_t i = 0; i < command.frequencies.size() && i < params.program.SGAF.size(); ++i)
        params.program.SGAF[i] = command.frequencies[i];
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        return WriteOperation(ctx.link, image::kAFCount, AFBytes(MakeAFList(params, ctx.decimalSeparator)));
    }));
}

std::string SendClockTimeNow(const Command&, TStationParams& params, RemoteHost& host)
{
    // The record of the minute that has begun (a load is always for the
    // minute after the given time), then the trigger that puts it on air.
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        return LoadAndTriggerClockTime(ctx.link,
                                       ClockTimeFor(AddMinutes(ctx.clock.now(), -1), LocalTimeOffsetHours(params)));
    }));
}

std::string SendClockTime(const Command& command, TStationParams& params, RemoteHost& host)
{
    // The time given in UTC with the local offset in half hours, both carried
    // as given.
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        return LoadAndTriggerClockTime(ctx.link, ClockTimeOfUtc(command.time, command.number));
    }));
}

std::string SetFinalRadiotext(const Command& command, TStationParams& params, RemoteHost& host)
{
    // Radiotext 1 exactly as sent: no prefix, no processing, no cut
    // with "..."; filled with spaces as every radiotext.
    params.radiotext.RT1 = RadiotextFromNetwork(command.text, CharsetOf(params));
    ErtFollowsRadiotext(params.extended, command.text);
    int control = 0;
    if (command.number & 1) {
        // The configuration byte's toggle asks for the other flag than the
        // one on air, the same text or not: it wins over ToggleAB's rule.
        RadiotextOnAir& onAir = host.radiotextOnAir();
        params.radiotext.CBRTT1 = 1 - (onAir.bytes ? onAir.type : params.radiotext.CBRTT1);
        onAir = RadiotextOnAir{RadiotextBytes(params.radiotext.RT1), params.radiotext.CBRTT1};
        control = RadiotextUpdateControl(params.radiotext.CBRTT1);
    } else {
        // With ToggleAB a text that differs from the one on air takes the other flag.
        control = NewRadiotextControl(params, host.radiotextOnAir(), params.radiotext.RT1, params.radiotext.CBRTT1);
    }
    return SendRadiotext(params, host, RadiotextBytes(params.radiotext.RT1), control);
}

std::string SetCarrier(const Command& command, TStationParams& params, RemoteHost& host)
{
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) {
        return SetCarrier(ctx.link, command.number);
    }));
}

std::string SetClockTimeTransmission(const Command& command, TStationParams& params, RemoteHost& host)
{
    host.setClockTimeTransmission(params, command.number != 0);
    return kReplyDone;
}

std::string SendAll(const Command&, TStationParams& params, RemoteHost& host)
{
    host.showValues(params);
    EncoderContext ctx = host.encoder(params);
    const SendResult result = Send(ctx, params);
    if (result.outcome == Outcome::Skipped)
        return kReplyBad;  // within one second of the last transfer
    if (!host.operationEnded())
        return kReplyNotReady;
    return Reply(result.outcome);
}

std::string StoreAll(const Command&, TStationParams& params, RemoteHost& host)
{
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) { return Store(ctx); }));
}

std::string SetRTPlusTags(const Command& command, TStationParams& params, RemoteHost& host)
{
    // Tags for the radiotext on air now (none: no item, dummy tags); they
    // hold while it stays.
    params.radiotext.RTPlusExplicitSet = true;
    for (std::size_t i = 0; i < params.radiotext.RTPlusExplicit.size(); ++i)
        params.radiotext.RTPlusExplicit[i] = i < command.numbers.size() ? command.numbers[i] : 0;
    params.radiotext.RTPlusExplicitText = ActualRT(params);
    const rtplus::Registers rtPlus = rtplus::RegistersFor(params, ActualRT(params));
    // A real encoder has no RT+: the values are kept, and Ready.
    return Reply(Transfer(params, host, [&](EncoderContext& ctx) { return SendRTPlusRegisters(ctx.link, rtPlus); }));
}

std::string SetArtist(const Command& command, TStationParams& params, RemoteHost&)
{
    params.radiotext.RTPlusArtist = SourceTextFromNetwork(command.text, CharsetOf(params));
    return kReplyDone;  // waits for its title
}

std::string SetTitle(const Command& command, TStationParams& params, RemoteHost& host)
{
    // Radiotext 1 of the artist given before and the title, each processed
    // as a source text; the tags are where they were put.
    const Charset cs = CharsetOf(params);
    const TextProcessingOptions options = TextProcessingOptionsOf(params);
    const std::string artist = ProcessSourceText(params.radiotext.RTPlusArtist, options, cs);
    const std::string title = ProcessSourceText(SourceTextFromNetwork(command.text, cs), options, cs);
    if (title.empty()) {
        params.radiotext.RTPlusArtist.clear();
        return kReplyBad;
    }
    // The eRT (ERTFromRT): the same composition in full Unicode, uncut.
    ErtFollowsRadiotext(params.extended,
                        rtplus::ComposeTitleText(DecodeText(params.textSources.ER1PR, cs),
                                                 DecodeText(params.radiotext.RTPlusPattern, cs),
                                                 ProcessSourceTextUnicode(params.radiotext.RTPlusArtist, options),
                                                 ProcessSourceTextUnicode(command.text, options)));
    params.radiotext.RTPlusArtist.clear();
    // A text over 64 characters is cut with "..." as a TEXT= is.
    const rtplus::Composed composed = rtplus::ComposeTitle(params.textSources.ER1PR, params.radiotext.RTPlusPattern, artist, title, true);
    params.radiotext.RT1 = composed.text;
    const rtplus::Tags& t = composed.tags;
    params.radiotext.RTPlusExplicitSet = true;
    params.radiotext.RTPlusExplicit = {t.first.type, t.first.start, t.first.length, t.second.type, t.second.start, t.second.length};
    params.radiotext.RTPlusExplicitText = params.radiotext.RT1;
    const int control = NewRadiotextControl(params, host.radiotextOnAir(), params.radiotext.RT1, params.radiotext.CBRTT1);
    const Outcome outcome = Transfer(params, host, [&](EncoderContext& ctx) {
        // Artist and title are sent to be tagged: where the encoder
        // carries RT+ (the virtual encoder), tagging comes on for them.
        if (ctx.link.Extension != nullptr)
            params.radiotext.RTPlus = true;
        return SendRadiotextWithTags(ctx.link, params, params.radiotext.RT1, control);
    });
    host.restartRadiotextSwitching();
    return Reply(outcome);
}

std::string QueryValue(Key key, TStationParams params, RemoteHost& host)
{
    if (IsExtendedKey(key))
        return QueryExtended(key, params, host);
    const Charset cs = CharsetOf(params);
    const std::string name = std::string(KeyName(key)) + "=";
    switch (key) {
    case Key::RT1:
    case Key::RT2:
    case Key::RT3:
    case Key::RT4:
        return name + TextToNetwork(params.rt(static_cast<int>(key) - static_cast<int>(Key::RT1)), cs);
    case Key::DPS:
        return name + TextToNetwork(params.dynamicPs.RGDPS1M == 0 ? DynamicPSText(params) : params.dynamicPs.DPS1B, cs);
    case Key::PS:
        return name + TextToNetwork(params.program.PSDEF, cs);
    case Key::PI:
        return name + MakeHEX(params.program.PI, 4);
    case Key::PTY:
        return name + std::to_string(params.program.PTY);
    case Key::TP:
        return name + (params.program.TP ? "1" : "0");
    case Key::TA:
        return name + (params.program.TA ? "1" : "0");
    case Key::MS:
        return name + std::to_string(params.program.MS);
    case Key::DI: {
        int di = 0;
        for (int bit = 0; bit < 4; ++bit)
            di |= params.program.DI[size_t(bit)] ? 1 << bit : 0;
        return name + std::to_string(di);
    }
    case Key::AF:
        return name + AFText(params.program.SGAF);
    case Key::Status: {
        EncoderContext ctx = host.encoder(params);
        const StatusResult status = ReadStatus(ctx);
        if (!host.operationEnded())
            return kReplyNotReady;
        return status.value ? name + std::to_string(*status.value) : kReplyNotReady;
    }
    case Key::RTPlus:
        return name + TagsText(rtplus::TagsFor(params, ActualRT(params)));
    case Key::Artist:
    case Key::Title: {
        const rtplus::Tags tags = rtplus::TagsFor(params, ActualRT(params));
        const int type = key == Key::Artist ? rtplus::kItemArtist : rtplus::kItemTitle;
        for (const rtplus::Tag& t : {tags.first, tags.second})
            if (tags.running && t.type == type)
                return name + TextToNetwork(rtplus::TagText(ActualRT(params), t), cs);
        return name;
    }
    default:
        return kReplyUnknown;
    }
}

} // namespace quorvan::remote
