#include "settings/settings_keys.h"

#include <array>

#include "settings/extended_keys.h"
#include "settings/ini_file.h"

namespace quorvan {

namespace {

using P = TStationParams;

// Field accessors for the table.
template <auto Page, auto Member> auto& pf(SettingsValues& v) { return v.params.*Page.*Member; }
template <auto Page, auto Member, int Index> auto& pa(SettingsValues& v) { return (v.params.*Page.*Member)[Index]; }
template <auto Member> auto& wf(SettingsValues& v) { return v.window.*Member; }
template <auto Member, int Index> auto& oa(SettingsValues& v) { return (v.ports.*Member)[Index]; }
template <auto Member> auto& rf(SettingsValues& v) { return v.remote.*Member; }

constexpr SettingKey integer(const char* s, const char* k, const char* f, NumberField r)
{
    SettingKey key;
    key.section = s; key.key = k; key.field = f; key.type = SettingType::Integer; key.number = r;
    return key;
}
constexpr SettingKey steps(const char* s, const char* k, const char* f, NumberField r, double step, int lo, int hi)
{
    SettingKey key = integer(s, k, f, r).clamp(lo, hi);
    key.type = SettingType::Steps;
    key.step = step;
    return key;
}
constexpr SettingKey boolean(const char* s, const char* k, const char* f, FlagField r)
{
    SettingKey key;
    key.section = s; key.key = k; key.field = f; key.type = SettingType::Boolean; key.flag = r;
    return key;
}
// One button of a choice kept in one field: on while Page.Member holds Value;
// cleared, the field becomes None if it held Value.
template <auto Page, auto Member, auto Value, auto None>
constexpr SettingKey choiceButton(const char* s, const char* k, const char* f)
{
    SettingKey key;
    key.section = s; key.key = k; key.field = f; key.type = SettingType::Boolean;
    key.isOn = [](const SettingsValues& v) { return v.params.*Page.*Member == Value; };
    key.setOn = [](SettingsValues& v, bool on) {
        auto& field = v.params.*Page.*Member;
        if (on)
            field = Value;
        else if (field == Value)
            field = None;
    };
    return key;
}
constexpr SettingKey text(const char* s, const char* k, const char* f, TextField r)
{
    SettingKey key;
    key.section = s; key.key = k; key.field = f; key.type = SettingType::Text; key.text = r;
    return key;
}
constexpr SettingKey quotedWhenNeeded(const char* s, const char* k, const char* f, TextField r)
{
    SettingKey key = text(s, k, f, r);
    key.type = SettingType::TextQuotedWhenNeeded;
    return key;
}
constexpr SettingKey quoted(const char* s, const char* k, const char* f, TextField r)
{
    SettingKey key = text(s, k, f, r);
    key.type = SettingType::QuotedText;
    return key;
}
constexpr SettingKey extended(const char* s, const char* k, ExtendedFormat format, ExtendedParse parse)
{
    SettingKey key;
    key.section = s; key.key = k; key.field = k; key.type = SettingType::Extended;
    key.format = format; key.parse = parse;
    return key.omittedWhenDefault();
}

constexpr int kRadiotextGroup = 1;
constexpr int kJustificationGroup = 2;
constexpr int kFillGroup = 3;

constexpr const char* C = "Config";
constexpr const char* G = "General";
constexpr const char* D = "DPS1";
constexpr const char* U = "DataGroups";
constexpr const char* R = "Radiotext";
constexpr const char* N = "Remote";
constexpr const char* X = "Extended";

const std::array kKeys{
    // ---- Config ----
    integer(C, "Top", "Top", wf<&WindowValues::Top>).fixed(10),
    integer(C, "Left", "Left", wf<&WindowValues::Left>).fixed(10),
    boolean(C, "Visible", "Visible", wf<&WindowValues::Visible>).fixed(1),
    // Read before every text: the texts are read in its character set. A file
    // without the key is an older one, whose texts are Latin-1 bytes.
    integer(C, "Charset", "CBCHARSET", pf<&P::preferences, &StationPreferences::CBCHARSET>).fixed(0).outsideBecomes(0, 1, 0),
    boolean(C, "Summertime", "STMEN", pf<&P::system, &StationSystem::STMEN>).fixed(0),
    integer(C, "LabelColor", "ColorBox1", pf<&P::preferences, &StationPreferences::ColorBox1>),
    boolean(C, "HighPriority", "CBHPRI", pf<&P::preferences, &StationPreferences::CBHPRI>).fixed(0),
    integer(C, "PTYCodes", "RBPTYC", pf<&P::preferences, &StationPreferences::RBPTYC>).fixed(0).outsideBecomes(0, 2, 0),
    // Read before the port: the virtual encoder's selection opens this file.
    text(C, "VirtualEncoder", "VirtualEncoder", wf<&WindowValues::VirtualEncoder>).fixed("").omittedWhenDefault(),
    integer(C, "Port", "RGPORT", pf<&P::preferences, &StationPreferences::RGPORT>).fixed(0).outsideBecomes(0, 6, 0),
    boolean(C, "Bidirectional", "CBBI", pf<&P::preferences, &StationPreferences::CBBI>).fixed(1),
    text(C, "LogoPicture", "LImageFile", pf<&P::preferences, &StationPreferences::LImageFile>).fixed("(none)"),
    integer(C, "UTCOffset", "SEUTCO", pf<&P::preferences, &StationPreferences::SEUTCO>).fixed(0).outsideBecomes(kSEUTCOMin, kSEUTCOMax, 0),
    integer(C, "SummerTimeOffset", "SESMTO", pf<&P::preferences, &StationPreferences::SESMTO>)
        .fixed(1)
        .outsideBecomesElseClamp(-12, 12, 1, kSESMTOMin, kSESMTOMax),
    // The remembered source texts keep their leading blanks (the source lines are
    // not trimmed at the start), or the same file text would count as changed
    // after a restart and be sent again.
    quotedWhenNeeded(C, "DPSFromFile", "DPSFromFile", wf<&WindowValues::DPSFromFile>).fixed("").inCharset(TextCharset::Source),
    quotedWhenNeeded(C, "RTFromFile", "RTFromFile", wf<&WindowValues::RTFromFile>).fixed("").inCharset(TextCharset::Source),
    boolean(C, "Slow", "CBSS", pf<&P::preferences, &StationPreferences::CBSS>).fixed(0),
    text(C, "LPT2Address", "ELPTA", pf<&P::preferences, &StationPreferences::ELPTA>).fixed("632"),
    text(C, "CTState", "CTState", wf<&WindowValues::CTState>).fixed("Stop"),
    // The devices the COM ports lead to. The window takes them before it
    // applies the port (comDevicesIn()); a file without them stays without.
    text(C, "COM1Device", "COMDevice[0]", oa<&PortValues::COMDevice, 0>).fixed("").omittedWhenDefault(),
    text(C, "COM2Device", "COMDevice[1]", oa<&PortValues::COMDevice, 1>).fixed("").omittedWhenDefault(),
    text(C, "COM3Device", "COMDevice[2]", oa<&PortValues::COMDevice, 2>).fixed("").omittedWhenDefault(),
    text(C, "COM4Device", "COMDevice[3]", oa<&PortValues::COMDevice, 3>).fixed("").omittedWhenDefault(),

    // ---- General ----
    steps(G, "PhaseShift", "SEPHASE", pf<&P::system, &StationSystem::SEPHASE>, 9.47, 0, kSEPHASEMaxSteps),
    integer(G, "ClockSource", "RGCS", pf<&P::system, &StationSystem::RGCS>).outsideBecomes(0, 1, 1),
    integer(G, "PLLRange", "RGPLLR", pf<&P::system, &StationSystem::RGPLLR>).outsideBecomes(0, 1, 1),
    quoted(G, "DefaultPS", "PSDEF", pf<&P::program, &StationProgram::PSDEF>).inCharset(TextCharset::Encoder),
    text(G, "PI", "PI", pf<&P::program, &StationProgram::PI>),
    boolean(G, "TP", "TP", pf<&P::program, &StationProgram::TP>),
    boolean(G, "TA", "TA", pf<&P::program, &StationProgram::TA>).writeOnly(),
    integer(G, "PTY", "PTY", pf<&P::program, &StationProgram::PTY>).onlyInside(0, 31),
    integer(G, "MS", "MS", pf<&P::program, &StationProgram::MS>).onlyInside(0, 1),
    boolean(G, "DI0", "DI[0]", pa<&P::program, &StationProgram::DI, 0>),
    boolean(G, "DI1", "DI[1]", pa<&P::program, &StationProgram::DI, 1>),
    boolean(G, "DI2", "DI[2]", pa<&P::program, &StationProgram::DI, 2>),
    boolean(G, "DI3", "DI[3]", pa<&P::program, &StationProgram::DI, 3>),
    text(G, "AF1", "SGAF[0]", pa<&P::program, &StationProgram::SGAF, 0>),
    text(G, "AF2", "SGAF[1]", pa<&P::program, &StationProgram::SGAF, 1>),
    text(G, "AF3", "SGAF[2]", pa<&P::program, &StationProgram::SGAF, 2>),
    text(G, "AF4", "SGAF[3]", pa<&P::program, &StationProgram::SGAF, 3>),
    text(G, "AF5", "SGAF[4]", pa<&P::program, &StationProgram::SGAF, 4>),
    text(G, "AF6", "SGAF[5]", pa<&P::program, &StationProgram::SGAF, 5>),
    text(G, "AF7", "SGAF[6]", pa<&P::program, &StationProgram::SGAF, 6>),
    text(G, "AF8", "SGAF[7]", pa<&P::program, &StationProgram::SGAF, 7>),
    text(G, "AF9", "SGAF[8]", pa<&P::program, &StationProgram::SGAF, 8>),
    text(G, "AF10", "SGAF[9]", pa<&P::program, &StationProgram::SGAF, 9>),
    text(G, "AF11", "SGAF[10]", pa<&P::program, &StationProgram::SGAF, 10>),
    text(G, "AF12", "SGAF[11]", pa<&P::program, &StationProgram::SGAF, 11>),
    text(G, "AF13", "SGAF[12]", pa<&P::program, &StationProgram::SGAF, 12>),
    text(G, "AF14", "SGAF[13]", pa<&P::program, &StationProgram::SGAF, 13>),
    text(G, "AF15", "SGAF[14]", pa<&P::program, &StationProgram::SGAF, 14>),
    steps(G, "DPSLabelPeriod", "SEDPSLP", pf<&P::dynamicPs, &StationDynamicPs::SEDPSLP>, 0.5, kSEDPSLPMinSteps, kSEDPSLPMaxSteps),
    integer(G, "RT1Type", "CBRTT1", pf<&P::radiotext, &StationRadiotext::CBRTT1>).onlyInside(0, 1),
    integer(G, "RT2Type", "CBRTT2", pf<&P::radiotext, &StationRadiotext::CBRTT2>).onlyInside(0, 1),
    integer(G, "RT3Type", "CBRTT3", pf<&P::radiotext, &StationRadiotext::CBRTT3>).onlyInside(0, 1),
    integer(G, "RT4Type", "CBRTT4", pf<&P::radiotext, &StationRadiotext::CBRTT4>).onlyInside(0, 1),
    integer(G, "DPSLabelsDelay", "RGDLD", pf<&P::dynamicPs, &StationDynamicPs::RGDLD>).outsideBecomes(0, 1, 1),
    boolean(G, "RemoveNumbering", "CBRSN", pf<&P::textSources, &StationTextSources::CBRSN>).fixed(0),
    boolean(G, "RemoveBrackets", "CBREIB", pf<&P::textSources, &StationTextSources::CBREIB>).fixed(0),
    boolean(G, "ConvertToCapitals", "CBCTC", pf<&P::textSources, &StationTextSources::CBCTC>).fixed(0),
    choiceButton<&P::textSources, &StationTextSources::justification, Justification::None, Justification::Unset>(
        G, "Justification0", "justification")
        .radio(kJustificationGroup),
    choiceButton<&P::textSources, &StationTextSources::justification, Justification::Left, Justification::Unset>(
        G, "Justification1", "justification")
        .radio(kJustificationGroup),
    choiceButton<&P::textSources, &StationTextSources::justification, Justification::Center, Justification::Unset>(
        G, "Justification2", "justification")
        .radio(kJustificationGroup),
    choiceButton<&P::textSources, &StationTextSources::fill, Fill::Space, Fill::Unset>(G, "Fill0", "fill").radio(kFillGroup),
    choiceButton<&P::textSources, &StationTextSources::fill, Fill::Custom, Fill::Unset>(G, "Fill1", "fill").radio(kFillGroup),
    quoted(G, "FillChar", "ECUSCH", pf<&P::textSources, &StationTextSources::ECUSCH>).inCharset(TextCharset::Encoder),

    // ---- DPS1 ----
    quoted(D, "Label0", "DPS1[0]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 0>).inCharset(TextCharset::Encoder),
    quoted(D, "Label1", "DPS1[1]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 1>).inCharset(TextCharset::Encoder),
    quoted(D, "Label2", "DPS1[2]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 2>).inCharset(TextCharset::Encoder),
    quoted(D, "Label3", "DPS1[3]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 3>).inCharset(TextCharset::Encoder),
    quoted(D, "Label4", "DPS1[4]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 4>).inCharset(TextCharset::Encoder),
    quoted(D, "Label5", "DPS1[5]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 5>).inCharset(TextCharset::Encoder),
    quoted(D, "Label6", "DPS1[6]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 6>).inCharset(TextCharset::Encoder),
    quoted(D, "Label7", "DPS1[7]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 7>).inCharset(TextCharset::Encoder),
    quoted(D, "Label8", "DPS1[8]", pa<&P::dynamicPs, &StationDynamicPs::DPS1, 8>).inCharset(TextCharset::Encoder),
    text(D, "Text", "DPS1B", pf<&P::dynamicPs, &StationDynamicPs::DPS1B>).inCharset(TextCharset::Encoder),
    boolean(D, "Enabled", "DPS1EN", pf<&P::dynamicPs, &StationDynamicPs::DPS1EN>),
    steps(D, "Delay", "SEDPS1DL", pf<&P::dynamicPs, &StationDynamicPs::SEDPS1DL>, 2.7, 0, kSEDPS1DLMaxSteps),
    integer(D, "Mode", "RGDPS1M", pf<&P::dynamicPs, &StationDynamicPs::RGDPS1M>).onlyInside(0, 3),
    boolean(D, "FromFile", "CBD1FF", pf<&P::textSources, &StationTextSources::CBD1FF>),
    boolean(D, "SendOnChange", "CBD1SC", pf<&P::textSources, &StationTextSources::CBD1SC>),
    text(D, "SourceFile", "ED1F", pf<&P::textSources, &StationTextSources::ED1F>),
    integer(D, "ReadFrom", "RGD1L", pf<&P::textSources, &StationTextSources::RGD1L>).onlyInside(0, 1),
    integer(D, "CutBeginning", "SED1BE", pf<&P::textSources, &StationTextSources::SED1BE>).clamp(0, kCutMax),
    integer(D, "CutEnd", "SED1EN", pf<&P::textSources, &StationTextSources::SED1EN>).clamp(0, kCutMax),
    quoted(D, "Prefix", "ED1PR", pf<&P::textSources, &StationTextSources::ED1PR>).inCharset(TextCharset::Encoder),

    // ---- DataGroups ----
    boolean(U, "Enabled", "CBUDGEN", pf<&P::system, &StationSystem::CBUDGEN>),
    integer(U, "GroupType1", "CBGRTYP", pf<&P::system, &StationSystem::CBGRTYP>), // no range check
    text(U, "Byte14", "DB3", pf<&P::system, &StationSystem::DB3>),
    text(U, "Byte15", "DB4", pf<&P::system, &StationSystem::DB4>),
    text(U, "Byte16", "DB5", pf<&P::system, &StationSystem::DB5>),
    text(U, "Byte17", "DB6", pf<&P::system, &StationSystem::DB6>),
    text(U, "Byte18", "DB7", pf<&P::system, &StationSystem::DB7>),

    // ---- Radiotext ----
    boolean(R, "Enabled", "CBRTEN", pf<&P::radiotext, &StationRadiotext::CBRTEN>),
    quoted(R, "Radiotext1", "RT1", pf<&P::radiotext, &StationRadiotext::RT1>).inCharset(TextCharset::Encoder),
    quoted(R, "Radiotext12", "RT2", pf<&P::radiotext, &StationRadiotext::RT2>).inCharset(TextCharset::Encoder),
    quoted(R, "Radiotext13", "RT3", pf<&P::radiotext, &StationRadiotext::RT3>).inCharset(TextCharset::Encoder),
    quoted(R, "Radiotext14", "RT4", pf<&P::radiotext, &StationRadiotext::RT4>).inCharset(TextCharset::Encoder),
    choiceButton<&P::radiotext, &StationRadiotext::selected, RadiotextSelection::RT1, RadiotextSelection::None>(
        R, "SelRT1", "selected")
        .fixed(1)
        .radio(kRadiotextGroup),
    choiceButton<&P::radiotext, &StationRadiotext::selected, RadiotextSelection::RT2, RadiotextSelection::None>(
        R, "SelRT2", "selected")
        .fixed(0)
        .radio(kRadiotextGroup),
    choiceButton<&P::radiotext, &StationRadiotext::selected, RadiotextSelection::RT3, RadiotextSelection::None>(
        R, "SelRT3", "selected")
        .fixed(0)
        .radio(kRadiotextGroup),
    choiceButton<&P::radiotext, &StationRadiotext::selected, RadiotextSelection::RT4, RadiotextSelection::None>(
        R, "SelRT4", "selected")
        .fixed(0)
        .radio(kRadiotextGroup),
    boolean(R, "AutoSendNext", "RTSA", pf<&P::radiotext, &StationRadiotext::RTSA>),
    // On in a new file; an older file without the key keeps the flag as chosen.
    boolean(R, "ToggleAB", "ToggleAB", pf<&P::radiotext, &StationRadiotext::ToggleAB>).fixed(0),
    integer(R, "SendNextAfter", "SERTSW", pf<&P::radiotext, &StationRadiotext::SERTSW>).clamp(0, kSERTSWMax),
    boolean(R, "FromFile", "CBR1FF", pf<&P::textSources, &StationTextSources::CBR1FF>),
    boolean(R, "SendOnChange", "CBR1SC", pf<&P::textSources, &StationTextSources::CBR1SC>),
    text(R, "SourceFile", "ER1F", pf<&P::textSources, &StationTextSources::ER1F>),
    integer(R, "ReadFrom", "RGR1L", pf<&P::textSources, &StationTextSources::RGR1L>).onlyInside(0, 1),
    integer(R, "CutBeginning", "SER1BE", pf<&P::textSources, &StationTextSources::SER1BE>).clamp(0, kCutMax),
    integer(R, "CutEnd", "SER1EN", pf<&P::textSources, &StationTextSources::SER1EN>).clamp(0, kCutMax),
    quoted(R, "Prefix", "ER1PR", pf<&P::textSources, &StationTextSources::ER1PR>).inCharset(TextCharset::Encoder),
    boolean(R, "RTPlus", "RTPlus", pf<&P::radiotext, &StationRadiotext::RTPlus>).fixed(0).omittedWhenDefault(),
    quoted(R, "RTPlusPattern", "RTPlusPattern", pf<&P::radiotext, &StationRadiotext::RTPlusPattern>)
        .inCharset(TextCharset::Encoder).fixed("%a - %t").omittedWhenDefault(),

    // ---- Remote ----
    // The network command port; a file without the section stays without it
    // until a value differs from its default.
    boolean(N, "Enabled", "RemoteEnabled", rf<&RemoteValues::Enabled>).fixed(0).omittedWhenDefault(),
    integer(N, "UDPPort", "UDPPort", rf<&RemoteValues::UDPPort>)
        .fixed(10001).outsideBecomes(0, 65535, 10001).omittedWhenDefault(),
    integer(N, "TCPPort", "TCPPort", rf<&RemoteValues::TCPPort>)
        .fixed(10001).outsideBecomes(0, 65535, 10001).omittedWhenDefault(),
    text(N, "ListenAddress", "ListenAddress", rf<&RemoteValues::ListenAddress>).fixed("127.0.0.1").omittedWhenDefault(),
    text(N, "Allow", "Allow", rf<&RemoteValues::Allow>).fixed("").omittedWhenDefault(),
    integer(N, "UECPTCPPort", "UECPTCPPort", rf<&RemoteValues::UECPTCPPort>)
        .fixed(0).outsideBecomes(0, 65535, 0).omittedWhenDefault(),
    integer(N, "UECPUDPPort", "UECPUDPPort", rf<&RemoteValues::UECPUDPPort>)
        .fixed(0).outsideBecomes(0, 65535, 0).omittedWhenDefault(),
    text(N, "UECPSerial", "UECPSerial", rf<&RemoteValues::UECPSerial>).fixed("").omittedWhenDefault(),
    integer(N, "UECPSiteAddress", "UECPSiteAddress", rf<&RemoteValues::UECPSiteAddress>)
        .fixed(0).outsideBecomes(0, 1023, 0).omittedWhenDefault(),
    integer(N, "UECPEncoderAddress", "UECPEncoderAddress", rf<&RemoteValues::UECPEncoderAddress>)
        .fixed(0).outsideBecomes(0, 63, 0).omittedWhenDefault(),

    // ---- Extended ----
    // What only the software encoder sends; UTF-8 whatever Charset says. A
    // file without the section stays without it until a value is set.
    extended(X, "ECC", ext::FormatEcc, ext::ReadEcc),
    extended(X, "LIC", ext::FormatLic, ext::ReadLic),
    extended(X, "PIN", ext::FormatPin, ext::ReadPin),
    extended(X, "PTYN", ext::FormatPtyn, ext::ReadPtyn),
    extended(X, "LongPS", ext::FormatLongPs, ext::ReadLongPs),
    extended(X, "ERT", ext::FormatErt, ext::ReadErt),
    extended(X, "ERTFromRT", ext::FormatErtFromRt, ext::ReadErtFromRt),
    extended(X, "AFMethod", ext::FormatAfMethod, ext::ReadAfMethod),
    extended(X, "AFB1", ext::FormatAfb<0>, ext::ReadAfb<0>),
    extended(X, "AFB2", ext::FormatAfb<1>, ext::ReadAfb<1>),
    extended(X, "AFB3", ext::FormatAfb<2>, ext::ReadAfb<2>),
    extended(X, "AFB4", ext::FormatAfb<3>, ext::ReadAfb<3>),
    extended(X, "AFB5", ext::FormatAfb<4>, ext::ReadAfb<4>),
    extended(X, "AFB6", ext::FormatAfb<5>, ext::ReadAfb<5>),
    extended(X, "AFB7", ext::FormatAfb<6>, ext::ReadAfb<6>),
    extended(X, "AFB8", ext::FormatAfb<7>, ext::ReadAfb<7>),
    extended(X, "AFB9", ext::FormatAfb<8>, ext::ReadAfb<8>),
    extended(X, "AFB10", ext::FormatAfb<9>, ext::ReadAfb<9>),
    extended(X, "AFB11", ext::FormatAfb<10>, ext::ReadAfb<10>),
    extended(X, "AFB12", ext::FormatAfb<11>, ext::ReadAfb<11>),
    extended(X, "EON1PI", ext::FormatEonPi<0>, ext::ReadEonPi<0>),
    extended(X, "EON1PS", ext::FormatEonPs<0>, ext::ReadEonPs<0>),
    extended(X, "EON1AF", ext::FormatEonAf<0>, ext::ReadEonAf<0>),
    extended(X, "EON1PTY", ext::FormatEonPty<0>, ext::ReadEonPty<0>),
    extended(X, "EON1TP", ext::FormatEonTp<0>, ext::ReadEonTp<0>),
    extended(X, "EON2PI", ext::FormatEonPi<1>, ext::ReadEonPi<1>),
    extended(X, "EON2PS", ext::FormatEonPs<1>, ext::ReadEonPs<1>),
    extended(X, "EON2AF", ext::FormatEonAf<1>, ext::ReadEonAf<1>),
    extended(X, "EON2PTY", ext::FormatEonPty<1>, ext::ReadEonPty<1>),
    extended(X, "EON2TP", ext::FormatEonTp<1>, ext::ReadEonTp<1>),
    extended(X, "EON3PI", ext::FormatEonPi<2>, ext::ReadEonPi<2>),
    extended(X, "EON3PS", ext::FormatEonPs<2>, ext::ReadEonPs<2>),
    extended(X, "EON3AF", ext::FormatEonAf<2>, ext::ReadEonAf<2>),
    extended(X, "EON3PTY", ext::FormatEonPty<2>, ext::ReadEonPty<2>),
    extended(X, "EON3TP", ext::FormatEonTp<2>, ext::ReadEonTp<2>),
    extended(X, "EON4PI", ext::FormatEonPi<3>, ext::ReadEonPi<3>),
    extended(X, "EON4PS", ext::FormatEonPs<3>, ext::ReadEonPs<3>),
    extended(X, "EON4AF", ext::FormatEonAf<3>, ext::ReadEonAf<3>),
    extended(X, "EON4PTY", ext::FormatEonPty<3>, ext::ReadEonPty<3>),
    extended(X, "EON4TP", ext::FormatEonTp<3>, ext::ReadEonTp<3>),
    extended(X, "EON5PI", ext::FormatEonPi<4>, ext::ReadEonPi<4>),
    extended(X, "EON5PS", ext::FormatEonPs<4>, ext::ReadEonPs<4>),
    extended(X, "EON5AF", ext::FormatEonAf<4>, ext::ReadEonAf<4>),
    extended(X, "EON5PTY", ext::FormatEonPty<4>, ext::ReadEonPty<4>),
    extended(X, "EON5TP", ext::FormatEonTp<4>, ext::ReadEonTp<4>),
    extended(X, "EON6PI", ext::FormatEonPi<5>, ext::ReadEonPi<5>),
    extended(X, "EON6PS", ext::FormatEonPs<5>, ext::ReadEonPs<5>),
    extended(X, "EON6AF", ext::FormatEonAf<5>, ext::ReadEonAf<5>),
    extended(X, "EON6PTY", ext::FormatEonPty<5>, ext::ReadEonPty<5>),
    extended(X, "EON6TP", ext::FormatEonTp<5>, ext::ReadEonTp<5>),
    extended(X, "EON7PI", ext::FormatEonPi<6>, ext::ReadEonPi<6>),
    extended(X, "EON7PS", ext::FormatEonPs<6>, ext::ReadEonPs<6>),
    extended(X, "EON7AF", ext::FormatEonAf<6>, ext::ReadEonAf<6>),
    extended(X, "EON7PTY", ext::FormatEonPty<6>, ext::ReadEonPty<6>),
    extended(X, "EON7TP", ext::FormatEonTp<6>, ext::ReadEonTp<6>),
    extended(X, "EON8PI", ext::FormatEonPi<7>, ext::ReadEonPi<7>),
    extended(X, "EON8PS", ext::FormatEonPs<7>, ext::ReadEonPs<7>),
    extended(X, "EON8AF", ext::FormatEonAf<7>, ext::ReadEonAf<7>),
    extended(X, "EON8PTY", ext::FormatEonPty<7>, ext::ReadEonPty<7>),
    extended(X, "EON8TP", ext::FormatEonTp<7>, ext::ReadEonTp<7>),
    extended(X, "GroupSequence", ext::FormatGroupSequence, ext::ReadGroupSequence),
};

// Loading order as runs of consecutive table entries (first..last of a section).
struct Run {
    const char* section;
    const char* first;
    const char* last;
};

constexpr Run kReadRuns[] = {
    {C, "Top", "Summertime"},
    {C, "HighPriority", "HighPriority"},
    {C, "VirtualEncoder", "Port"},
    {C, "Slow", "LPT2Address"},
    {C, "LogoPicture", "RTFromFile"},
    {G, "PhaseShift", "PLLRange"},
    {C, "LabelColor", "LabelColor"},
    {C, "PTYCodes", "PTYCodes"},
    {C, "Bidirectional", "Bidirectional"},
    {C, "CTState", "CTState"},
    {C, "COM1Device", "COM4Device"},
    {G, "DefaultPS", "DPSLabelPeriod"},
    {D, "Label0", "Prefix"},
    {U, "Enabled", "Byte18"},
    {R, "Enabled", "SelRT4"},
    {G, "RT1Type", "RT4Type"},
    {R, "AutoSendNext", "RTPlusPattern"},
    {N, "Enabled", "UECPEncoderAddress"},
    {X, "ECC", "GroupSequence"},
    {G, "DPSLabelsDelay", "FillChar"},
};

std::size_t indexOf(std::string_view section, std::string_view key)
{
    std::string s = asciiLower(section);
    std::string k = asciiLower(key);
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (asciiLower(kKeys[i].section) == s && asciiLower(kKeys[i].key) == k)
            return i;
    }
    return kKeys.size();
}

} // namespace

std::span<const SettingKey> settingKeys()
{
    return kKeys;
}

const std::vector<const SettingKey*>& settingReadOrder()
{
    static const std::vector<const SettingKey*> order = [] {
        std::vector<const SettingKey*> out;
        for (const Run& run : kReadRuns) {
            std::size_t first = indexOf(run.section, run.first);
            std::size_t last = indexOf(run.section, run.last);
            for (std::size_t i = first; i <= last && i < kKeys.size(); ++i) {
                if (kKeys[i].readBack)
                    out.push_back(&kKeys[i]);
            }
        }
        return out;
    }();
    return order;
}

const SettingKey* findSettingKey(std::string_view section, std::string_view key)
{
    std::size_t i = indexOf(section, key);
    return i < kKeys.size() ? &kKeys[i] : nullptr;
}

std::string ctStateText(bool ctRunning)
{
    return ctRunning ? "Start" : "Stop";
}

bool ctStateStartsTransmission(const std::string& ctState)
{
    return ctState == "Start";
}

} // namespace quorvan
