#include "remote/extended_commands.h"

#include "content/extended_text.h"
#include "encoder/extended_send.h"
#include "settings/extended_keys.h"

#include <array>

namespace quorvan::remote {

namespace {

// How one key reads its value into a record and writes it back. The station
// values' keys (those of [Extended]) use the settings file's readers, so that
// a rule and the field it fills live once.
struct Rule {
    Key key;
    Parsed<bool> (*read)(ExtensionRecord& record, std::string_view key, std::string_view text);
    std::string (*format)(const ExtensionRecord& record);
    bool recordOnly;  // not a station value: kept in the record alone
};

template <auto Read>
Parsed<bool> ReadValue(ExtensionRecord& record, std::string_view key, std::string_view text)
{
    return Read(record.values, key, text);
}

template <auto Format>
std::string FormatValue(const ExtensionRecord& record)
{
    return Format(record.values);
}

template <int N>
Parsed<bool> ReadEonTa(ExtensionRecord& record, std::string_view key, std::string_view text)
{
    return ext::Store(ParseSwitch(key, text), [&](bool on) { record.values.eon[N].ta = on; });
}

template <int N>
std::string FormatEonTa(const ExtensionRecord& record)
{
    return record.values.eon[N].ta ? "1" : "0";
}

Parsed<bool> ReadLevel(ExtensionRecord& record, std::string_view key, std::string_view text)
{
    return ext::Store(ParseRdsLevel(key, text), [&](const auto& tenths) { record.rdsLevelTenths = tenths; });
}

std::string FormatLevel(const ExtensionRecord& record) { return FormatTenths(record.rdsLevelTenths); }

Parsed<bool> ReadPhase(ExtensionRecord& record, std::string_view key, std::string_view text)
{
    return ext::Store(ParseRdsPhase(key, text), [&](const auto& tenths) { record.rdsPhaseTenths = tenths; });
}

std::string FormatPhase(const ExtensionRecord& record) { return FormatTenths(record.rdsPhaseTenths); }

constexpr std::array<Rule, 17> kRules{{
    {Key::Ecc, ReadValue<ext::ReadEcc>, FormatValue<ext::FormatEcc>, false},
    {Key::Lic, ReadValue<ext::ReadLic>, FormatValue<ext::FormatLic>, false},
    {Key::Pin, ReadValue<ext::ReadPin>, FormatValue<ext::FormatPin>, false},
    {Key::Ptyn, ReadValue<ext::ReadPtyn>, FormatValue<ext::FormatPtyn>, false},
    {Key::LongPs, ReadValue<ext::ReadLongPs>, FormatValue<ext::FormatLongPs>, false},
    {Key::Ert, ReadValue<ext::ReadErt>, FormatValue<ext::FormatErt>, false},
    {Key::Eon1TA, ReadEonTa<0>, FormatEonTa<0>, false},
    {Key::Eon2TA, ReadEonTa<1>, FormatEonTa<1>, false},
    {Key::Eon3TA, ReadEonTa<2>, FormatEonTa<2>, false},
    {Key::Eon4TA, ReadEonTa<3>, FormatEonTa<3>, false},
    {Key::Eon5TA, ReadEonTa<4>, FormatEonTa<4>, false},
    {Key::Eon6TA, ReadEonTa<5>, FormatEonTa<5>, false},
    {Key::Eon7TA, ReadEonTa<6>, FormatEonTa<6>, false},
    {Key::Eon8TA, ReadEonTa<7>, FormatEonTa<7>, false},
    {Key::GroupSequence, ReadValue<ext::ReadGroupSequence>, FormatValue<ext::FormatGroupSequence>, false},
    {Key::RdsLevel, ReadLevel, FormatLevel, true},
    {Key::RdsPhase, ReadPhase, FormatPhase, true},
}};

constexpr bool InKeyOrder()
{
    for (std::size_t i = 0; i < kRules.size(); ++i)
        if (static_cast<int>(kRules[i].key) != static_cast<int>(Key::Ecc) + static_cast<int>(i))
            return false;
    return static_cast<int>(Key::RdsPhase) - static_cast<int>(Key::Ecc) + 1 == static_cast<int>(kRules.size());
}
static_assert(InKeyOrder(), "one rule per extended key, in the order of Key");

const Rule& RuleOf(Key key)
{
    return kRules[static_cast<std::size_t>(static_cast<int>(key) - static_cast<int>(Key::Ecc))];
}

// The other network an EONnTA key names (0..7), or -1.
int OtherNetworkOf(Key key)
{
    const int n = static_cast<int>(key) - static_cast<int>(Key::Eon1TA);
    return n >= 0 && n < kOtherNetworks ? n : -1;
}

std::string Refused(const std::string& why)
{
    return std::string(kReplyBad) + " " + why;
}

std::string SoftwareEncoderOnly(Key key)
{
    return Refused(std::string(KeyName(key)) +
                   ": software encoder only (the encoder on this port keeps no extension record)");
}

std::string WithNote(std::string reply, const std::string& note)
{
    return note.empty() ? reply : reply + " " + note;
}

} // namespace

bool IsExtendedKey(Key key)
{
    return static_cast<int>(key) >= static_cast<int>(Key::Ecc) &&
           static_cast<int>(key) <= static_cast<int>(Key::RdsPhase);
}

Command ParseExtendedCommand(Key key, std::string_view value)
{
    Command command;
    command.key = key;
    ExtensionRecord scratch;
    const Parsed<bool> parsed = RuleOf(key).read(scratch, KeyName(key), value);
    command.kind = parsed.ok ? Command::Kind::Set : Command::Kind::Bad;
    command.text = parsed.ok ? std::string(value) : parsed.message;
    return command;
}

std::string SetExtended(const Command& command, TStationParams& params, RemoteHost& host)
{
    const Rule& rule = RuleOf(command.key);
    const std::string name = KeyName(command.key);
    EncoderContext ctx = host.encoder(params);
    if (ctx.link.Extension == nullptr)
        return SoftwareEncoderOnly(command.key);
    // The station values with the new value: what the reply says of it (a
    // note) comes from here; the record gets the same value by the same rule.
    ExtensionRecord asked;
    asked.values = params.extended;
    const Parsed<bool> parsed = rule.read(asked, name, command.text);
    if (!parsed.ok)
        return Refused(parsed.message);
    if (const int n = OtherNetworkOf(command.key); n >= 0 && !params.extended.eon[size_t(n)].used())
        return Refused(name + ": no other network " + std::to_string(n + 1) + " is set (EON" +
                       std::to_string(n + 1) + "PI in [Extended])");
    if (!rule.recordOnly)
        params.extended = asked.values;
    host.showValues(params);
    const Outcome outcome =
        ChangeExtension(ctx.link, [&](ExtensionRecord& record) { rule.read(record, name, command.text); });
    const bool kept = host.operationEnded();
    return WithNote(IsReady(outcome) && kept ? kReplyDone : kReplyNotReady, parsed.message);
}

std::string QueryExtended(Key key, const TStationParams& params, RemoteHost& host)
{
    const Rule& rule = RuleOf(key);
    EncoderContext ctx = host.encoder(params);
    if (ctx.link.Extension == nullptr)
        return SoftwareEncoderOnly(key);
    const std::string head = std::string(KeyName(key)) + "=";
    ExtensionRecord record;
    record.values = params.extended;
    if (!rule.recordOnly)
        return head + rule.format(record);
    const Outcome outcome = ChangeExtension(ctx.link, [&](ExtensionRecord& r) { record = r; });
    if (!host.operationEnded() || !IsReady(outcome))
        return kReplyNotReady;
    return head + rule.format(record);
}

} // namespace quorvan::remote
