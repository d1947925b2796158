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
#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "settings/termination_signals.h"
#include "sources/follow_session.h"
#include "sources/link_follow_encoder.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <poll.h>
#include <set>
#include <vector>

namespace quorvan::cli {

namespace {

bool terminationPending()
{
    pollfd p{TerminationSignals::fd(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

// Waits between ticks on the signal pipe, so that Ctrl+C ends the wait at
// once, and on the remote service's descriptors, whose commands run here,
// between the ticks' transfers.
class FollowWaiter final : public Sleeper {
public:
    void sleepMs(unsigned ms) override
    {
        if (service && service->pending())
            runCommands();
        std::vector<pollfd> fds{{TerminationSignals::fd(), POLLIN, 0}};
        int timeout = static_cast<int>(ms);
        if (service) {
            for (const remote::Listener::Watch& w : service->watches())
                fds.push_back({w.fd, static_cast<short>((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
            const std::int64_t next = service->expire();
            if (next >= 0 && next < timeout)
                timeout = static_cast<int>(next);
        }
        if (::poll(fds.data(), fds.size(), timeout) <= 0)
            return;
        for (std::size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents != 0)
                service->handle(fds[i].fd);
        if (service && service->pending())
            runCommands();
    }

    remote::RemoteService* service = nullptr;
    std::function<void()> runCommands;
};

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

// How long the lines taken before SIGINT or SIGTERM may still be written,
// and then how long their replies may wait for the senders' sockets.
constexpr std::int64_t kFinishLinesMs = 5000;
constexpr std::int64_t kFinishRepliesMs = 1000;

// At the end, every line and frame sent before is run: what the sockets
// (and the serial line) already hold is read and written as usual, for at
// most kFinishLinesMs; lines that still wait then are answered "!"
// unwritten. The replies get until kFinishRepliesMs later to leave before
// the sockets close. `endingAt` is when the signal was seen (a long run of
// commands sees it first).
void finishNetwork(remote::RemoteService& service, const Stopwatch& stopwatch, std::optional<std::int64_t>& endingAt,
                   const std::function<void()>& runCommands)
{
    if (!endingAt)
        endingAt = stopwatch.elapsedMs();
    // Late, lines are answered at once: what the sockets still hold drains
    // fast, and only a sender that never stops is cut off, at the very end.
    service.drain(*endingAt + kFinishLinesMs + kFinishRepliesMs, runCommands);
}

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
            params.CTRunning = on;
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

// An encoder text as the terminal shows it: decoded from the station's
// character set, quoted as QuotedLine does.
std::string quotedText(const std::string& bytes, Charset cs)
{
    return QuotedLine(DecodeText(bytes, cs));
}

std::string timeText(const DateTime& t)
{
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return time;
}

std::string eventLine(const FollowEvent& e, Charset cs)
{
    const char* status = !e.ready ? "(not sent)" : (*e.ready ? "Ready" : "!Ready");
    return timeText(e.time) + " " + e.target + " " + (e.target == "CT" ? QuotedLine(e.text) : quotedText(e.text, cs)) + " " + status;
}

// "2024-05-10 12:00:00 NET 127.0.0.1 UDP "TEXT=Artist - Title" + (3 lines)"
std::string networkLine(const remote::LogEntry& e)
{
    if (e.notice)  // "2024-05-10 12:00:01 NET 93 more lines from 127.0.0.1 not shown"
        return timeText(e.time) + " NET " + e.line;
    std::string line = timeText(e.time) + " NET " + e.peer + " " + QuotedLine(e.line) + " " + e.reply;
    if (e.lines > 1)
        line += " (" + std::to_string(e.lines) + " lines)";
    return line;
}

// One line per thing the follower runs besides the network port (which
// reports itself): the text sources, the radiotext switching, clock time.
std::vector<std::string> followedLines(const TStationParams& params)
{
    std::vector<std::string> lines;
    if (RadiotextSourceActive(params))
        lines.push_back("Radiotext source: " + QuotedLine(params.ER1F));
    if (DynamicPSSourceActive(params))
        lines.push_back("Dynamic PS source: " + QuotedLine(params.ED1F));
    if (RTSAClick(params))
        lines.push_back("Radiotext switching: every " +
                        (params.SERTSW == 0 ? std::string("30 s") : std::to_string(params.SERTSW) + " min"));
    if (params.CTRunning)
        lines.push_back("Clock time: every minute");
    return lines;
}

// "2024-05-10 12:00:00 UECP 127.0.0.1 TCP PS QUORVAN, PTY 10"
std::string uecpLine(const remote::UecpLogEntry& e)
{
    return timeText(e.time) + " UECP " + e.peer + " " + QuotedLine(e.text) + (e.error ? " !" : "");
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

int runFollow(Context& ctx)
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
    FollowWaiter waiter;

    // The network command port, when the settings or the options enable it.
    std::string configError;
    const RemoteValues remoteValues = remote::WithOverrides(values.remote, overrides);
    const std::optional<remote::ListenerConfig> config = remote::ListenerConfigOf(remoteValues, configError);
    if (!configError.empty())
        throw Failure(configError);
    const std::optional<remote::UecpConfig> uecpConfig = remote::UecpConfigOf(remoteValues, configError);
    if (!configError.empty())
        throw Failure(configError);
    // What runs, said at start; with nothing to run the follower would only
    // look busy (a user service that seems healthy), so that is an error.
    const std::vector<std::string> followed = followedLines(params);
    if (followed.empty() && !config && !uecpConfig)
        throw UsageError("nothing to follow: no text source, radiotext switching, clock time, network port or UECP port "
                         "is switched on in " + absolutePath(where.readPath));
    for (const std::string& line : followed)
        ctx.out() << line << std::endl;
    FollowRemoteHost host(ctx, saver);
    host.memory = &memory;
    // Station values changed over the network: saved at the end like the window's.
    std::set<const SettingKey*> changedKeys;
    remote::RemoteService service(stopwatch, ctx.clock());
    // From kFinishLinesMs after SIGINT or SIGTERM, the lines still waiting
    // are answered without the bus.
    std::optional<std::int64_t> endingAt;
    const std::function<bool()> late = [&endingAt, &stopwatch] {
        if (!endingAt && terminationPending())
            endingAt = stopwatch.elapsedMs();
        return endingAt && stopwatch.elapsedMs() - *endingAt >= kFinishLinesMs;
    };
    // Runs what either port has waiting; the keys whose values changed are saved at the end.
    waiter.runCommands = [&] {
        SettingsValues before = values, after = values;
        before.params = params;
        if (!service.runPending(params, host, late))
            return;
        after.params = params;
        for (const SettingKey& key : settingKeys())
            if (settingText(key, before) != settingText(key, after))
                changedKeys.insert(&key);
    };
    remote::UecpPort& uecp = service.uecp();
    if (uecpConfig) {
        uecp.start(*uecpConfig);
        ctx.out() << "UECP: " << uecp.status() << std::endl;
        if (!uecp.active())
            throw Failure("UECP: " + uecp.status());
        uecp.onLog = [&ctx, &uecp] { ctx.out() << uecpLine(uecp.log().back()) << std::endl; };
    }
    remote::CommandPort& port = service.lines();
    if (config) {
        port.start(*config);
        ctx.out() << "Remote: " << port.listener().status() << std::endl;
        if (!port.listener().listening())
            throw Failure(port.listener().status());
        port.onLog = [&ctx, &port] { ctx.out() << networkLine(port.log().back()) << std::endl; };
    }
    if (config || uecpConfig) {
        service.attach(link);
        waiter.service = &service;
    }

    FollowSession session(params, memory, encoder,
                          {sourceDirectory, &sourceFs, &ctx.clock(), &stopwatch, &waiter},
                          [&ctx, &params](const FollowEvent& e) {
                              ctx.out() << eventLine(e, CharsetFromInt(params.CBCHARSET)) << std::endl;
                          });
    host.session = &session;
    session.run(terminationPending);
    TerminationSignals::take();
    if (waiter.service)
        finishNetwork(service, stopwatch, endingAt, waiter.runCommands);
    service.detach(link);
    service.stop();

    values.params = params;
    values.window.DPSFromFile = memory.DPSFromFile;
    values.window.RTFromFile = memory.RTFromFile;
    std::string error;
    if (!saveRememberedTexts(settingsFs, where, values, changedKeys, error))
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
