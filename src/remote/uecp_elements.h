// UECP message elements: what one frame's message asks the encoder to do.
// A message is a run of elements, each MEC, then DSN and PSN where the
// element has them, then MEL where its length varies, then its data. An
// element whose MEC is unknown cannot be skipped (its length is unknown), so
// it refuses the whole message; so does any element that is malformed or out
// of range, or holds a value the station refuses (a blank PS): every value is
// checked before any element runs, and a message is taken whole or not at all.
//
// This file parses, describes and answers; it never applies a value.
#pragma once

#include "content/station_params.h"
#include "remote/line_protocol.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::remote::uecp {

enum Mec : std::uint8_t {
    kPI = 0x01,
    kPS = 0x02,
    kTATP = 0x03,
    kDI = 0x04,
    kMS = 0x05,
    kPTY = 0x07,
    kRT = 0x0A,
    kRealTimeClock = 0x0D,
    kAF = 0x13,
    kRequest = 0x17,
    kAcknowledgement = 0x18,
    kClockTimeOnOff = 0x19,
    kRdsOnOff = 0x1E,
    kCommunicationMode = 0x2C,
};

// The communication modes (element 0x2C).
enum class Mode : int {
    Unidirectional = 0,  // nothing is sent back
    Requested = 1,       // requests are answered
    Spontaneous = 2,     // every frame is acknowledged, requests are answered
};

struct Element {
    std::uint8_t mec = 0;
    std::uint8_t psn = 0;  // 0: this encoder's own service (uecp_extended.h: the other networks)
    std::string data;  // after DSN, PSN and MEL
};

struct Message {
    int code = 0;  // an acknowledgement code: 0 when every element is good
    std::vector<Element> elements;
    std::string why;  // when refused, and known: the element, its value and its range
};

// Parses and checks a whole message (all elements, every value).
Message ParseMessage(std::string_view message);

// The element as the window and the log show it: "PS QUORVAN",
// "RT 'Now: Artist - Title'", "PI D3C2", "AF 87.6 98.3", "mode 2".
std::string Describe(const Element& element);

// The commands of the line protocol an element amounts to (TA/TP makes two);
// none for the elements that change no station value (mode, request,
// acknowledgement).
// Texts arrive in the RDS character set and leave as UTF-8, as the network
// lines carry them.
std::vector<Command> CommandsOf(const Element& element);

// The message answering a request for `mec`: the element with its current
// value (texts in the RDS character set). Empty for an element that cannot
// be requested.
std::string Answer(std::uint8_t mec, const TStationParams& params);

// The acknowledgement message: "18 00", or "18 CODE SQC".
std::string Acknowledgement(int code, std::uint8_t sqc);

} // namespace quorvan::remote::uecp
