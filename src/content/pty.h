// Programme type names: three codings of 32 names each.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quorvan {

inline constexpr int kPTYCodes = 32;
inline constexpr int kPTYCodings = 3;

// RBPTYC items.
enum PTYCoding : int { kPTYEuropean = 0, kPTYRBDS = 1, kPTYNumbered = 2 };

// The 96 names, coding by coding: European 0..31, U.S. (RBDS) 0..31,
// numbered 0..31. Entry coding * 32 + code.
const std::array<std::string_view, kPTYCodings * kPTYCodes>& PTYNameTable();

// Name of `code` (0..31) in `coding` (0..2). A coding outside 0..2 reads as
// European; a code outside 0..31 gives "".
std::string_view PTYName(int coding, int code);

// The 32 items of the PTY list for one coding, code order.
std::array<std::string, kPTYCodes> PTYNames(int coding);

// The PTY list for a PTY coding (PtyListForCoding): every item renamed for the
// coding, the selected code unchanged.
struct PTYList {
    std::array<std::string, kPTYCodes> items;
    int selected = 0;
};
PTYList PtyListForCoding(int coding, int selectedCode);

} // namespace quorvan
