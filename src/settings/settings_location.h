// Where the settings file lives.
//
// The program keeps quorvan.rds beside its executable. When that directory
// cannot be written (an installed program), the file lives in
// $XDG_CONFIG_HOME/quorvan/quorvan.rds ($HOME/.config when XDG_CONFIG_HOME is
// unset, empty or not absolute). Reading then takes that file when it exists,
// and otherwise the file beside the executable, so that the values shipped or
// left there carry over to the first save in the user's directory.
#pragma once

#include <string>

#include "settings/file_system.h"

namespace quorvan {

inline constexpr const char* kSettingsFileName = "quorvan.rds";

struct SettingsLocation {
    std::string readPath;         // the file to load (it may not exist)
    std::string writePath;        // the file to save
    bool createDirectory = false; // the save creates writePath's directory first
};

// exeDirectory: the executable's directory (with or without trailing '/').
// xdgConfigHome, home: the values of $XDG_CONFIG_HOME and $HOME ("" if unset).
SettingsLocation locateSettings(SettingsFileSystem& fs, const std::string& exeDirectory,
                                const std::string& xdgConfigHome, const std::string& home);

// The same with $XDG_CONFIG_HOME and $HOME from the environment.
SettingsLocation locateSettings(SettingsFileSystem& fs, const std::string& exeDirectory);

// A file named by the user (quorvanctl --settings FILE): read and written in place.
SettingsLocation explicitSettingsLocation(const std::string& path);

// The directory of the running executable, ending with '/'; "./" when unknown.
std::string executableDirectory();

// `path` made absolute against the current directory (unchanged when it is already).
std::string absolutePath(const std::string& path);

} // namespace quorvan
