// The block layer of RDS: each 16-bit block of a group gets its 10-bit check
// word, and the group goes on air as 104 bits, block 1 first, each block most
// significant bit first.
//
// The check word is the remainder of the information word times x^10 divided
// by the generator polynomial x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1, plus the
// offset word of the block's place (EN 50067:1998, annex B; IEC 62106).
#pragma once

#include "rds/groups.h"

#include <array>
#include <cstdint>

namespace quorvan::rds {

// x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1 (EN 50067:1998, B.1).
inline constexpr std::uint16_t kGeneratorPolynomial = 0x5B9;

// The offset words (EN 50067:1998, annex A, table A.1): C' takes C's place in
// block 3 of a version B group.
inline constexpr std::uint16_t kOffsetA = 0x0FC;
inline constexpr std::uint16_t kOffsetB = 0x198;
inline constexpr std::uint16_t kOffsetC = 0x168;
inline constexpr std::uint16_t kOffsetCPrime = 0x350;
inline constexpr std::uint16_t kOffsetD = 0x1B4;

inline constexpr int kBitsPerBlock = 26;
inline constexpr int kBitsPerGroup = 4 * kBitsPerBlock;

// The 10-bit check word of one block: info(x) * x^10 mod g(x), plus the offset.
std::uint16_t CheckWord(std::uint16_t info, std::uint16_t offset);

// One 26-bit block: the information word in bits 25..10, its check word in 9..0.
std::uint32_t Block(std::uint16_t info, std::uint16_t offset);

// The four blocks of a group with offsets A, B, C (C' in a version B group), D.
std::array<std::uint32_t, 4> GroupBlocks(const Group& group);

} // namespace quorvan::rds
