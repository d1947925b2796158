// The listener's configuration from the settings file's section Remote and,
// for quorvanctl follow, the command line (--udp, --tcp, --listen, --allow,
// which override the file; --udp or --tcp also turns listening on; and
// --uecp-udp, --uecp-tcp, --uecp-serial for the encoder protocol).
#pragma once

#include "remote/listener.h"
#include "remote/uecp_port.h"
#include "settings/settings_keys.h"

#include <optional>
#include <string>

namespace quorvan::remote {

struct RemoteOverrides {
    std::optional<int> udpPort;
    std::optional<int> tcpPort;
    std::optional<std::string> listenAddress;
    std::optional<std::string> allow;
    std::optional<int> uecpUdpPort;
    std::optional<int> uecpTcpPort;
    std::optional<std::string> uecpSerial;
};

// The values with the overrides applied.
RemoteValues WithOverrides(RemoteValues values, const RemoteOverrides& overrides);

// What the listener is to do: nothing when it is not enabled (error empty),
// nothing with `error` set when the allow list is not valid.
std::optional<ListenerConfig> ListenerConfigOf(const RemoteValues& values, std::string& error);

// What the encoder protocol port is to do: nothing when no UECP port and no
// serial line is set, or (with `error` set) when the allow list is not valid.
std::optional<UecpConfig> UecpConfigOf(const RemoteValues& values, std::string& error);

} // namespace quorvan::remote
