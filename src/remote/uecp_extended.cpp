#include "remote/uecp_extended.h"

#include "air/modulator.h"
#include "content/af_list.h"
#include "content/charset.h"
#include "content/extended_text.h"
#include "remote/uecp_frame.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace quorvan::remote::uecp {

namespace {

// UECP group type codes (SPB 490, element 0x16 "RDS group sequence"): bits
// 4..1 the group type, bit 0 the version (0: A, 1: B).
struct GroupCode {
    std::uint8_t code;
    SequenceGroup group;
};
constexpr std::array<GroupCode, 10> kGroupCodes{{
    {0x00, SequenceGroup::G0A},
    {0x02, SequenceGroup::G1A},
    {0x04, SequenceGroup::G2A},
    {0x06, SequenceGroup::G3A},
    {0x08, SequenceGroup::G4A},
    {0x14, SequenceGroup::G10A},
    {0x16, SequenceGroup::G11A},
    {0x18, SequenceGroup::G12A},
    {0x1C, SequenceGroup::G14A},
    {0x1E, SequenceGroup::G15A},
}};

// The reference tables of the level and phase elements: 0 all, 7 the current
// one. This encoder has one table, which both name.
constexpr int kAllTables = 0;
constexpr int kCurrentTable = 7;

std::uint8_t Byte(const Element& e, std::size_t i)
{
    return static_cast<std::uint8_t>(e.data[i]);
}

int Word(const Element& e, std::size_t at = 0)
{
    return Byte(e, at) << 8 | Byte(e, at + 1);
}

std::string Hex2(int v)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", v & 0xFF);
    return text;
}

std::string Network(const Element& e)
{
    return "EON" + std::to_string(e.psn);
}

// An 8-byte label in the RDS table (PS, PTYN) as the record keeps it: its
// trailing blanks dropped, the rule of content/extended_text.h applied.
std::optional<std::string> Label(const Element& e, std::string_view key, std::string& why)
{
    std::string utf8 = DecodeText(e.data, Charset::Rds);
    while (!utf8.empty() && utf8.back() == ' ')
        utf8.pop_back();
    const Parsed<std::string> p = ParseRdsLabel(key, utf8);
    if (!p.ok) {
        why = p.message;
        return std::nullopt;
    }
    return p.value;
}

// The PIN word (IEC 62106-2, 6.2.2.5, as group 1A block 4 carries it): day in
// bits 15..11, hour in 10..6, minute in 5..0; 0 is no programme item.
std::optional<std::optional<ProgrammeItem>> PinOf(int word, std::string* why = nullptr)
{
    if (word == 0)
        return std::optional<ProgrammeItem>{};
    char text[16];
    std::snprintf(text, sizeof text, "%d %02d:%02d", word >> 11, (word >> 6) & 31, word & 63);
    const Parsed<std::optional<ProgrammeItem>> p = ParsePin("PIN", text);
    if (!p.ok) {
        if (why != nullptr)
            *why = p.message;
        return std::nullopt;
    }
    return p.value;
}

int PinWord(const std::optional<ProgrammeItem>& pin)
{
    return pin ? (pin->day << 11 | pin->hour << 6 | pin->minute) : 0;
}

// The level (element 0x0E) and phase (element 0x22) words, as python-uecp's
// RDSLevelSetCommand and RDSPhaseSetCommand lay them out: the reference
// table in bits 15..13, the level in bits 12..0; the phase in bits 11..0 in
// tenths of a degree (bit 12 unused). The level counts tenths of a percent
// of full scale here (a sound card has no volt to refer to): the range of
// `air --rds-level`.
int Table(const Element& e)
{
    return Byte(e, 0) >> 5;
}

int LevelTenths(const Element& e)
{
    return Word(e) & 0x1FFF;
}

int PhaseTenths(const Element& e)
{
    return Word(e) & 0x1FFF;
}

