// The program's command line: --virtual-encoder[=STATEFILE] routes every
// port selection to the virtual encoder (its state kept in STATEFILE when
// given); --version and --help print and end the program. Every other
// argument is ignored.
#pragma once

#include "app/form1.h"

#include <QStringList>

#include <iosfwd>

namespace quorvan_app {

// args[0] is the program itself.
void ParseArguments(const QStringList& args, TForm1Options& options);

// --version or --help anywhere on the command line: prints the version or
// the usage to `out` and returns true, so that main() ends with status 0
// before the display is opened (they work without one, and beside a running
// copy). argv[0] is the program itself.
bool PrintInformation(int argc, const char* const* argv, std::ostream& out);

} // namespace quorvan_app
