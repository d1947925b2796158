// Group 15A: the Long PS, a station name of up to 32 bytes of UTF-8 in eight
// segments of four bytes; and the segmented UTF-8 texts it shares its layout
// with (enhanced RadioText, ert.h).
//
// Layout: IEC 62106-2, 6.2.2.15 (group 15A, RDS2 Long PS).
#pragma once

#include "rds/groups.h"

#include <string>
#include <vector>

namespace quorvan::rds {

// A UTF-8 text as segments of four bytes, at most `maxBytes` (the text is
// cut there): a text shorter than `maxBytes` ends with the carriage return
// 0x0D and the rest of its last segment is spaces; only the segments up to
// the end of the text are sent. An empty text has no segments.
std::vector<std::array<std::uint8_t, 4>> TextSegments(const std::string& utf8, std::size_t maxBytes);

// 15A segment 0..7: block 2 bits 2-0 the segment address (bits 4-3 0),
// blocks 3 and 4 bytes 4s..4s+3.
Group Group15A(const image::ImageBytes& ram, int segment, const std::array<std::uint8_t, 4>& bytes);

} // namespace quorvan::rds
