// The settings file as quorvanctl uses it: --settings FILE, or the
// program's own quorvan.rds.
#pragma once

#include "cli/cli.h"
#include "content/station_params.h"

namespace quorvan::cli {

// Writes the station values into the settings file the command read (as the
// window does when it closes), keeping every other line and the values that
// are not station values. Returns the file's absolute path; throws Failure
// when the file cannot be written.
std::string SaveStationValues(Context& ctx, const TStationParams& params);

} // namespace quorvan::cli
