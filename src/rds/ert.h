// Enhanced RadioText (eRT): radiotext in UTF-8, up to 128 bytes, as the open
// data application 0x6552 in group 12A; its tags (eRT+, the RadioText Plus
// application 0x4BD8 for eRT) in group 13A; and the 3A groups that announce
// an open data application.
//
// Layouts: RDS Forum R08/003 (enhanced RadioText): 32 segments of four bytes,
// block 2 bits 4-0 the segment address; the 3A message bit 0 set for UTF-8,
// bit 1 for right-to-left text, bits 5-2 the character table (0).
// IEC 62106-6 and EN 50067:1998, 3.1.5.4 (group 3A). eRT+ has the RT+ layout
// (rtplus_groups.h) with the tags counted in characters of the eRT text.
#pragma once

#include "content/rtplus.h"
#include "rds/groups.h"

#include <string>

namespace quorvan::rds {

inline constexpr std::uint16_t kErtAID = 0x6552;
inline constexpr std::uint16_t kErtPlusAID = 0x4BD8;
inline constexpr int kErtGroupType = 12;      // 12A
inline constexpr int kErtPlusGroupType = 13;  // 13A
inline constexpr std::uint16_t kErtMessageUTF8 = 0x0001;

// 3A: block 2 ends with the application group type code (type in bits 4-1,
// version in bit 0), block 3 the message, block 4 the AID.
Group Group3A(const image::ImageBytes& ram, int groupType, bool versionB, std::uint16_t message, std::uint16_t aid);

// 12A segment 0..31 with four bytes of the eRT text (long_ps.h TextSegments).
Group GroupErt(const image::ImageBytes& ram, int segment, const std::array<std::uint8_t, 4>& bytes);

// 13A: the eRT+ tags, laid out as the RT+ 11A group. With the eRT carrying
// the radiotext before its transliteration, the tags are the radiotext's: each
// start and length counts characters, and the transliteration keeps one
// letter for one letter in the scripts the RDS table has letters for.
Group GroupErtPlus(const image::ImageBytes& ram, const rtplus::Registers& registers, bool itemToggle);

} // namespace quorvan::rds
