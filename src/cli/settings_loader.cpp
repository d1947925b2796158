// The station values of quorvanctl: the settings file loaded as the window
// loads it at start-up, then the start-up values applied as the window
// applies them (settings/startup_values.h), so that every command sees what
// the window would hold.
#include "cli/cli_settings.h"
#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "settings/startup_values.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include <sys/stat.h>

namespace quorvan::cli {

namespace {

SettingsLocation WhereFor(const Context& ctx, SettingsFileSystem& fs)
{
    if (!ctx.settingsPath().empty())
        return explicitSettingsLocation(ctx.settingsPath());
    return locateSettings(fs, executableDirectory());
}

bool LoadCliSettings(Context& ctx, std::string& error)
{
    PosixFileSystem fs;
    const SettingsLocation where = WhereFor(ctx, fs);
    // The file is read and parsed once: a big file costs one pass.
    const std::optional<std::string> bytes = fs.readFile(where.readPath);
    const int readErrno = errno;
    // A file the user named must be there and be a file: a directory or a
    // device would otherwise read as an empty file and run on the defaults.
    if (!ctx.settingsPath().empty() && !bytes) {
        // stat, not an open: opening a FIFO would wait for a writer.
        struct stat st {};
        const bool there = ::stat(where.readPath.c_str(), &st) == 0;
        error = "cannot read settings file " + where.readPath + ": " +
                (there && !S_ISREG(st.st_mode) ? std::string("not a regular file")
                                               : std::string(std::strerror(there ? readErrno : errno)));
        return false;
    }
    const IniFile doc = IniFile::parse(bytes ? *bytes : std::string());
    SettingsValues values;
    for (const LoadedValue& loaded : loadSettings(doc, values))
        if (!loaded.warning.empty())
            ctx.err() << "quorvanctl: settings: " << loaded.warning << "\n";
    const StartupValues startup = ApplyStartupValues(values);
    if (!startup.notice.empty())
        ctx.err() << "quorvanctl: " << startup.notice << "\n";
    ctx.params = values.params;
    ctx.virtualStateFile = VirtualStateFileFor(values.window.VirtualEncoder, where.writePath);
    ctx.comDevices = values.ports.COMDevice;
    return true;
}

} // namespace

std::string SaveStationValues(Context& ctx, const TStationParams& params)
{
    PosixFileSystem fs;
    const SettingsLocation where = WhereFor(ctx, fs);
    SettingsValues values;
    loadSettingsFile(fs, where, values);  // the window values as they stand in the file
    values.params = params;
    const SaveResult saved = saveSettingsFile(fs, where, values);
    if (!saved.ok)
        throw Failure(saved.error);
    return absolutePath(where.writePath);
}

QUORVAN_CLI_SETTINGS_LOADER(LoadCliSettings);

} // namespace quorvan::cli
