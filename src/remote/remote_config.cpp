#include "remote/remote_config.h"

namespace quorvan::remote {

RemoteValues WithOverrides(RemoteValues values, const RemoteOverrides& o)
{
    if (o.udpPort) {
        values.UDPPort = *o.udpPort;
        values.Enabled = true;
    }
    if (o.tcpPort) {
        values.TCPPort = *o.tcpPort;
        values.Enabled = true;
    }
    if (o.listenAddress)
        values.ListenAddress = *o.listenAddress;
    if (o.allow)
        values.Allow = *o.allow;
    return values;
}

std::optional<ListenerConfig> ListenerConfigOf(const RemoteValues& values, std::string& error)
{
    error.clear();
    if (!values.Enabled)
        return std::nullopt;
    std::string bad;
    const std::optional<AllowList> allow = AllowList::Parse(values.Allow, &bad);
    if (!allow) {
        error = "Not listening: \"" + bad + "\" in Allow is not an address or prefix";
        return std::nullopt;
    }
    ListenerConfig config;
    config.address = values.ListenAddress;
    config.udpPort = values.UDPPort;
    config.tcpPort = values.TCPPort;
    config.allow = *allow;
    return config;
}

} // namespace quorvan::remote
