// The one table of every key of quorvan.rds.
//
// Each key names its section, its type (how the value is written and read),
// the default used when the key is absent or its value is not valid, the rule
// that brings a read value into range, and the field it belongs to. Load, save,
// the main window and quorvanctl all work from this table.
//
// The table lists the sections in the order Config, General, DPS1, DataGroups,
// Radiotext, Remote, Extended and the keys of each in the order a newly written file holds them.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/extended_text.h"
#include "content/station_params.h"

namespace quorvan {

// Values kept in the settings file that are not fields of TStationParams.
struct WindowValues {
    int Top = 10;                // main window's top edge, pixels (superseded by centring)
    int Left = 10;               // main window's left edge, pixels (superseded by centring)
    bool Visible = true;         // false: the window starts hidden in the tray
    // The clock-time button caption as read: "Start" makes the start-up resume
    // clock-time transmission, anything else leaves it off. When saving, the key
    // is written from TStationParams::CTRunning instead (see ctStateText()).
    std::string CTState = "Stop";
    std::string DPSFromFile;     // last text taken from the dynamic PS source file
    std::string RTFromFile;      // last text taken from the radiotext source file
    // The virtual encoder's state file for the "Port" selection of the virtual
    // encoder; empty: the default file beside the settings file.
    std::string VirtualEncoder;

    bool operator==(const WindowValues&) const = default;
};

// Where the ports lead (section Config).
struct PortValues {
    // COM1Device .. COM4Device: the device a COM port leads to; empty:
    // /dev/ttyS0 .. /dev/ttyS3.
    std::array<std::string, 4> COMDevice;

    bool operator==(const PortValues&) const = default;
};

// The network command port (section Remote): nothing listens unless
// Enabled; a port of 0 is off; an empty Allow means loopback senders only.
struct RemoteValues {
    bool Enabled = false;
    int UDPPort = 10001;
    int TCPPort = 10001;
    std::string ListenAddress = "127.0.0.1";
    std::string Allow;           // IPv4/IPv6 addresses and CIDR prefixes, comma-separated
    // The encoder protocol (UECP), on whenever a port or the serial line is
    // set; it listens on ListenAddress and takes Allow too.
    int UECPTCPPort = 0;
    int UECPUDPPort = 0;
    std::string UECPSerial;      // "DEVICE[:BAUD]"
    int UECPSiteAddress = 0;     // 0..1023
    int UECPEncoderAddress = 0;  // 0..63

    bool operator==(const RemoteValues&) const = default;
};

// Everything the settings file holds.
struct SettingsValues {
    TStationParams params;
    WindowValues window;
    RemoteValues remote;
    PortValues ports;

    bool operator==(const SettingsValues&) const = default;
};

enum class SettingType {
    Integer,    // decimal; read also as "$"/"0x" hexadecimal
    Boolean,    // "1"/"0"; read as an integer, non-zero is true
    Text,       // as it stands; blanks at the ends are lost
    QuotedText, // in double quotes, inner quotes doubled; keeps its blanks
    // As Text when that reads back unchanged, else as QuotedText; read as
    // QuotedText (a value not enclosed in quotes is taken as it stands). For the
    // remembered source texts, whose leading blanks are part of the change test.
    TextQuotedWhenNeeded,
    Steps,      // the whole number of steps of size `step`
    // An extended value (section Extended): written by `format`, read by
    // `parse` (content/extended_text.h), always UTF-8 whatever Charset says.
    // A value `parse` refuses leaves the field as it was.
    Extended,
};

// How a text key's value meets the character set (Config/Charset). In the
// "Latin-1" set every text is written and read as its bytes, as it stands.
// In the "RDS" set the station's texts are kept in the file as UTF-8:
enum class TextCharset {
    Bytes,   // not a station text: the bytes as they stand
    Encoder, // the field holds encoder bytes: written as their UTF-8 characters,
             // read back into encoder bytes (a value that is not UTF-8 is read as Latin-1)
    Source,  // the field holds the UTF-8 text taken from a text source: kept as
             // UTF-8 (a value that is not UTF-8 is read as Latin-1)
};

enum class ReadDefault {
    Initial, // the field keeps the value it holds before the read
    Fixed,   // the value given in the table
};

enum class RangeRule {
    None,                    // applied as read
    Clamp,                   // limited to lo..hi
    OutsideBecomes,          // outside lo..hi becomes `replacement`
    OutsideBecomesElseClamp, // outside lo..hi becomes `replacement`; inside, limited to clampLo..clampHi
    OnlyInside,              // outside lo..hi the field is left unchanged
};

using NumberField = int& (*)(SettingsValues&);
using FlagField = bool& (*)(SettingsValues&);
using TextField = std::string& (*)(SettingsValues&);
// A Boolean key that is one button of a choice: on while the field holds the
// button's value; set on, the field takes it; set off, the field becomes the
// choice's "none chosen" value if it held the button's value.
using ChoiceGetter = bool (*)(const SettingsValues&);
using ChoiceSetter = void (*)(SettingsValues&, bool);
// An extended value's text, and reading one into the values (refused: the
// values stay as they are and the message says why).
using ExtendedFormat = std::string (*)(const ExtendedValues&);
using ExtendedParse = Parsed<bool> (*)(ExtendedValues&, std::string_view key, std::string_view text);

struct SettingKey {
    const char* section = "";
    const char* key = "";
    const char* field = ""; // the field (a member of TStationParams, WindowValues, RemoteValues or PortValues)
    SettingType type = SettingType::Integer;

