// Enhanced other networks: groups 14A (another network's PS, AF list, PTY
// and TP/TA) and 14B (the switch of its traffic announcement).
//
// Layout: EN 50067:1998, section 3.1.5.19 (groups 14A and 14B) and 3.2.1.8.3.
// 14A block 2 bit 4 TP(ON), bits 3-0 the variant; block 3 the variant's
// information; block 4 PI(ON). 14B block 2 bit 4 TP(ON), bit 3 TA(ON); block
// 3 the tuned PI (a version B group); block 4 PI(ON).
#pragma once

#include "content/extended.h"
#include "rds/groups.h"

namespace quorvan::rds {

inline constexpr int kEonVariantAF = 4;        // AF(ON), method A, two codes a group
inline constexpr int kEonVariantPtyTa = 13;    // PTY(ON) bits 15-11, TA(ON) bit 0

// 14A with the variant and its block 3.
Group Group14A(const image::ImageBytes& ram, const OtherNetwork& on, int variant, std::uint16_t info);
// Variant 0..3: PS(ON) characters 2v and 2v+1, padded with spaces to eight.
Group Group14APS(const image::ImageBytes& ram, const OtherNetwork& on, int variant);
// Variant 13: PTY(ON) and TA(ON).
Group Group14APtyTa(const image::ImageBytes& ram, const OtherNetwork& on);
// 14B: TP(ON) and TA(ON).
Group Group14B(const image::ImageBytes& ram, const OtherNetwork& on);

} // namespace quorvan::rds
