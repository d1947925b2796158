// The AF lists of method B: one list per transmitter, each the tuned
// frequency paired with each of its alternatives, carried in block 3 of the
// 0A groups.
//
// Layout: EN 50067:1998, section 3.2.1.6.3 (AF method B): a list opens with
// the count 224 + n (n the frequencies that follow in the list: the tuned
// one, then two per pair) and the tuned frequency; each pair then holds the
// tuned frequency and one alternative, in ascending order when the
// alternative carries the same programme, in descending order when it
// carries a regional variant.
#pragma once

#include "content/extended.h"

#include <cstdint>
#include <vector>

namespace quorvan::rds {

// The block 3 words of every list in turn, high byte first. A list whose
// tuned frequency is no AF code (1..204) is left out, and so is an
// alternative that is none or equals the tuned frequency; at most 12
// alternatives a list.
std::vector<std::uint16_t> AFMethodB(const std::vector<AfMethodBList>& lists);

} // namespace quorvan::rds
