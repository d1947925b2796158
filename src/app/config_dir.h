// Where the program's files lie. The settings file and the language file lie
// beside the executable; an installed program (in the bin directory it was
// built for, or in a directory that is not writable) keeps them in
// $XDG_CONFIG_HOME/quorvan/ instead. (The settings
// file's own rule is settings/settings_location.h; the language file follows
// the same rule for reading: the per-user file when it exists, else the one
// beside the executable.)
#pragma once

#include <QString>

namespace quorvan_app {

// The running executable's directory, with a trailing separator.
QString ExecutableDirectory();
// $XDG_CONFIG_HOME when it is set and absolute, else $HOME/.config.
QString ConfigHome();
// The language file to read for a program in exeDir.
QString LanguageFilePath(const QString& exeDir);
QString LanguageFilePathFor(const QString& exeDir, const QString& configHome, bool installed = false);

} // namespace quorvan_app