    ReadDefault readDefault = ReadDefault::Initial;
    int fixedNumber = 0;         // Fixed default of Integer, Boolean and Steps keys
    const char* fixedText = "";  // Fixed default of the text keys

    RangeRule range = RangeRule::None;
    int lo = 0, hi = 0;          // the range tested (in steps for Steps keys)
    int replacement = 0;
    int clampLo = 0, clampHi = 0;

    double step = 1.0;           // Steps: size of one step in the control's unit
    bool readBack = true;        // false: written, never read (TA)
    int radioGroup = 0;          // non-zero: the buttons of one group clear each other
    TextCharset charset = TextCharset::Bytes;
    // true: saving leaves the key out while the file lacks it and the value is
    // the default, so that files of users who never touch it stay as they are.
    bool omitWhenDefault = false;

    // Exactly one is set: number for Integer and Steps, flag (or isOn and
    // setOn, for a button of a choice) for Boolean, text for texts.
    NumberField number = nullptr;
    FlagField flag = nullptr;
    TextField text = nullptr;
    ChoiceGetter isOn = nullptr;
    ChoiceSetter setOn = nullptr;
    ExtendedFormat format = nullptr;  // Extended keys
    ExtendedParse parse = nullptr;

    bool flagIn(const SettingsValues& v) const { return isOn ? isOn(v) : flag(const_cast<SettingsValues&>(v)); }
    void setFlagIn(SettingsValues& v, bool on) const
    {
        if (setOn)
            setOn(v, on);
        else
            flag(v) = on;
    }

    bool isNumber() const { return type == SettingType::Integer || type == SettingType::Steps; }
    bool isText() const
    {
        return type == SettingType::Text || type == SettingType::QuotedText ||
               type == SettingType::TextQuotedWhenNeeded;
    }

    // --- building the table ---
    constexpr SettingKey fixed(int n) const { SettingKey k = *this; k.readDefault = ReadDefault::Fixed; k.fixedNumber = n; return k; }
    constexpr SettingKey fixed(const char* t) const { SettingKey k = *this; k.readDefault = ReadDefault::Fixed; k.fixedText = t; return k; }
    constexpr SettingKey clamp(int l, int h) const { SettingKey k = *this; k.range = RangeRule::Clamp; k.lo = l; k.hi = h; return k; }
    constexpr SettingKey outsideBecomes(int l, int h, int r) const
    {
        SettingKey k = *this; k.range = RangeRule::OutsideBecomes; k.lo = l; k.hi = h; k.replacement = r; return k;
    }
    constexpr SettingKey outsideBecomesElseClamp(int l, int h, int r, int cl, int ch) const
    {
        SettingKey k = outsideBecomes(l, h, r); k.range = RangeRule::OutsideBecomesElseClamp; k.clampLo = cl; k.clampHi = ch; return k;
    }
    constexpr SettingKey onlyInside(int l, int h) const { SettingKey k = *this; k.range = RangeRule::OnlyInside; k.lo = l; k.hi = h; return k; }
    constexpr SettingKey writeOnly() const { SettingKey k = *this; k.readBack = false; return k; }
    constexpr SettingKey radio(int group) const { SettingKey k = *this; k.radioGroup = group; return k; }
    constexpr SettingKey inCharset(TextCharset c) const { SettingKey k = *this; k.charset = c; return k; }
    constexpr SettingKey omittedWhenDefault() const { SettingKey k = *this; k.omitWhenDefault = true; return k; }
};

// Every key, sections and keys in the order of a newly written file.
std::span<const SettingKey> settingKeys();

// The keys in the order loading reads and applies them (every key but TA).
// The order matters to the window: port and High Priority before the rest,
// PTYCodes before PTY, the radio buttons in the order listed.
const std::vector<const SettingKey*>& settingReadOrder();

// The key of `section` named `key` (letter case ignored); nullptr if none.
const SettingKey* findSettingKey(std::string_view section, std::string_view key);

// The CTState text for the clock-time state: "Start" while transmission runs
// (the button then reads "Stop"), "Stop" while it does not.
std::string ctStateText(bool ctRunning);
// True when a CTState value read from the file resumes clock-time transmission.
bool ctStateStartsTransmission(const std::string& ctState);

} // namespace quorvan
