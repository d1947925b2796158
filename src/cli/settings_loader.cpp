// The station values of quorvanctl: the settings file loaded as the window
// loads it at start-up, then the start-up normalisations (PIExit, DB3Exit ..
// DB7Exit), so that every command sees what the window would hold.
#include "cli/cli_settings.h"
#include "content/pi.h"
#include "content/user_group.h"
#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/loaded_values.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"

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
    // The file is read and parsed once: a big file costs one pass, and the
    // values and the COM devices come from the same bytes.
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
    loadSettings(doc, values);
    values.params.CTRunning = ctStateStartsTransmission(values.window.CTState);
    const std::string notice = LoadedValuesNotice(CorrectLoadedValues(values.params));
    if (!notice.empty())
        ctx.err() << "quorvanctl: " << notice << "\n";
    PIExit(values.params);
    NormaliseUserGroupBytes(values.params);
    ctx.params = values.params;
    ctx.virtualStateFile = VirtualStateFileFor(values.window.VirtualEncoder, where.writePath);

    // COM1Device .. COM4Device in [Config]: another device for a COM port.
    for (int n = 0; n < 4; ++n)
        if (auto device = doc.read("Config", "COM" + std::to_string(n + 1) + "Device"))
            ctx.comDevices[n] = *device;
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
