// The texts of the extended station values (content/extended.h): how each one
// is written and read, and its range. The settings file, quorvanctl, the line
// protocol, UECP and the window all read and write them through this file, so
// that a rule lives once:
//   ECC=E0 LIC=08        hexadecimal; empty or 00: not sent
//   PIN=15 09:30         day 1..31, hour 0..23, minute 0..59; empty: not sent
//   PTYN=Jazzbar         up to 8 characters of the RDS table
//   LongPS=... ERT=...   up to 32 / 128 bytes of UTF-8, cut at a character boundary
//   AFMethod=A|B
//   AFB1=98.5: 87.6 101.2 104.1R   tuned frequency, then its alternatives, R: regional
//   EON1PI=D3C4 EON1PS=... EON1AF=87.6 95.0 EON1PTY=0..31 EON1TP=0|1 (EON1TA=0|1)
//   GroupSequence=0A 2A 0A 1A ...  0A 1A 2A 3A 4A 10A 11A 12A 14A 15A U
// A parse never throws. A value it refuses comes with one line naming the key
// and the allowed range; a text it had to cut comes with a note saying so.
// This file only converts texts: it never touches a file, a socket or a bus.
#pragma once

#include "content/charset.h"
#include "content/extended.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan {

// The outcome of reading one value. ok: `value` holds it, and `message` is
// empty or a note (a text was cut). Not ok: `message` is the one line that
// says why it was refused (the key, the text and the range).
template <class T>
struct Parsed {
    bool ok = false;
    T value{};
    std::string message;
};

// ECC and LIC: one or two hexadecimal digits; empty or 00 is 0, "not sent".
// ECC takes 00..FF, LIC 00..7F (IEC 62106-2, Annex J lists the languages to 7F).
Parsed<std::uint8_t> ParseEcc(std::string_view key, std::string_view text);
Parsed<std::uint8_t> ParseLic(std::string_view key, std::string_view text);
// "E0"; "" for 0.
std::string FormatHexCode(std::uint8_t code);

// PIN: "15 09:30" (day hour:minute); empty is nullopt, "not sent".
Parsed<std::optional<ProgrammeItem>> ParsePin(std::string_view key, std::string_view text);
std::string FormatPin(const std::optional<ProgrammeItem>& pin);

// PTYN and EON PS: a UTF-8 text as RDS table bytes (content/charset.h's
// EncodeText: a letter the table lacks is transliterated), at most `maxChars`
// (8) characters; a longer text is cut, with a note.
Parsed<std::string> ParseRdsLabel(std::string_view key, std::string_view utf8, std::size_t maxChars = kPtynBytes);
// UTF-8 of RDS table bytes (for the settings file and the window).
std::string FormatRdsLabel(std::string_view rdsBytes);

// Long PS and eRT: a text as UTF-8 (text that is not valid UTF-8 is read as
// content/charset.h's ExternalTextToUtf8 reads it), at most `maxBytes`; a
// longer text is cut at a character boundary, with a note.
Parsed<std::string> ParseUtf8Text(std::string_view key, std::string_view text, std::size_t maxBytes);
// The longest start of a UTF-8 text of at most maxBytes that ends on a
// character boundary.
std::string CutUtf8(std::string_view utf8, std::size_t maxBytes);

// "A" or "B" (either case).
Parsed<AfMethod> ParseAfMethod(std::string_view key, std::string_view text);
std::string FormatAfMethod(AfMethod method);

// One method B list, "98.5: 87.6 101.2 104.1R": the tuned frequency, a
// colon, up to 12 alternatives separated by spaces, each one followed by R
// (either case) when it carries a regional variant. Frequencies 87.6..107.9
// (content/af_list.h). Empty is nullopt (no list).
Parsed<std::optional<AfMethodBList>> ParseAfMethodBList(std::string_view key, std::string_view text);
std::string FormatAfMethodBList(const AfMethodBList& list);

// A method A list of another network, "87.6 95.0 101.2": up to 12
// frequencies 87.6..107.9 separated by spaces; empty is none.
Parsed<std::vector<std::uint8_t>> ParseAfListA(std::string_view key, std::string_view text);
std::string FormatAfListA(const std::vector<std::uint8_t>& codes);

// Another network's PI: 4 hexadecimal digits, 0001..FFFF; empty is 0 (unused).
Parsed<std::uint16_t> ParseOtherPi(std::string_view key, std::string_view text);
std::string FormatOtherPi(std::uint16_t pi);  // "D3C4"; "" for 0

// A whole number in min..max ("EON1PTY", 0..31).
Parsed<int> ParseIntInRange(std::string_view key, std::string_view text, int min, int max);
// A switch: "0" or "1".
Parsed<bool> ParseSwitch(std::string_view key, std::string_view text);

// The round, "0A 2A 0A 1A ... U", separated by spaces (or commas); empty
// is the default scheduler. A token that is no group type is refused with its
// place: "GroupSequence: '16A' at place 7 is not a group type (...)".
Parsed<std::vector<SequenceGroup>> ParseGroupSequence(std::string_view key, std::string_view text);
std::string FormatGroupSequence(const std::vector<SequenceGroup>& sequence);
std::string_view SequenceGroupName(SequenceGroup group);  // "0A", ..., "U"

// The software encoder's RDS level and phase, as `air --rds-level` and
// `--rds-phase` take them and the extension record keeps them (in tenths).
// A level (RDS or pilot) is 0 to 100 % of full scale; a phase 0 to 359.9
// degrees in steps of 0.1 (90: quadrature to the pilot's third harmonic).
bool LevelInRange(double percent);
bool RdsPhaseValid(double degrees);
// "4.5" -> 45 (0.1 % steps, 0..100 %), "90" -> 900 (0.1 degree steps,
// 0..359.9); empty is nullopt: the value of air's command line.
Parsed<std::optional<int>> ParseRdsLevel(std::string_view key, std::string_view text);
Parsed<std::optional<int>> ParseRdsPhase(std::string_view key, std::string_view text);
// 45 -> "4.5", 900 -> "90.0"; "" for nullopt.
std::string FormatTenths(const std::optional<int>& tenths);

// A new radiotext arrived, as UTF-8 from where it came (before the RDS
// table's transliteration). With ertFromRt on, eRT becomes it (cut to 128
// bytes at a character boundary). Returns true when eRT changed. Every path
// that sets a radiotext (a text source, quorvanctl rt, the network's TEXT=,
// UECP's RT) calls this one function.
bool ErtFollowsRadiotext(ExtendedValues& values, std::string_view radiotextUtf8);

// A radiotext goes on air as the encoder's bytes in `cs` alone (the radiotext
// switching, a Send of the station values). Where eRT already is this
// radiotext in its own letters (its transliteration into `cs`, cut as a
// radiotext is, gives these 64 bytes), eRT stays; otherwise it follows the
// text those bytes read as (ErtFollowsRadiotext). Returns true when eRT changed.
bool ErtFollowsEncoderRadiotext(ExtendedValues& values, std::string_view radiotextBytes, Charset cs);

// The eRT to write with a radiotext into the encoder's extension record:
// values.ert while it follows the radiotext (ertFromRt), else nothing.
inline const std::string* ErtWithRadiotext(const ExtendedValues& values)
{
    return values.ertFromRt ? &values.ert : nullptr;
}

} // namespace quorvan
