// The network command port's line protocol: how playout and automation
// systems talk to the encoder (Rivendell PAD style "TEXT=..." lines, and the
// KEY=value convention of open-source RDS encoders).
//
// One command per line; a line ends with CR, LF or CR LF. A command is
// "KEY=value" or "KEY value" (keys in any letter case), a query is "KEY?".
// Every line gets one reply ended by CR LF:
//   "+" applied, the encoder answered "Ready"; "!" applied to the station
//   values but the transfer ended "!Ready"; "-" bad value, nothing changed;
//   "?" unknown command; a query answers "KEY=value". A reply to a key of
//   the extension record may say more after its sign ("- ECC: ... (hexadecimal
//   00..FF ...)", "+ LPS: cut to 32 bytes ...").
//
// This file only splits and parses: it never touches the station values, the
// bus or a socket. No command can name a file, change the port or reach
// anything but the station values listed in Key.
#pragma once

#include "link/clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::remote {

// The longest line taken; a longer one is answered "-" and skipped to its end.
inline constexpr std::size_t kMaxLineLength = 1024;

// What a command changes or a query reads. Commands on the same key replace
// each other while the bus is busy (see CommandQueue).
enum class Key : int {
    RT1,     // TEXT=, RT=, RT1=: applied as a radiotext source text
    RT2,
    RT3,
    RT4,
    DPS,     // DPS=: applied as a dynamic PS source text
    PS,      // default PS, 8 characters
    PI,
    PTY,
    TP,
    TA,
    MS,
    DI,
    AF,
    CT,      // load and trigger the clock time now
    Send,    // the "Send" button
    Store,   // the "Store" button
    Status,  // STATUS? only: Read Status
    RTPlus,  // RTPLUS=type1,start1,len1,type2,start2,len2: RT+ tags of the current radiotext; RTPLUS= clears
    Artist,  // ARTIST=: the artist of the next TITLE=
    Title,   // TITLE=: the radiotext through the RT+ pattern, with exact tags
    // The software encoder's extension record (extended_commands.h); a real
    // encoder refuses them:
    Ecc, Lic, Pin, Ptyn, LongPs, Ert,
    Eon1TA, Eon2TA, Eon3TA, Eon4TA, Eon5TA, Eon6TA, Eon7TA, Eon8TA,
    GroupSequence, RdsLevel, RdsPhase,
    // Commands of the encoder protocol (uecp_elements.h), no line names them:
    FinalRT,        // radiotext 1 as the final text (no prefix, no processing);
                    //   number: bit 0 toggles the A/B flag
    Carrier,        // the RDS carrier on (1) or off (0)
    ClockTimeOnOff, // the clock-time transmission on (1) or off (0)
    ClockTime,      // load and trigger the clock time `time` (UTC), local
                    //   offset `number` half hours
    Request,        // read back the element `number` at this place in the
                    //   stream (a barrier; the encoder protocol answers it)
};
inline constexpr int kKeyCount = static_cast<int>(Key::Request) + 1;
inline constexpr int kLineKeyCount = static_cast<int>(Key::RdsPhase) + 1;

// The key's name in replies ("TEXT", "RT2", "PS", ..., "STATUS").
const char* KeyName(Key key);

struct Command {
    enum class Kind {
        Set,      // a valid command
        Query,    // KEY?
        Bad,      // a known key with a value it does not take: "-"
        Unknown,  // not a command: "?"
    };
    Kind kind = Kind::Unknown;
    Key key = Key::RT1;
    // Set: the value. Texts (RT1..RT4, DPS, PS) keep the line's bytes as
    // received; PI is four upper-case hexadecimal digits; AF holds the
    // frequencies as sent, one entry each (none: clear the list); the keys
    // of the extension record keep the value as received, checked.
    // Bad: empty, or the line that says why ("ECC: 'ZZ' is not a code ...").
    std::string text;
    int number = 0;                      // PTY 0..31, TP/TA 0..1, MS 0 speech/1 music, DI 0..15
    std::vector<std::string> frequencies; // AF
    std::vector<int> numbers;            // RTPlus: six numbers, or none to clear
    DateTime time;                       // ClockTime: a valid date and time (UTC)
};

// Parses one line (without its line end). An empty line is Unknown.
Command ParseLine(std::string_view line);

inline constexpr const char* kReplyDone = "+";
inline constexpr const char* kReplyNotReady = "!";
inline constexpr const char* kReplyBad = "-";
inline constexpr const char* kReplyUnknown = "?";
// The reply to a Bad command: "-", or "- " and the line that says why.
std::string BadReply(const Command& command);

// Cuts a byte stream into lines. Bytes may come in any pieces: a CR at the
// end of one piece and the LF at the start of the next are one line end.
// Empty lines and lines of blanks are skipped. A line longer than kMaxLineLength is reported
// once as too long (its bytes are dropped) and everything up to its end is
// discarded; the memory held never exceeds kMaxLineLength bytes.
class LineSplitter {
public:
    // (line, tooLong): tooLong lines come with an empty text.
    using Sink = std::function<void(std::string_view line, bool tooLong)>;

    void feed(std::string_view bytes, const Sink& sink);
    // The end of a datagram or of a connection: a last line without its
    // line end counts as a line.
    void finish(const Sink& sink);
    std::size_t pending() const { return line_.size(); }
    // Part of a line has come and its end has not (an over-long one included).
    bool midLine() const { return !line_.empty() || skipping_; }

private:
    std::string line_;
    bool afterCR_ = false;
    bool skipping_ = false;
};

} // namespace quorvan::remote
