// The follower's report lines, one per event, as quorvanctl follow prints
// them: "2024-05-10 12:00:00 RT1 "Artist - Title" Ready". How a text is
// quoted for the terminal is the front end's, passed in as `quote`.
#pragma once

#include "content/charset.h"
#include "content/station_params.h"
#include "remote/command_port.h"
#include "remote/uecp_port.h"
#include "sources/follow_session.h"

#include <string>
#include <vector>

namespace quorvan::service {

using Quote = std::string (*)(const std::string& utf8);

// "2024-05-10 12:00:00"
std::string logTimeText(const DateTime& t);
// "… RT1 "text" Ready" (an encoder text decoded from the station's character
// set; "!Ready" when the transfer failed, "(not sent)" when none ran).
std::string followEventLine(const FollowEvent& e, Charset cs, Quote quote);
// "… NET 127.0.0.1 UDP "TEXT=Artist - Title" + (3 lines)", or the notice of
// lines not shown.
std::string networkLogLine(const remote::LogEntry& e, Quote quote);
// "… UECP 127.0.0.1 TCP "PS QUORVAN, PTY 10"", " !" after a refused frame.
std::string uecpLogLine(const remote::UecpLogEntry& e, Quote quote);
// One line per thing the follower runs besides the ports (which report
// themselves): the text sources, the radiotext switching, clock time.
std::vector<std::string> followedLines(const TStationParams& params, Quote quote);

} // namespace quorvan::service
