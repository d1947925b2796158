// The user guide shown on the "Help" page.
#pragma once

#include <QString>

namespace quorvan_app {

QString HelpText();

} // namespace quorvan_app
