// Group 1A: the programme item number and the slow labelling codes (the
// extended country code, the language).
//
// Layout: EN 50067:1998, section 3.1.5.2 (group 1A) and 3.2.1.8 / 3.2.1.9;
// IEC 62106-2, 6.2.2.5 (PIN) and 6.2.2.6 (ECC, LIC).
#pragma once

#include "content/extended.h"
#include "rds/groups.h"

#include <optional>

namespace quorvan::rds {

// The variant codes of block 3 (bits 14-12) that this encoder sends.
inline constexpr int kSlowLabellingECC = 0;  // paging (bits 11-8) and ECC (bits 7-0)
inline constexpr int kSlowLabellingLIC = 3;  // language identification (bits 11-0)

// Block 4 of group 1A: day (bits 15-11), hour (10-6), minute (5-0); 0 when no
// programme item is announced (a day of 0 is no valid PIN).
std::uint16_t PinBlock(const std::optional<ProgrammeItem>& pin);

// 1A: block 2 ends with the five radio paging bits (0: no paging); block 3
// the linkage actuator (0), the variant code and its 12 bits of data; block 4
// the PIN. Variant 0 carries the paging operator code 0 beside the ECC.
Group Group1A(const image::ImageBytes& ram, int variant, std::uint16_t data, const std::optional<ProgrammeItem>& pin);

} // namespace quorvan::rds