// The group types of the sequence element, for a refusal.
std::string GroupTypes()
{
    std::string s;
    for (const GroupCode& g : kGroupCodes)
        s += (s.empty() ? "" : ", ") + Hex2(g.code) + " " + std::string(SequenceGroupName(g.group));
    return s;
}

// Reads an element into `r`; the code when a value is refused (then `r` is
// partly written and must be dropped), with the one line saying why in `why`
// (the element, the value and the range).
int Read(const Element& e, ExtensionRecord& r, std::string& why)
{
    const auto refuse = [&](int code, std::string text) {
        why = std::move(text);
        return code;
    };
    ExtendedValues& v = r.values;
    OtherNetwork* on = e.psn >= 1 && e.psn <= kOtherNetworks ? &v.eon[e.psn - 1u] : nullptr;
    switch (e.mec) {
    case kPIN: {
        const auto pin = PinOf(Word(e), &why);
        if (!pin)
            return kOutOfRange;
        v.pin = *pin;
        return kOk;
    }
    case kPTYN: {
        const auto label = Label(e, "PTYN", why);
        if (!label)
            return kOutOfRange;
        v.ptyn = *label;
        return kOk;
    }
    case kSlowLabelling: {
        // Group 1A block 3 (IEC 62106-2, 6.2.2.4): LA, variant, 12 bits.
        // Linkage and paging are not carried: a frame asking for them is
        // refused rather than half taken.
        const int word = Word(e);
        const int variant = (word >> 12) & 7;
        const int data = word & 0xFFF;
        if ((word & 0x8000) != 0 || (data >> 8) != 0 || (variant != kSlcVariantEcc && variant != kSlcVariantLic))
            return refuse(kNotAcceptable, "slow labelling " + Hex2(word >> 8) + Hex2(word) +
                                              ": only variant 0 (ECC) and 3 (LIC) are carried, without linkage "
                                              "actuator or paging");
        if (variant == kSlcVariantEcc) {
            const Parsed<std::uint8_t> p = ParseEcc("ECC", Hex2(data));
            if (!p.ok)
                return refuse(kOutOfRange, p.message);
            v.ecc = p.value;
        } else {
            const Parsed<std::uint8_t> p = ParseLic("LIC", Hex2(data));
            if (!p.ok)
                return refuse(kOutOfRange, p.message);
            v.lic = p.value;
        }
        return kOk;
    }
    case kGroupSequence: {
        std::string text;
        for (std::size_t i = 0; i < e.data.size(); ++i) {
            const GroupCode* found = nullptr;
            for (const GroupCode& g : kGroupCodes)
                if (g.code == Byte(e, i))
                    found = &g;
            if (found == nullptr)
                return refuse(kOutOfRange, "group sequence: code " + Hex2(Byte(e, i)) + " at place " +
                                               std::to_string(i + 1) + " is not a group type (" + GroupTypes() + ")");
            text += (text.empty() ? "" : " ") + std::string(SequenceGroupName(found->group));
        }
        const Parsed<std::vector<SequenceGroup>> p = ParseGroupSequence("GroupSequence", text);
        if (!p.ok)
            return refuse(kOutOfRange, p.message);
        v.groupSequence = p.value;
        return kOk;
    }
    case kRdsLevel: {
        if (Table(e) != kAllTables && Table(e) != kCurrentTable)
            return refuse(kNotAcceptable, "RDS level: reference table " + std::to_string(Table(e)) +
                                              " is not this encoder's (0 all, 7 the current one)");
        air::ModulatorConfig config;
        config.rdsLevel = LevelTenths(e) / 10.0;
        config.pilotLevel = 0;
        if (!air::CheckModulatorConfig(config).empty())
            return refuse(kOutOfRange, DescribeExtended(e) + ": the RDS level must be 0 to 100 % of full scale in "
                                                             "steps of 0.1");
        r.rdsLevelTenths = LevelTenths(e);
        return kOk;
    }
    case kRdsPhase: {
        if (Table(e) != kAllTables && Table(e) != kCurrentTable)
            return refuse(kNotAcceptable, "RDS phase: reference table " + std::to_string(Table(e)) +
                                              " is not this encoder's (0 all, 7 the current one)");
        if (const std::string problem = air::CheckRdsPhase(PhaseTenths(e) / 10.0); !problem.empty())
            return refuse(kOutOfRange, DescribeExtended(e) + ": " + problem);
        r.rdsPhaseTenths = PhaseTenths(e);
        return kOk;
    }
    default:
        break;
    }
    if (on == nullptr)
        return refuse(kPsnError, "PSN " + std::to_string(e.psn) + ": the other networks are PSN 1.." +
                                     std::to_string(kOtherNetworks));
    const std::string key = Network(e);
    switch (e.mec) {
    case kPI: {
        const Parsed<std::uint16_t> p = ParseOtherPi(key + "PI", FormatOtherPi(static_cast<std::uint16_t>(Word(e))));
        if (!p.ok)
            return refuse(kOutOfRange, p.message);
        // PI 0000: the network is carried no longer; its frequencies, which
        // EON-AF names by its PI, go with it.
        on->pi = p.value;
        if (p.value == 0)
            on->af.clear();
        return kOk;
    }
    case kPS: {
        const auto label = Label(e, key + "PS", why);
        if (!label)
            return kOutOfRange;
        on->ps = *label;
        return kOk;
    }
    case kTATP:
        if (Byte(e, 0) > 3)
            return refuse(kOutOfRange, key + " TA/TP: " + std::to_string(Byte(e, 0)) +
                                           " is out of range 0..3 (bit 0 TA, bit 1 TP)");
        on->ta = (Byte(e, 0) & 1) != 0;
        on->tp = (Byte(e, 0) & 2) != 0;
        return kOk;
    case kPTY: {
        const Parsed<int> p = ParseIntInRange(key + "PTY", std::to_string(Byte(e, 0)), 0, 31);
        if (!p.ok)
            return refuse(kOutOfRange, p.message);
        on->pty = p.value;
        return kOk;
    }
    case kEonAf: {
        // PI of the other network, then a method A list: 224 + n, n codes.
        if (e.data.size() < 3)
            return refuse(kElementLengthError, key + " AF: the network's PI and the count of frequencies are 3 bytes");
        const int n = Byte(e, 2) - 224;
        if (n < 0 || n > 25)
            return refuse(kOutOfRange, key + " AF: " + Hex2(Byte(e, 2)) +
                                           " is no count of frequencies (E0..F9: 224 + N, N 0..25)");
        if (e.data.size() != static_cast<std::size_t>(n) + 3)
            return refuse(kElementLengthError, key + " AF: " + std::to_string(n) + " frequencies announced, " +
                                                   std::to_string(e.data.size() - 3) + " there");
        if (Word(e) == 0)
            return refuse(kOutOfRange, key + " AF: the other network's PI is 0000 (0001..FFFF)");
        std::vector<std::uint8_t> codes;
        for (std::size_t i = 3; i < e.data.size(); ++i) {
            if (Byte(e, i) < kAFCodeMin || Byte(e, i) > kAFCodeMax)
                return refuse(kOutOfRange, key + " AF: code " + std::to_string(Byte(e, i)) +
                                               " is no frequency (1..204: 87.6..107.9 MHz)");
            codes.push_back(Byte(e, i));
        }
        const Parsed<std::vector<std::uint8_t>> af = ParseAfListA(key + "AF", FormatAfListA(codes));
        if (!af.ok)
            return refuse(kOutOfRange, af.message);
        on->pi = static_cast<std::uint16_t>(Word(e));
        on->af = af.value;
        return kOk;
    }
    default:
        return kMessageUnknown;
    }
}

