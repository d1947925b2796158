// The RadioText Plus groups: 3A announces the open data application, 11A
// carries the two tags of the radiotext on air.
//
// Layouts: RDS Forum R06/040_1 (RadioText Plus), sections 4.1 and 4.2;
// IEC 62106-6 (open data applications, group 3A); EN 50067:1998, 3.1.5.4
// (group 3A).
#pragma once

#include "content/rtplus.h"
#include "rds/groups.h"

namespace quorvan::rds {

inline constexpr std::uint16_t kRTPlusAID = 0x4BD7;
// The group type that carries the tags: 11A (type 11, version A).
inline constexpr int kRTPlusGroupType = 11;

// 3A: block 2 ends with the application group type code (type in bits 4-1,
// version in bit 0), block 3 the message (0x0000: no template), block 4 the AID.
Group GroupRTPlus3A(const image::ImageBytes& ram);
// 11A: block 2 bit 4 item toggle, bit 3 item running, bits 2-0 the top 3 bits
// of content type 1; block 3 bits 15-13 the low 3 bits of type 1, 12-7 start 1,
// 6-1 length 1 - 1, bit 0 the top bit of type 2; block 4 bits 15-11 the low 5
// bits of type 2, 10-5 start 2, 4-0 length 2 - 1. Dummy tags are all zero.
Group GroupRTPlus11A(const image::ImageBytes& ram, const rtplus::Registers& registers, bool itemToggle);

} // namespace quorvan::rds
