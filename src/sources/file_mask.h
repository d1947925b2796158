// Matching file names against the name part of a text-source mask.
#pragma once

#include <string_view>

namespace quorvan {

// True when `name` matches `mask`: `*` stands for any run of characters
// (also none), `?` for exactly one character, every other character for
// itself. Letters are compared without regard to case (ASCII letters only;
// other bytes must be equal). An empty mask matches nothing.
bool matchesFileMask(std::string_view name, std::string_view mask);

} // namespace quorvan
