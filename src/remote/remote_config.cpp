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
    if (o.uecpUdpPort)
        values.UECPUDPPort = *o.uecpUdpPort;
    if (o.uecpTcpPort)
        values.UECPTCPPort = *o.uecpTcpPort;
    if (o.uecpSerial)
        values.UECPSerial = *o.uecpSerial;
    return values;
}

namespace {

std::optional<AllowList> AllowOf(const RemoteValues& values, std::string& error)
{
    std::string bad;
    std::optional<AllowList> allow = AllowList::Parse(values.Allow, &bad);
    if (!allow)
        error = "Not listening: \"" + bad + "\" in Allow is not an address or prefix";
    return allow;
}

} // namespace

std::optional<UecpConfig> UecpConfigOf(const RemoteValues& values, std::string& error)
{
    error.clear();
    if (values.UECPTCPPort == 0 && values.UECPUDPPort == 0 && values.UECPSerial.empty())
        return std::nullopt;
    const std::optional<AllowList> allow = AllowOf(values, error);
    if (!allow)
        return std::nullopt;
    UecpConfig config;
    config.net.address = values.ListenAddress;
    config.net.udpPort = values.UECPUDPPort;
    config.net.tcpPort = values.UECPTCPPort;
    config.net.allow = *allow;
    config.serial = values.UECPSerial;
    config.site = values.UECPSiteAddress;
    config.encoder = values.UECPEncoderAddress;
    return config;
}

std::optional<ListenerConfig> ListenerConfigOf(const RemoteValues& values, std::string& error)
{
    error.clear();
    if (!values.Enabled)
        return std::nullopt;
    const std::optional<AllowList> allow = AllowOf(values, error);
    if (!allow)
        return std::nullopt;
    ListenerConfig config;
    config.address = values.ListenAddress;
    config.udpPort = values.UDPPort;
    config.tcpPort = values.TCPPort;
    config.allow = *allow;
    return config;
}

} // namespace quorvan::remote
