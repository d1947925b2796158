// Where the settings file and the language file lie: beside the executable,
// or, when that directory is not writable (an installed program), in
// $XDG_CONFIG_HOME/quorvan/. The result ends with a path separator.
#pragma once

#include <QString>

namespace quorvan_app {

QString ConfigDirectory();
// The rule itself, for a given executable directory and configuration home.
QString ConfigDirectoryFor(const QString& exeDir, const QString& configHome);

} // namespace quorvan_app
