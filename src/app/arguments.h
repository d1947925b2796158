// The program's command line: --virtual-encoder[=STATEFILE] routes every
// port selection to the virtual encoder (its state kept in STATEFILE when
// given); --version and --help print and end the program. Any other
// argument is named in a warning and otherwise ignored.
#pragma once

#include "app/form1.h"

#include <QStringList>

#include <iosfwd>

namespace quorvan_app {

// args[0] is the program itself. The arguments it does not know are
// returned (and kept in options.unknownArguments) in their order.
QStringList ParseArguments(const QStringList& args, TForm1Options& options);

// The warning for arguments the program does not know ("" for none): said on
// stderr and in the status bar.
QString UnknownArgumentsWarning(const QStringList& unknown);

// A window system to show the window on: the platform plug-in is chosen
// (QT_QPA_PLATFORM or -platform) or DISPLAY or WAYLAND_DISPLAY is set.
// Without one Qt would abort; main() says this instead and ends with status 1.
bool HaveDisplay(int argc, const char* const* argv);
inline constexpr char kNoDisplayMessage[] =
    "quorvan needs a display (DISPLAY or WAYLAND_DISPLAY); quorvanctl works without one";

// --version or --help anywhere on the command line: prints the version or
// the usage to `out` and returns true, so that main() ends with status 0
// before the display is opened (they work without one, and beside a running
// copy). argv[0] is the program itself.
bool PrintInformation(int argc, const char* const* argv, std::ostream& out);

} // namespace quorvan_app
