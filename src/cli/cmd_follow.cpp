// follow: the text-source polling, the radiotext switching and the clock
// time of the settings, until SIGINT or SIGTERM; then the remembered source
// texts are saved so that an unchanged file is not sent again next time.
#include "cli/cli.h"
#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "settings/termination_signals.h"
#include "sources/follow_session.h"
#include "sources/link_follow_encoder.h"

#include <cstdio>
#include <poll.h>

namespace quorvan::cli {

namespace {

bool terminationPending()
{
    pollfd p{TerminationSignals::fd(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

// Waits between ticks on the signal pipe, so that Ctrl+C ends the wait at once.
class SignalAwareSleeper final : public Sleeper {
public:
    void sleepMs(unsigned ms) override
    {
        pollfd p{TerminationSignals::fd(), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(ms));
    }
};

// A text as the terminal shows it: the single-byte characters as Latin-1,
// written in UTF-8, in double quotes; quotes, backslashes and control
// characters escaped so that one update stays one line.
std::string quotedText(const std::string& bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out + "\"";
}

std::string eventLine(const FollowEvent& e)
{
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", e.time.year, e.time.month, e.time.day,
                  e.time.hour, e.time.minute, e.time.second);
    const char* status = !e.ready ? "(not sent)" : (*e.ready ? "Ready" : "!Ready");
    return std::string(time) + " " + e.target + " " + quotedText(e.text) + " " + status;
}

SettingsLocation settingsLocation(Context& ctx, SettingsFileSystem& fs)
{
    if (!ctx.settingsPath().empty())
        return explicitSettingsLocation(ctx.settingsPath());
    return locateSettings(fs, executableDirectory());
}

// Writes DPSFromFile and RTFromFile into the settings file, touching no other line.
bool saveRememberedTexts(SettingsFileSystem& fs, const SettingsLocation& where, const SettingsValues& values,
                         std::string& error)
{
    std::optional<std::string> bytes = fs.readFile(where.writePath);
    if (!bytes && where.readPath != where.writePath)
        bytes = fs.readFile(where.readPath);
    IniFile doc = IniFile::parse(bytes.value_or(std::string()));
    for (const char* name : {"DPSFromFile", "RTFromFile"})
        if (const SettingKey* key = findSettingKey("Config", name))
            doc.write(key->section, key->key, settingText(*key, values));
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
    SignalAwareSleeper sleeper;
    FollowSession session(params, memory, encoder,
                          {sourceDirectory, &sourceFs, &ctx.clock(), &stopwatch, &sleeper},
                          [&ctx](const FollowEvent& e) { ctx.out() << eventLine(e) << std::endl; });
    session.run(terminationPending);
    TerminationSignals::take();

    values.window.DPSFromFile = memory.DPSFromFile;
    values.window.RTFromFile = memory.RTFromFile;
    std::string error;
    if (!saveRememberedTexts(settingsFs, where, values, error))
        throw Failure(error);
    ctx.finishRecord();
    return kExitOk;
}

} // namespace

QUORVAN_CLI_COMMAND("follow", "(runs until SIGINT or SIGTERM)", runFollow);

} // namespace quorvan::cli
