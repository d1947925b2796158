// The program's one command-line option: --virtual-encoder[=STATEFILE] routes
// every port selection to the virtual encoder (its state kept in STATEFILE
// when given). Every other argument is ignored.
#pragma once

#include "app/form1.h"

#include <QStringList>

namespace quorvan_app {

// args[0] is the program itself.
void ParseArguments(const QStringList& args, TForm1Options& options);

} // namespace quorvan_app