// The MEC, then DSN and PSN 0 where the element has them.
std::string Head(std::uint8_t mec)
{
    const ElementLayout layout = ExtendedLayoutOf(mec);
    return std::string(1, static_cast<char>(mec)) + std::string((layout.dsn ? 1u : 0u) + (layout.psn ? 1u : 0u), '\0');
}

std::string WordBytes(int word)
{
    std::string s(1, static_cast<char>((word >> 8) & 0xFF));
    s += static_cast<char>(word & 0xFF);
    return s;
}

std::string Padded(std::string label)
{
    label.resize(8, ' ');
    return label;
}

} // namespace

ElementLayout ExtendedLayoutOf(std::uint8_t mec)
{
    // UECP (SPB 490), the message element list: DSN, PSN, MEL, data.
    switch (mec) {
    case kPIN:            // 06: DSN PSN, PIN (2 bytes)
    case kSlowLabelling:  // 1A: DSN PSN, slow labelling data (2 bytes)
        return {true, true, true, false, 2};
    case kPTYN:           // 3E: DSN PSN, 8 characters
        return {true, true, true, false, 8};
    case kEonAf:          // 14: DSN PSN MEL, PI of the other network, AF list
        return {true, true, true, true, 0};
    case kGroupSequence:  // 16: DSN MEL, one group type code each
        return {true, true, false, true, 0};
    case kRdsLevel:       // 0E: 2 bytes (reference table, level)
    case kRdsPhase:       // 22: 2 bytes (reference table, phase)
        return {true, false, false, false, 2};
    default:
        return {};
    }
}

