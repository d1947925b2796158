// follow: the text-source polling, the radiotext switching, the clock time
// and (when enabled) the network command port of the settings, until SIGINT
// or SIGTERM; then the remembered source texts are saved so that an
// unchanged file is not sent again next time, and so are the values that
// network commands changed.
#include "cli/cli.h"
#include "content/charset.h"
#include "content/radiotext.h"
#include "link/serial_stream.h"
#include "remote/command_port.h"
#include "remote/remote_config.h"
#include "remote/remote_service.h"
#include "remote/uecp_port.h"
#include "service/follow_log.h"
#include "service/follow_loop.h"
#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "settings/termination_signals.h"
#include "sources/follow_session.h"
#include "sources/link_follow_encoder.h"

#include <cstdio>
#include <optional>
#include <set>
#include <vector>

namespace quorvan::cli {

namespace {

// Saves the virtual encoder's state after an operation. A save that fails
// does not end the follower (the network's and the sources' values would be
// lost with it): the cause is said once, the state stays in memory, the next
// operation tries again, and the end tries a last time.
class StateSaver {
public:
    explicit StateSaver(Context& ctx) : ctx_(ctx) {}
    bool save()
    {
        try {
            ctx_.saveVirtualState();
        } catch (const CliError& e) {
            if (failure_ != e.what())
                ctx_.err() << "quorvanctl: " << e.what() << " (tried again after the next operation)" << std::endl;
            failure_ = e.what();
            return false;
        }
        if (!failure_.empty())
            ctx_.err() << "quorvanctl: virtual encoder state saved again" << std::endl;
        failure_.clear();
        return true;
    }

private:
    Context& ctx_;
    std::string failure_;
};

// What network commands run on in quorvanctl: the command's link, the
// one-second guard of Send, and the virtual encoder's state saved after
// every operation.
class FollowRemoteHost final : public remote::RemoteHost {
public:
    FollowRemoteHost(Context& ctx, StateSaver& saver) : ctx_(ctx), saver_(saver) {}
    EncoderContext encoder(const TStationParams&) override
    {
        return EncoderContext{ctx_.link(), ctx_.clock(), ctx_.sleeper(), &guard_};
    }
    void restartRadiotextSwitching() override
    {
        if (session)
            session->restartRadiotextSwitching();
    }
    bool operationEnded() override { return saver_.save(); }
    RadiotextOnAir& radiotextOnAir() override { return memory ? memory->radiotextOnAir : RemoteHost::radiotextOnAir(); }
    void setClockTimeTransmission(TStationParams& params, bool on) override
    {
        if (session)
            session->setClockTimeTransmission(on);
        else
            params.system.CTRunning = on;
    }

    FollowSession* session = nullptr;
    TextSourceMemory* memory = nullptr;

private:
    Context& ctx_;
    StateSaver& saver_;
    OperationGuard guard_;
};

int PortOption(const std::string& text, const char* option)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) > 65535)
        throw UsageError(std::string(option) + " takes a port number 0 to 65535, not \"" + text + "\"");
    return std::stoi(text);
}

SettingsLocation settingsLocation(Context& ctx, SettingsFileSystem& fs)
{
    if (!ctx.settingsPath().empty())
        return explicitSettingsLocation(ctx.settingsPath());
    return locateSettings(fs, executableDirectory());
}

// Writes DPSFromFile, RTFromFile and the keys in `changed` into the
// settings file, touching no other line.
bool saveRememberedTexts(SettingsFileSystem& fs, const SettingsLocation& where, const SettingsValues& values,
                         const std::set<const SettingKey*>& changed, std::string& error)
{
    std::optional<std::string> bytes = fs.readFile(where.writePath);
    if (!bytes && where.readPath != where.writePath)
        bytes = fs.readFile(where.readPath);
    IniFile doc = IniFile::parse(bytes.value_or(std::string()));
    std::vector<const SettingKey*> keys(changed.begin(), changed.end());
    for (const char* name : {"DPSFromFile", "RTFromFile"})
        if (const SettingKey* key = findSettingKey("Config", name))
            keys.push_back(key);
    storeSettingKeys(values, keys, doc);
    const std::string updated = doc.serialize();
    if (bytes && *bytes == updated)
        return true;
    if (where.createDirectory)
        fs.makeDirectories(parentDirectory(where.writePath));
    if (!replaceFileContents(fs, where.writePath, updated)) {
        error = "Unable to write to " + absolutePath(where.writePath);
        return false;
    }
    return true;
}

remote::RemoteOverrides followOverrides(Context& ctx)
{
    remote::RemoteOverrides overrides;
    if (const auto v = ctx.takeOption("--udp"))
        overrides.udpPort = PortOption(*v, "--udp");
    if (const auto v = ctx.takeOption("--tcp"))
        overrides.tcpPort = PortOption(*v, "--tcp");
    overrides.listenAddress = ctx.takeOption("--listen");
    overrides.allow = ctx.takeOption("--allow");
    if (const auto v = ctx.takeOption("--uecp-udp"))
        overrides.uecpUdpPort = PortOption(*v, "--uecp-udp");
    if (const auto v = ctx.takeOption("--uecp-tcp"))
        overrides.uecpTcpPort = PortOption(*v, "--uecp-tcp");
    if (const auto v = ctx.takeOption("--uecp-serial")) {
        std::string error;
        if (!ParseSerialLineSpec(*v, error))
            throw UsageError("--uecp-serial takes DEVICE[:BAUD]: " + error);
        overrides.uecpSerial = *v;
    }
    return overrides;
}

