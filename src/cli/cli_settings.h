// The settings file as quorvanctl uses it: --settings FILE, or the
// program's own quorvan.rds.
#pragma once

#include "cli/cli.h"
#include "content/station_params.h"

namespace quorvan::cli {

// Writes the station values into the settings file the command read (as the
// window does when it closes), keeping every other line and the values that
// are not station values. Throws Failure when the file cannot be written.
void SaveStationValues(Context& ctx, const TStationParams& params);

} // namespace quorvan::cli
