// follow: the text-source polling, the radiotext switching, the clock time
// and (when enabled) the network command port of the settings, until SIGINT
// or SIGTERM; then the remembered source texts are saved so that an
// unchanged file is not sent again next time, and so are the values that
// network commands changed.
#include "cli/cli.h"
#include "content/charset.h"
#include "remote/command_port.h"
#include "remote/remote_config.h"
#include "remote/transfer_service.h"
#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "settings/termination_signals.h"
#include "sources/follow_session.h"
#include "sources/link_follow_encoder.h"

#include <cstdio>
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
// once, and on the network command port's sockets, whose commands run here,
// between the ticks' transfers.
class FollowWaiter final : public Sleeper {
public:
    void sleepMs(unsigned ms) override
    {
        if (port && port->pending())
            runCommands();
        std::vector<pollfd> fds{{TerminationSignals::fd(), POLLIN, 0}};
        int timeout = static_cast<int>(ms);
        if (port) {
            for (const remote::Listener::Watch& w : port->listener().watches())
                fds.push_back({w.fd, static_cast<short>((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
            const std::int64_t idle = port->listener().expireIdle();
            if (idle >= 0 && idle < timeout)
                timeout = static_cast<int>(idle);
        }
        if (::poll(fds.data(), fds.size(), timeout) <= 0 || !port)
            return;
        for (std::size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents != 0)
                port->listener().handle(fds[i].fd);
        if (port->pending())
            runCommands();
    }

    remote::CommandPort* port = nullptr;
    std::function<void()> runCommands;
};

// What network commands run on in quorvanctl: the command's link, the
// one-second guard of Send, and the virtual encoder's state saved after
// every operation.
class FollowRemoteHost final : public remote::RemoteHost {
public:
    explicit FollowRemoteHost(Context& ctx) : ctx_(ctx) {}
    EncoderContext encoder(const TStationParams&) override
    {
        return EncoderContext{ctx_.link(), ctx_.clock(), ctx_.sleeper(), &guard_};
    }
    void restartRadiotextSwitching() override
    {
        if (session)
            session->restartRadiotextSwitching();
    }
    void operationEnded() override { ctx_.saveVirtualState(); }

    FollowSession* session = nullptr;

private:
    Context& ctx_;
    OperationGuard guard_;
};

int PortOption(const std::string& text, const char* option)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) > 65535)
        throw UsageError(std::string(option) + " takes a port number 0 to 65535, not \"" + text + "\"");
    return std::stoi(text);
}

// A network line as the terminal shows it: UTF-8 as it is, in double
// quotes, quotes, backslashes and control characters escaped.
std::string quotedLine(const std::string& utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A text as the terminal shows it: the single-byte characters as Latin-1,
// written in UTF-8, in double quotes; quotes, backslashes and control
// characters escaped so that one update stays one line.
std::string quotedText(const std::string& bytes)
{
    return quotedLine(Latin1ToUtf8(bytes));
}

std::string timeText(const DateTime& t)
{
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return time;
}

std::string eventLine(const FollowEvent& e)
{
    const char* status = !e.ready ? "(not sent)" : (*e.ready ? "Ready" : "!Ready");
    return timeText(e.time) + " " + e.target + " " + quotedText(e.text) + " " + status;
}

// "2024-05-10 12:00:00 NET 127.0.0.1 "TEXT=Artist - Title" + (3 lines)"
std::string networkLine(const remote::LogEntry& e)
{
    std::string line = timeText(e.time) + " NET " + e.peer + " " + quotedLine(e.line) + " " + e.reply;
    if (e.lines > 1)
        line += " (" + std::to_string(e.lines) + " lines)";
    return line;
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
    std::set<const SettingKey*> keys = changed;
    for (const char* name : {"DPSFromFile", "RTFromFile"})
        if (const SettingKey* key = findSettingKey("Config", name))
            keys.insert(key);
    // In table order, as the window would write them.
    for (const SettingKey& key : settingKeys())
        if (keys.count(&key))
            doc.write(key.section, key.key, settingText(key, values));
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
    encoder.onOperationEnded = [&ctx] { ctx.saveVirtualState(); };

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
    remote::CommandPort port(stopwatch, ctx.clock());
    FollowRemoteHost host(ctx);
    // Station values changed over the network: saved at the end like the window's.
    std::set<const SettingKey*> changedKeys;
    remote::TransferService service([&port] { port.listener().handleAll(); });
    if (config) {
        port.start(*config);
        ctx.out() << "Remote: " << port.listener().status() << std::endl;
        if (!port.listener().listening())
            throw Failure(port.listener().status());
        port.onLog = [&ctx, &port] { ctx.out() << networkLine(port.log().back()) << std::endl; };
        service.attach(link);
        waiter.port = &port;
        waiter.runCommands = [&] {
            SettingsValues before = values, after = values;
            before.params = params;
            if (!port.runPending(params, host))
                return;
            after.params = params;
            for (const SettingKey& key : settingKeys())
                if (settingText(key, before) != settingText(key, after))
                    changedKeys.insert(&key);
        };
    }

    FollowSession session(params, memory, encoder,
                          {sourceDirectory, &sourceFs, &ctx.clock(), &stopwatch, &waiter},
                          [&ctx](const FollowEvent& e) { ctx.out() << eventLine(e) << std::endl; });
    host.session = &session;
    session.run(terminationPending);
    TerminationSignals::take();
    service.detach(link);
    port.stop();

    values.params = params;
    values.window.DPSFromFile = memory.DPSFromFile;
    values.window.RTFromFile = memory.RTFromFile;
    std::string error;
    if (!saveRememberedTexts(settingsFs, where, values, changedKeys, error))
        throw Failure(error);
    ctx.finishRecord();
    return kExitOk;
}

} // namespace

QUORVAN_CLI_COMMAND("follow", "[--udp PORT] [--tcp PORT] [--listen ADDRESS] [--allow LIST] (runs until SIGINT or SIGTERM)",
                    runFollow);

} // namespace quorvan::cli
