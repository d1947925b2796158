#include "settings/settings_location.h"

#include <cstdlib>
#include <unistd.h>

#include <vector>

namespace quorvan {

namespace {

std::string join(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string withoutTrailingSlashes(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

} // namespace

const char* installBinDirectory()
{
#ifdef QUORVAN_INSTALL_BINDIR
    return QUORVAN_INSTALL_BINDIR;
#else
    return "";
#endif
}

bool isInstalledProgram(SettingsFileSystem& fs, const std::string& exeDirectory, const std::string& installBinDir)
{
    if (!installBinDir.empty() && withoutTrailingSlashes(exeDirectory) == withoutTrailingSlashes(installBinDir))
        return true;
    return !fs.isWritableDirectory(exeDirectory.empty() ? std::string(".") : exeDirectory);
}

bool isInstalledProgram(SettingsFileSystem& fs, const std::string& exeDirectory)
{
    // The executable's directory comes from /proc/self/exe, links resolved:
    // so is the bin directory (/bin is a link to /usr/bin on Debian).
    std::string binDir = installBinDirectory();
    if (!binDir.empty()) {
        if (char* real = ::realpath(binDir.c_str(), nullptr)) {
            binDir = real;
            std::free(real);
        }
    }
    return isInstalledProgram(fs, exeDirectory, binDir);
}

namespace {

std::string textSourceBase(const std::string& dir)
{
    return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

} // namespace

std::string textSourceDirectory(bool installed, const SettingsLocation& settings, const std::string& exeDirectory)
{
    if (!installed || settings.writePath.empty())
        return textSourceBase(exeDirectory);
    return textSourceBase(parentDirectory(absolutePath(settings.writePath)));
}

SettingsLocation locateSettings(SettingsFileSystem& fs, const std::string& exeDirectory,
                                const std::string& xdgConfigHome, const std::string& home, bool installed)
{
    std::string besideExe = join(exeDirectory, kSettingsFileName);
    std::string dir = exeDirectory.empty() ? std::string(".") : exeDirectory;
    // A read-only settings file beside the program is treated like a
    // program directory that cannot be written: it is read, never replaced.
    if (!installed && fs.isWritableDirectory(dir) && !fs.isReadOnlyFile(besideExe))
        return SettingsLocation{besideExe, besideExe, false};

    std::string configHome;
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
        configHome = xdgConfigHome;
    else if (!home.empty())
        configHome = join(home, ".config");
    else
        return SettingsLocation{besideExe, besideExe, false}; // nowhere better: the save reports the error

    std::string userFile = join(join(configHome, "quorvan"), kSettingsFileName);
    SettingsLocation loc{userFile, userFile, true};
    if (!fs.exists(userFile) && fs.exists(besideExe))
        loc.readPath = besideExe;
    return loc;
}

SettingsLocation locateSettings(SettingsFileSystem& fs, const std::string& exeDirectory)
{
    return locateSettings(fs, exeDirectory, env("XDG_CONFIG_HOME"), env("HOME"), isInstalledProgram(fs, exeDirectory));
}

SettingsLocation explicitSettingsLocation(const std::string& path)
{
    std::string full = absolutePath(path);
    return SettingsLocation{full, full, false};
}

std::string absolutePath(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    std::vector<char> buf(4096);
    if (!::getcwd(buf.data(), buf.size()))
        return path;
    return join(buf.data(), path);
}

std::string executableDirectory()
{
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0)
        return "./";
    std::string exe(buf.data(), static_cast<std::size_t>(n));
    std::size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

} // namespace quorvan
