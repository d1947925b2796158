// The station commands of the network ports: one small function per key,
// each changing the station values as the window's control of the same name
// does and making the same transfer. ExecuteCommand (command_port.h) maps a
// command to its function.
//
// These functions never parse a line and never reach a socket: the command
// comes typed, the reply goes back as text.
#pragma once

#include "content/station_params.h"
#include "remote/command_port.h"
#include "remote/line_protocol.h"

#include <string>

namespace quorvan::remote {

// Runs a set command; returns its reply ("+", "!", "-").
using StationCommand = std::string (*)(const Command& command, TStationParams& params, RemoteHost& host);

std::string SetRadiotext1(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetOtherRadiotext(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetDynamicPS(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetPS(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetPI(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetPTY(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetTP(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetMS(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetDI(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetTA(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetAF(const Command& command, TStationParams& params, RemoteHost& host);
std::string SendClockTimeNow(const Command& command, TStationParams& params, RemoteHost& host);
std::string SendClockTime(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetFinalRadiotext(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetCarrier(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetClockTimeTransmission(const Command& command, TStationParams& params, RemoteHost& host);
std::string SendAll(const Command& command, TStationParams& params, RemoteHost& host);
std::string StoreAll(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetRTPlusTags(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetArtist(const Command& command, TStationParams& params, RemoteHost& host);
std::string SetTitle(const Command& command, TStationParams& params, RemoteHost& host);

// A query's reply ("KEY=value"; "?" for a key that cannot be read).
// (`params` is a copy: reading the AF list and the dynamic PS text tidies them.)
std::string QueryValue(Key key, TStationParams params, RemoteHost& host);

} // namespace quorvan::remote
