// The values the station starts with: what loading a settings file left,
// brought into the shape the window's controls and quorvanctl's commands
// both work from. One function applies the load-time rules for both front
// ends, so that a settings file gives the same station values in the window
// and in quorvanctl. It never touches the file, the encoder or a widget.
#pragma once

#include "content/dynamic_ps.h"
#include "settings/settings_keys.h"

#include <string>

namespace quorvan {

struct StartupValues {
    // "settings: NOTE, NOTE" for the values the fields could not hold; "" for none.
    std::string notice;
    // Which dynamic PS fields the loaded mode leaves open for editing.
    DPSEnabledState dpsFields{};
};

// Applies, in this order: the corrections of the values the fields cannot
// hold (CorrectLoadedValues, `decimalSeparator` as the AF rows are read),
// PIExit, DB3Exit..DB7Exit (the bytes and their decimal mirrors), the
// clock-time state from the CTState caption, and the dynamic PS mode rule.
StartupValues ApplyStartupValues(SettingsValues& values, char decimalSeparator = '.');

} // namespace quorvan
