// Where the settings file lives.
//
// A program run from its own folder keeps quorvan.rds beside its executable.
// An installed program (its directory is the bin directory it was built to be
// installed in, or a directory that cannot be written) keeps the file in
// $XDG_CONFIG_HOME/quorvan/quorvan.rds ($HOME/.config when XDG_CONFIG_HOME is
// unset, empty or not absolute), one file per user, shared by quorvan and
// quorvanctl. Reading then takes that file when it exists, and otherwise the
// file beside the executable, so that the values shipped or left there carry
// over to the first save in the user's directory.
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

// The bin directory the programs are installed in (the build's
// CMAKE_INSTALL_FULL_BINDIR, "/usr/bin" in the Debian package).
const char* installBinDirectory();

// True for an installed program: exeDirectory is installBinDir (both without
// or with a trailing '/'; "" never matches), or it cannot be written.
bool isInstalledProgram(SettingsFileSystem& fs, const std::string& exeDirectory, const std::string& installBinDir);
// The same against installBinDirectory(), its symbolic links resolved.
bool isInstalledProgram(SettingsFileSystem& fs, const std::string& exeDirectory);

// exeDirectory: the executable's directory (with or without trailing '/').
// xdgConfigHome, home: the values of $XDG_CONFIG_HOME and $HOME ("" if unset).
// installed: the program is an installed one even where its directory can be
// written (root running /usr/bin/quorvan, a prefix in the user's home).
SettingsLocation locateSettings(SettingsFileSystem& fs, const std::string& exeDirectory,
                                const std::string& xdgConfigHome, const std::string& home,
                                bool installed = false);

// The same with $XDG_CONFIG_HOME and $HOME from the environment and
// isInstalledProgram(fs, exeDirectory).
SettingsLocation locateSettings(SettingsFileSystem& fs, const std::string& exeDirectory);

// The directory, ending with '/', that relative text-source file names are
// read below: for a program run from its own folder its directory, as
// always; for an installed program, whose directory is not the user's, the
// directory of the settings file in use (`settings`).
std::string textSourceDirectory(bool installed, const SettingsLocation& settings, const std::string& exeDirectory);

// A file named by the user (quorvanctl --settings FILE): read and written in place.
SettingsLocation explicitSettingsLocation(const std::string& path);

// The directory of the running executable, ending with '/'; "./" when unknown.
std::string executableDirectory();

// `path` made absolute against the current directory (unchanged when it is already).
std::string absolutePath(const std::string& path);

} // namespace quorvan
