// The extension record in the virtual encoder's state file: "ext" lines after
// the memory rows, one value each, written only where a value differs from
// its default, so that a state without extended values keeps its file byte
// for byte. Texts are written with every byte outside [A-Za-z0-9.,:/_+]
// as %HH, so that a line always splits into words at its blanks.
#pragma once

#include "content/extended.h"

#include <string>
#include <vector>

namespace quorvan {

// The record's lines, each ending in '\n' ("" for the default record).
std::string FormatExtensionLines(const ExtensionRecord& record);

// One "ext" line split into words (the first is "ext"); false with `why`
// naming the fault for a line that is malformed, repeated or out of range.
bool ParseExtensionLine(const std::vector<std::string>& words, ExtensionRecord& record, std::string& why);

} // namespace quorvan