// A port's configuration, or the reason it has none as the follower's failure.
template <typename Config>
std::optional<Config> checked(std::optional<Config> (*configOf)(const RemoteValues&, std::string&), const RemoteValues& values)
{
    std::string error;
    std::optional<Config> config = configOf(values, error);
    if (!error.empty())
        throw Failure(error);
    return config;
}

// Starts the ports the settings or the options enable, each said at start
// and logged line by line; a port that cannot listen ends the follower.
void startPorts(Context& ctx, remote::RemoteService& ports, const std::optional<remote::ListenerConfig>& config,
                const std::optional<remote::UecpConfig>& uecpConfig)
{
    remote::UecpPort& uecp = ports.uecp();
    if (uecpConfig) {
        uecp.start(*uecpConfig);
        ctx.out() << "UECP: " << uecp.status() << std::endl;
        if (!uecp.active())
            throw Failure("UECP: " + uecp.status());
        uecp.onLog = [&ctx, &uecp] { ctx.out() << service::uecpLogLine(uecp.log().back(), QuotedLine) << std::endl; };
    }
    remote::CommandPort& port = ports.lines();
    if (config) {
        port.start(*config);
        ctx.out() << "Remote: " << port.listener().status() << std::endl;
        if (!port.listener().listening())
            throw Failure(port.listener().status());
        port.onLog = [&ctx, &port] { ctx.out() << service::networkLogLine(port.log().back(), QuotedLine) << std::endl; };
    }
}

int runFollow(Context& ctx)
{
    const remote::RemoteOverrides overrides = followOverrides(ctx);
    ctx.expectArgs(0, 0);
    if (!TerminationSignals::install())
        throw Failure("cannot watch for SIGINT/SIGTERM");

    // The station values as the window would start with them (the clock-time
    // state included), and the remembered texts kept beside them.
    ctx.loadSettings();
    TStationParams& params = ctx.params;
    PosixFileSystem settingsFs;
    const SettingsLocation where = settingsLocation(ctx, settingsFs);
    SettingsValues values;
    loadSettingsFile(settingsFs, where, values);
    TextSourceMemory memory{values.window.DPSFromFile, values.window.RTFromFile};

    TEncoderLink& link = ctx.link();
    LinkFollowEncoder encoder(link, params, ctx.clock(), ctx.sleeper());
    StateSaver saver(ctx);
    encoder.onOperationEnded = [&saver] { saver.save(); };
    // Relative source names: below the program's folder, or for an installed
    // program below the settings file's.
    const std::string exeDirectory = executableDirectory();
    const std::string sourceDirectory =
        textSourceDirectory(isInstalledProgram(settingsFs, exeDirectory), where, exeDirectory);
    const PosixSourceFileSystem sourceFs;
    const SteadyStopwatch stopwatch;

    // The network command port and the UECP port, when the settings or the options enable them.
    const RemoteValues remoteValues = remote::WithOverrides(values.remote, overrides);
    const std::optional<remote::ListenerConfig> config = checked(remote::ListenerConfigOf, remoteValues);
    const std::optional<remote::UecpConfig> uecpConfig = checked(remote::UecpConfigOf, remoteValues);
    // What runs, said at start; with nothing to run the follower would only
    // look busy (a user service that seems healthy), so that is an error.
    const std::vector<std::string> followed = service::followedLines(params, QuotedLine);
    if (followed.empty() && !config && !uecpConfig)
        throw UsageError("nothing to follow: no text source, radiotext switching, clock time, network port or UECP port "
                         "is switched on in " + absolutePath(where.readPath));
    for (const std::string& line : followed)
        ctx.out() << line << std::endl;

    FollowRemoteHost host(ctx, saver);
    host.memory = &memory;
    service::SystemPoller poller;
    service::FollowLoop loop({&stopwatch, &poller, TerminationSignals::fd()}, params, values);
    remote::RemoteService ports(stopwatch, ctx.clock());
    startPorts(ctx, ports, config, uecpConfig);
    if (config || uecpConfig) {
        ports.attach(link);
        loop.serve(ports, host);
    }
    FollowSession session(params, memory, encoder,
                          {sourceDirectory, &sourceFs, &ctx.clock(), &stopwatch, &loop.waiter()},
                          [&ctx, &params](const FollowEvent& e) {
                              ctx.out() << service::followEventLine(e, CharsetFromInt(params.preferences.CBCHARSET), QuotedLine) << std::endl;
                          });
    host.session = &session;
    loop.run(session);
    TerminationSignals::take();
    ports.detach(link);
    ports.stop();

    // The remembered texts and the keys commands changed, saved like the window's.
    values.params = params;
    values.window.DPSFromFile = memory.DPSFromFile;
    values.window.RTFromFile = memory.RTFromFile;
    std::string error;
    if (!saveRememberedTexts(settingsFs, where, values, loop.changedKeys(), error))
        throw Failure(error);
    // The settings are saved whatever the state file's fate; a state that
    // still cannot be saved makes the end a failure (the save said why).
    if (!saver.save())
        return kExitFailure;
    ctx.finishRecord();
    return kExitOk;
}

} // namespace

QUORVAN_CLI_COMMAND("follow", "[--udp PORT] [--tcp PORT] [--listen ADDRESS] [--allow LIST] [--uecp-tcp PORT] [--uecp-udp PORT] "
                    "[--uecp-serial DEVICE[:BAUD]] (runs until SIGINT or SIGTERM)",
                    runFollow);

} // namespace quorvan::cli
