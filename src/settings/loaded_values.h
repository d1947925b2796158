// Values a settings file holds that their field cannot: brought at load to
// what the field holds, with one note per corrected key, so that the window
// and quorvanctl can say once what was changed. A value is corrected to the
// bytes the encoder already gets from it (the PI's F digits, the AF rows Send
// drops, the PS and radiotexts as Send cuts them); nothing here writes the
// file or the encoder.
#pragma once

#include "content/station_params.h"

#include <string>
#include <vector>

namespace quorvan {

// Corrects the loaded values in place (before PIExit) and returns a note per
// corrected key ("PI 'ZZZZ' is not hexadecimal; FFFF used"); texts in the
// notes are UTF-8. `decimalSeparator` as the AF rows are read.
std::vector<std::string> CorrectLoadedValues(TStationParams& params, char decimalSeparator = '.');

// The one line that reports the notes: "settings: NOTE, NOTE"; "" for none.
std::string LoadedValuesNotice(const std::vector<std::string>& notes);

} // namespace quorvan