bool IsExtendedMec(std::uint8_t mec)
{
    return ExtendedLayoutOf(mec).known;
}

bool OtherNetworkPsn(std::uint8_t mec, std::uint8_t psn)
{
    const bool eonElement = mec == kPI || mec == kPS || mec == kTATP || mec == kPTY || mec == kEonAf;
    return eonElement && psn >= 1 && psn <= kOtherNetworks;
}

bool NeedsRecord(const Element& e)
{
    return IsExtendedMec(e.mec) || e.psn != 0;
}

int CheckExtended(const Element& e)
{
    ExtensionRecord scratch;
    std::string why;
    return Read(e, scratch, why);
}

std::string WhyRefused(const Element& e)
{
    ExtensionRecord scratch;
    std::string why;
    return Read(e, scratch, why) == kOk ? std::string() : why;
}

int CheckExtendedRequest(std::uint8_t mec, std::uint8_t psn)
{
    if (psn != 0)
        return OtherNetworkPsn(mec, psn) ? kOk : kPsnError;
    if (mec == kEonAf)
        return kPsnError;  // the own service's list is the AF element's
    return IsExtendedMec(mec) ? kOk : kMessageUnknown;
}

void ApplyExtended(const Element& e, ExtensionRecord& record)
{
    ExtensionRecord copy = record;
    std::string why;
    if (Read(e, copy, why) == kOk)
        record = std::move(copy);
}

