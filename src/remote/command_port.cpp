#include "remote/command_port.h"

#include "content/af_list.h"
#include "content/charset.h"
#include "content/dynamic_ps.h"
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
#include "sources/text_processing.h"
#include "sources/text_source_tick.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace quorvan::remote {

namespace {

std::string Reply(Outcome outcome)
{
    return IsReady(outcome) ? kReplyDone : kReplyNotReady;
}

// The bytes of one value as Send writes them (T1 up to the TA byte), so that
// a command writes exactly the bytes of its value.
Outcome WriteProgramValue(EncoderContext& ctx, const TStationParams& params, std::uint8_t address, int length)
{
    const ByteRun all = ProgramBytes(params);
    const ByteRun value(all.begin() + address, all.begin() + address + length);
    return WriteOperation(ctx.link, address, value);
}

// The current radiotext with its RT+ tags.
Outcome SendActualRadiotext(EncoderContext& ctx, const TStationParams& params, int control)
{
    return SendRadiotextWithTags(ctx.link, params, ActualRT(params), control);
}

std::string Query(Key key, TStationParams params, RemoteHost& host)
{
    const Charset cs = CharsetFromInt(params.CBCHARSET);
    const std::string name = std::string(KeyName(key)) + "=";
    switch (key) {
    case Key::RT1:
    case Key::RT2:
    case Key::RT3:
    case Key::RT4: {
        const int i = static_cast<int>(key) - static_cast<int>(Key::RT1);
        return name + TextToNetwork(params.rt(i), cs);
    }
    case Key::DPS:
        return name + TextToNetwork(params.RGDPS1M == 0 ? DynamicPSText(params) : params.DPS1B, cs);
    case Key::PS:
        return name + TextToNetwork(params.PSDEF, cs);
    case Key::PI:
        return name + MakeHEX(params.PI, 4);
    case Key::PTY:
        return name + std::to_string(params.PTY);
    case Key::TP:
        return name + (params.TP ? "1" : "0");
    case Key::TA:
        return name + (params.TA ? "1" : "0");
    case Key::MS:
        return name + std::to_string(params.MS);
    case Key::DI: {
        int di = 0;
        for (int bit = 0; bit < 4; ++bit)
            di |= params.DI[size_t(bit)] ? 1 << bit : 0;
        return name + std::to_string(di);
    }
    case Key::AF: {
        const AFList af = MakeAFList(params.SGAF);
        std::string list;
        for (int i = 0; i < af.count; ++i) {
            if (i)
                list += ',';
            list += AFFrequencyText(af.codes[size_t(i)]);
        }
        return name + list;
    }
    case Key::Status: {
        EncoderContext ctx = host.encoder(params);
        const StatusResult status = BSTATClick(ctx);
        if (!host.operationEnded())
            return kReplyNotReady;
        return status.value ? name + std::to_string(*status.value) : kReplyNotReady;
    }
    case Key::RTPlus: {
        const rtplus::Tags tags = rtplus::TagsFor(params, ActualRT(params));
        if (!tags.running)
            return name;
        std::string out = name;
        for (const rtplus::Tag& t : {tags.first, tags.second})
            out += (out.size() > name.size() ? "," : "") + std::to_string(t.type) + ',' + std::to_string(t.start) + ',' +
                   std::to_string(t.length);
        return out;
    }
    case Key::Artist:
    case Key::Title: {
        const rtplus::Tags tags = rtplus::TagsFor(params, ActualRT(params));
        const int type = key == Key::Artist ? rtplus::kItemArtist : rtplus::kItemTitle;
        for (const rtplus::Tag& t : {tags.first, tags.second})
            if (tags.running && t.type == type)
                return name + TextToNetwork(rtplus::TagText(ActualRT(params), t), cs);
        return name;
    }
    case Key::CT:
    case Key::Send:
    case Key::Store:
    case Key::FinalRT:
    case Key::Carrier:
    case Key::ClockTimeOnOff:
    case Key::ClockTime:
        break;
    }
    return kReplyUnknown;
}

// The clock-time record of the minute of `local` (a load is always for the
// minute after the given time), then the trigger that puts it on the air.
Outcome LoadAndTriggerClockTime(EncoderContext& ctx, const DateTime& local, int offsetHours)
{
    ByteRun record{image::kCTGroupType4A};
    for (const std::uint8_t b : ClockTimeBytes(AddMinutes(local, -1), offsetHours))
        record.push_back(b);
    WriteRun(ctx.link, Opens::Operation, image::kCTGroupType, record, Closes::Continues);
    WriteRun(ctx.link, Opens::Continues, image::kCTTrigger, {1}, Closes::Operation);
    return ClosedOutcome(ctx.link);
}

// "YYYY-MM-DDTHH:MM:SS"; nothing when it is not that.
std::optional<DateTime> ParseDateTime(const std::string& text)
{
    DateTime t;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &t.second) != 6)
        return std::nullopt;
    return t;
}

} // namespace

