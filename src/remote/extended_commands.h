// The network commands of the software encoder's extension record: ECC=,
// LIC=, PIN=, PTYN=, LPS= (Long PS), ERT=, EON1TA=..EON8TA=, GRPSEQ= (the
// round), RDSLEVEL= (percent) and RDSPHASE= (degrees), and their queries.
//
// Each value is read by the rule of its [Extended] key (content/extended_text.h)
// and written into the virtual encoder's record in one operation under the
// link's claim (encoder/extended_send.h). A value the rule refuses is answered
// "- " with the rule's line and nothing changes; a text cut to fit is answered
// "+ " with the note that says so. These commands never put a byte on a bus: on
// a link without an extension record (a real encoder chip) they are refused as
// "software encoder only".
#pragma once

#include "content/station_params.h"
#include "remote/command_port.h"
#include "remote/line_protocol.h"

#include <string>
#include <string_view>

namespace quorvan::remote {

// Key::Ecc .. Key::RdsPhase.
bool IsExtendedKey(Key key);

// A set command of an extended key: Set with the value as received, or Bad
// with the line that says why (ParseLine calls it).
Command ParseExtendedCommand(Key key, std::string_view value);

// Runs a set command of an extended key: "+", "!", or "-" with why; a note
// (a text cut) follows "+" or "!".
std::string SetExtended(const Command& command, TStationParams& params, RemoteHost& host);

// "KEY=value" of an extended key: the station values' own (the level and the
// phase: the record's; empty while air's command line decides).
std::string QueryExtended(Key key, const TStationParams& params, RemoteHost& host);

} // namespace quorvan::remote