std::string DescribeExtended(const Element& e)
{
    switch (e.mec) {
    case kPIN: {
        const auto pin = PinOf(Word(e));
        return pin && *pin ? "PIN " + FormatPin(*pin) : std::string("PIN none");
    }
    case kPTYN:
        return "PTYN " + DecodeText(e.data, Charset::Rds);
    case kSlowLabelling: {
        const int variant = (Word(e) >> 12) & 7;
        return (variant == kSlcVariantLic ? "LIC " : variant == kSlcVariantEcc ? "ECC " : "SLC ") +
               Hex2(Word(e) & 0xFF);
    }
    case kGroupSequence: {
        std::string s = "group sequence";
        for (const char c : e.data)
            for (const GroupCode& g : kGroupCodes)
                if (g.code == static_cast<std::uint8_t>(c))
                    s += " " + std::string(SequenceGroupName(g.group));
        return e.data.empty() ? s + " (default)" : s;
    }
    case kRdsLevel: {
        char text[32];
        std::snprintf(text, sizeof text, "RDS level %.1f %%", LevelTenths(e) / 10.0);
        return text;
    }
    case kRdsPhase: {
        char text[32];
        std::snprintf(text, sizeof text, "RDS phase %.1f deg", PhaseTenths(e) / 10.0);
        return text;
    }
    case kPI:
        return Network(e) + " PI " + Hex2(Byte(e, 0)) + Hex2(Byte(e, 1));
    case kPS:
        return Network(e) + " PS " + DecodeText(e.data, Charset::Rds);
    case kTATP:
        return Network(e) + " TA " + std::to_string(Byte(e, 0) & 1) + " TP " + std::to_string((Byte(e, 0) >> 1) & 1);
    case kPTY:
        return Network(e) + " PTY " + std::to_string(Byte(e, 0));
    case kEonAf: {
        std::string s = Network(e) + " AF";
        if (e.data.size() >= 2)
            s += " PI " + Hex2(Byte(e, 0)) + Hex2(Byte(e, 1));
        for (std::size_t i = 3; i < e.data.size(); ++i)
            s += " " + AFFrequencyText(Byte(e, i));
        return s;
    }
    default:
        return "?";
    }
}

std::string AnswerExtended(std::uint8_t mec, std::uint8_t psn, const ExtensionRecord& record)
{
    const ExtendedValues& v = record.values;
    if (psn != 0) {
        if (!OtherNetworkPsn(mec, psn))
            return {};
        const OtherNetwork& on = v.eon[psn - 1u];
        std::string m(1, static_cast<char>(mec));
        m += '\0';
        m += static_cast<char>(psn);
        switch (mec) {
        case kPI:
            return m + WordBytes(on.pi);
        case kPS:
            return m + Padded(on.ps);
        case kTATP:
            return m + static_cast<char>((on.ta ? 1 : 0) | (on.tp ? 2 : 0));
        case kPTY:
            return m + static_cast<char>(on.pty & 31);
        case kEonAf: {
            const std::size_t n = std::min<std::size_t>(on.af.size(), kOtherNetworkAfs);
            m += static_cast<char>(n + 3);
            m += WordBytes(on.pi);
            m += static_cast<char>(224 + n);
            for (std::size_t i = 0; i < n; ++i)
                m += static_cast<char>(on.af[i]);
            return m;
        }
        default:
            return {};
        }
    }
    switch (mec) {
    case kPIN:
        return Head(mec) + WordBytes(PinWord(v.pin));
    case kPTYN:
        return Head(mec) + Padded(v.ptyn);
    case kSlowLabelling:
        return Head(mec) + WordBytes(kSlcVariantEcc << 12 | v.ecc) + Head(mec) + WordBytes(kSlcVariantLic << 12 | v.lic);
    case kGroupSequence: {
        std::string codes;
        for (const SequenceGroup g : v.groupSequence)
            for (const GroupCode& c : kGroupCodes)
                if (c.group == g)
                    codes += static_cast<char>(c.code);  // (the user group has no code of its own)
        if (codes.size() > kMaxMessage - 3)
            codes.resize(kMaxMessage - 3);
        return Head(mec) + static_cast<char>(codes.size()) + codes;
    }
    case kRdsLevel: {
        const int tenths = record.rdsLevelTenths.value_or(static_cast<int>(std::lround(air::kDefaultRdsLevel * 10)));
        return Head(mec) + WordBytes(kAllTables << 13 | (tenths & 0x1FFF));
    }
    case kRdsPhase: {
        const int tenths = record.rdsPhaseTenths.value_or(static_cast<int>(std::lround(air::kDefaultRdsPhase * 10)));
        return Head(mec) + WordBytes(kAllTables << 13 | (tenths & 0xFFF));
    }
    default:
        return {};
    }
}

} // namespace quorvan::remote::uecp