std::string TextFromNetwork(std::string_view bytes, Charset cs)
{
    return EncodeText(ExternalTextToUtf8(bytes), cs);
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

std::string TextToNetwork(std::string_view encoderBytes, Charset cs)
{
    return DecodeText(encoderBytes, cs);
}

std::string ExecuteCommand(const Command& command, TStationParams& params, RemoteHost& host)
{
    if (command.kind == Command::Kind::Query)
        return Query(command.key, params, host);
    if (command.kind == Command::Kind::Bad)
        return kReplyBad;
    if (command.kind != Command::Kind::Set)
        return kReplyUnknown;

    auto transfer = [&](auto&& write) {
        host.showValues(params);
        EncoderContext ctx = host.encoder(params);
        const Outcome outcome = write(ctx);
        return host.operationEnded() ? outcome : Outcome::NotReady;
    };

    switch (command.key) {
    case Key::RT1: {
        // Exactly as a radiotext source text: processing, prefix, the cut to
        // 61 and "...", RT1, the update sequence, the switching restart.
        const RadiotextUpdate update = ApplyRadiotextText(params, SourceTextFromNetwork(command.text, CharsetFromInt(params.CBCHARSET)),
                                                                host.radiotextOnAir());
        const Outcome outcome =
            transfer([&](EncoderContext& ctx) { return SendRadiotextWithTags(ctx.link, params, update.bytes, update.control); });
        host.restartRadiotextSwitching();
        return Reply(outcome);
    }
    case Key::RT2:
    case Key::RT3:
    case Key::RT4: {
        const int i = static_cast<int>(command.key) - static_cast<int>(Key::RT1);
        std::string text = TextFromNetwork(command.text, CharsetFromInt(params.CBCHARSET));
        if (text.size() > kRadiotextLength)
            text.resize(kRadiotextLength);  // the field takes 64 characters
        params.rt(i) = text;
        if (ActualRTIndex(params) != i)
            return kReplyDone;  // kept for the switching; nothing on the air changes
        const int control = NewRadiotextControl(params, host.radiotextOnAir(), ActualRT(params), ActualRTType(params));
        return Reply(transfer([&](EncoderContext& ctx) { return SendActualRadiotext(ctx, params, control); }));
    }
    case Key::DPS: {
        const DynamicPSUpdate update = ApplyDynamicPSText(params, SourceTextFromNetwork(command.text, CharsetFromInt(params.CBCHARSET)));
        return Reply(
            transfer([&](EncoderContext& ctx) { return SendDynamicPSUpdate(ctx.link, update.text, update.length); }));
    }
    case Key::PS: {
        // The field takes 8 characters; a longer PS is not cut into another
        // name, and a blank one would put no name on air.
        const std::string ps = TextFromNetwork(command.text, CharsetFromInt(params.CBCHARSET));
        if (ps.size() > static_cast<std::size_t>(image::kPSLength) || ps.find_first_not_of(' ') == std::string::npos)
            return kReplyBad;
        params.PSDEF = ps;
        return Reply(transfer(
            [&](EncoderContext& ctx) { return WriteProgramValue(ctx, params, image::kPS, image::kPSLength); }));
    }
    case Key::PI:
        params.PI = command.text;
        PIExit(params);
        return Reply(transfer(
            [&](EncoderContext& ctx) { return WriteProgramValue(ctx, params, image::kPI, image::kPILength); }));
    case Key::PTY:
        params.PTY = command.number;
        return Reply(transfer([&](EncoderContext& ctx) { return WriteProgramValue(ctx, params, image::kPTY, 1); }));
    case Key::TP:
        params.TP = command.number != 0;
        return Reply(transfer([&](EncoderContext& ctx) { return WriteProgramValue(ctx, params, image::kTP, 1); }));
    case Key::MS:
        params.MS = command.number;
        return Reply(transfer([&](EncoderContext& ctx) { return WriteProgramValue(ctx, params, image::kMS, 1); }));
    case Key::DI:
        for (int bit = 0; bit < 4; ++bit)
            params.DI[size_t(bit)] = (command.number >> bit) & 1;
        return Reply(transfer([&](EncoderContext& ctx) { return WriteProgramValue(ctx, params, image::kDI, 1); }));
    case Key::TA:
        // The traffic announcement control: the flag, then its byte alone.
        params.TA = command.number != 0;
        {
            const Outcome outcome = transfer([&](EncoderContext& ctx) { return SendTrafficAnnouncement(ctx.link, params.TA); });
            if (outcome == Outcome::Ready)
                host.trafficAnnouncementWritten(params.TA);
            return Reply(outcome);
        }
    case Key::AF: {
        params.SGAF = {};
        for (std::size_t i = 0; i < command.frequencies.size() && i < params.SGAF.size(); ++i)
            params.SGAF[i] = command.frequencies[i];
        return Reply(transfer([&](EncoderContext& ctx) {
            const AFList af = MakeAFList(params, ctx.decimalSeparator);
            ByteRun run(static_cast<std::size_t>(af.count) + 1);
            run[0] = static_cast<std::uint8_t>(af.count);
            for (int i = 0; i < af.count; ++i)
                run[size_t(i) + 1] = af.codes[size_t(i)];
            return WriteOperation(ctx.link, image::kAFCount, run);
        }));
    }
    case Key::CT:
        return Reply(transfer([&](EncoderContext& ctx) {
            return LoadAndTriggerClockTime(ctx, ctx.clock.now(), LocalTimeOffsetHours(params));
        }));
    case Key::ClockTime: {
        // The time given in UTC with the local offset in half hours; the
        // clock-time record carries whole hours.
        const std::optional<DateTime> utc = ParseDateTime(command.text);
        if (!utc)
            return kReplyBad;
        const DateTime local = AddMinutes(*utc, command.number * 30);
        return Reply(transfer([&](EncoderContext& ctx) { return LoadAndTriggerClockTime(ctx, local, command.number / 2); }));
    }
    case Key::FinalRT: {
        // Radiotext 1 exactly as sent: no prefix, no processing, no cut
        // with "..."; filled with spaces as every radiotext.
        std::string text = TextFromNetwork(command.text, CharsetFromInt(params.CBCHARSET));
        if (text.size() > kRadiotextLength)
            text.resize(kRadiotextLength);
        params.RT1 = text;
        int control = 0;
        if (command.number & 1) {
            // The configuration byte's toggle asks for the other flag than the
            // one on air, the same text or not: it wins over ToggleAB's rule.
            RadiotextOnAir& onAir = host.radiotextOnAir();
            params.CBRTT1 = 1 - (onAir.bytes ? onAir.type : params.CBRTT1);
            onAir = RadiotextOnAir{RadiotextBytes(params.RT1), params.CBRTT1};
            control = RadiotextUpdateControl(params.CBRTT1);
        } else {
            // With ToggleAB a text that differs from the one on air takes the other flag.
            control = NewRadiotextControl(params, host.radiotextOnAir(), params.RT1, params.CBRTT1);
        }
        // The RT+ tags follow the new text (an earlier text's tags never stay).
        const Outcome outcome = transfer([&](EncoderContext& ctx) {
            return SendRadiotextWithTags(ctx.link, params, RadiotextBytes(params.RT1), control);
        });
        host.restartRadiotextSwitching();
        return Reply(outcome);
    }
    case Key::Carrier:
        return Reply(transfer([&](EncoderContext& ctx) {
            return command.number ? BSWONClick(ctx.link) : BSWOFFClick(ctx.link);
        }));
    case Key::ClockTimeOnOff:
        host.setClockTimeTransmission(params, command.number != 0);
        return kReplyDone;
    case Key::Send: {
        host.showValues(params);
        EncoderContext ctx = host.encoder(params);
        const SendResult result = BSEND1Click(ctx, params);
        if (result.outcome == Outcome::Skipped)
            return kReplyBad;  // within one second of the last transfer
        if (!host.operationEnded())
            return kReplyNotReady;
        return Reply(result.outcome);
    }
    case Key::Store:
        return Reply(transfer([&](EncoderContext& ctx) { return BSTOR1Click(ctx); }));
    case Key::RTPlus: {
        // Tags for the radiotext on air now (none: no item, dummy tags); they
        // hold while it stays.
        params.RTPlusExplicitSet = true;
        for (std::size_t i = 0; i < params.RTPlusExplicit.size(); ++i)
            params.RTPlusExplicit[i] = i < command.numbers.size() ? command.numbers[i] : 0;
        params.RTPlusExplicitText = ActualRT(params);
        const rtplus::Registers rtPlus = rtplus::RegistersFor(params, ActualRT(params));
        return Reply(transfer([&](EncoderContext& ctx) {
            if (!ctx.link.ExtensionRegisters)
                return Outcome::Ready;  // a real encoder has no RT+: the values are kept
            return WriteOperation(ctx.link, image::kRTPlus, ByteRun(rtPlus.begin(), rtPlus.end()));
        }));
    }
    case Key::Artist:
        params.RTPlusArtist = SourceTextFromNetwork(command.text, CharsetFromInt(params.CBCHARSET));
        return kReplyDone;  // waits for its title
    case Key::Title: {
        // The pattern makes radiotext 1 of the artist given before and the
        // title, processed as a source text; the tags are where they were put.
        const Charset cs = CharsetFromInt(params.CBCHARSET);
        const TextProcessingOptions options = TextProcessingOptionsOf(params);
        const std::string artist = ProcessSourceText(params.RTPlusArtist, options, cs);
        const std::string title = ProcessSourceText(SourceTextFromNetwork(command.text, cs), options, cs);
        params.RTPlusArtist.clear();
        if (title.empty())
            return kReplyBad;
        // A text over 64 characters is cut with "..." as a TEXT= is.
        std::optional<rtplus::Composed> composed =
            rtplus::ComposeText(params.ER1PR, params.RTPlusPattern, artist, title, true);
        if (!composed || artist.empty()) {
            // No artist (or no usable pattern): the title alone, tagged.
            composed = rtplus::Composed{params.ER1PR + title, {}};
            std::size_t tagged = composed->text.size();
            if (composed->text.size() > kRadiotextLength) {
                tagged = kRadiotextLength - 3;
                composed->text.resize(tagged);
                composed->text += "...";
            }
            const int start = static_cast<int>(params.ER1PR.size());
            const int length = std::min(static_cast<int>(tagged) - start, rtplus::kMaxLength1);
            if (start <= rtplus::kMaxStart && length > 0)
                composed->tags = {true, {rtplus::kItemTitle, start, length}, {}};
        }
        params.RT1 = composed->text;
        const rtplus::Tags& t = composed->tags;
        params.RTPlusExplicitSet = true;
        params.RTPlusExplicit = {t.first.type, t.first.start, t.first.length, t.second.type, t.second.start, t.second.length};
        params.RTPlusExplicitText = params.RT1;
        const int control = NewRadiotextControl(params, host.radiotextOnAir(), params.RT1, params.CBRTT1);
        const Outcome outcome = transfer([&](EncoderContext& ctx) {
            // Artist and title are sent to be tagged: where the encoder
            // carries RT+ (the virtual encoder), tagging comes on for them.
            if (ctx.link.ExtensionRegisters)
                params.RTPlus = true;
            return SendRadiotextWithTags(ctx.link, params, params.RT1, control);
        });
        host.restartRadiotextSwitching();
        return Reply(outcome);
    }
    case Key::Status:
        break;
    }
    return kReplyUnknown;
}

CommandPort::CommandPort(const Stopwatch& stopwatch, const Clock& clock)
    : clock_(clock),
      listener_(stopwatch, [this](const Peer& peer, std::string_view line, bool tooLong) { queue_.add(peer, line, tooLong); }),
      queue_([this](const Peer& peer, std::string_view reply, int times) { listener_.reply(peer, reply, times); },
             [this](const Peer& peer, std::string_view line, std::string_view reply, int times) {
                 addLog(peer.name(), line, std::string(reply), times);
             }),
      limiter_(stopwatch,
               [this](const std::string& sender, const std::string& text) {
                   addEntry({clock_.now(), sender, text, std::string(), 1, true});
               })
{
    listener_.holdInputWhile([this] { return queue_.full(); });
    listener_.onRefused = [this](const Peer& peer) {
        const std::string who = peer.name();
        if (limiter_.admit(peer.text))
            addEntry({clock_.now(), who, "refused " + who + " (not in the allow list)", std::string(), 1, true});
    };
}

bool CommandPort::runPending(TStationParams& params, RemoteHost& host, const std::function<bool()>& late)
{
    const TStationParams before = params;
    for (const CommandQueue::Entry& entry : queue_.take()) {
        const std::string reply =
            late && late() ? std::string(kReplyNotReady) : ExecuteCommand(entry.command, params, host);
        queue_.answer(entry, reply);  // logged as the replies go out, in each sender's order
    }
    listener_.closeFinished();  // a client that has sent all gets its last reply and goes
    flushLog();
    return !(params == before);
}

void CommandPort::addLog(const std::string& peer, std::string_view line, const std::string& reply, int lines)
{
    // One sender's lines are limited by its address, whichever transport.
    if (!limiter_.admit(SenderOf(peer)))
        return;
    // The line as UTF-8: as it came when it is UTF-8, else read as Latin-1.
    addEntry({clock_.now(), peer, ExternalTextToUtf8(line), reply, lines});
}

void CommandPort::addEntry(LogEntry entry)
{
    log_.push_back(std::move(entry));
    while (log_.size() > kLogSize)
        log_.pop_front();
    if (onLog)
        onLog();
}

} // namespace quorvan::remote
