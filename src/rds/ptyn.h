// Group 10A: the programme type name ("Jazzbar"), eight characters of the RDS
// table in two segments of four.
//
// Layout: EN 50067:1998, section 3.1.5.14; IEC 62106-2, 6.2.2.12.
#pragma once

#include "rds/groups.h"

#include <string>

namespace quorvan::rds {

// 10A segment 0 or 1: block 2 bit 4 the A/B flag (it flips when the name
// changes), bits 3-1 spare (0), bit 0 the segment address; blocks 3 and 4
// characters 4s..4s+3 of the name, padded with spaces to eight.
Group Group10A(const image::ImageBytes& ram, const std::string& ptyn, int segment, bool abFlag);

} // namespace quorvan::rds
