// User defined group: group type names, the version B rule and the
// normalisation of the five data bytes with their decimal mirrors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "content/station_params.h"

namespace quorvan {

inline constexpr int kGroupTypes = 32;  // "0A", "0B", ... "15A", "15B"

// "0A".."15B" for the index 0..31 (type number x 2, plus 1 for version B);
// "" outside 0..31.
std::string GroupTypeName(int index);
// True for a version B index (its name ends in "B").
bool GroupTypeIsVersionB(int index);
// UserGroupUsesBytes5And6: whether "Byte 5" and "Byte 6" (DB4, DB5) are enabled. In
// version B groups block 3 repeats the PI, so they are disabled there; they
// keep their values and Send still writes them.
inline bool UserGroupUsesBytes5And6(int index) { return !GroupTypeIsVersionB(index); }

struct UserGroupByte {
    std::string text;     // two upper-case hexadecimal digits
    std::string decimal;  // its value in decimal, no leading zeros
    bool operator==(const UserGroupByte&) const = default;
};
// Normalises one byte field as leaving it does: MakeHEX(text, 2); a
// character that is still not a hexadecimal digit after keeping the last two
// becomes 'F' as well, so the field always holds two digits. With
// `fiveBits` ("Byte 4") the first digit becomes '1' when odd and '0' when
// even (value AND 0x1F).
UserGroupByte NormaliseUserGroupByte(std::string_view text, bool fiveBits);

// DB3Exit .. DB7Exit: normalise DBn in place and set DBnD. `index` 0..4 is DB3..DB7.
void DBExit(TStationParams& params, int index);
inline void DB3Exit(TStationParams& p) { DBExit(p, 0); }
inline void DB4Exit(TStationParams& p) { DBExit(p, 1); }
inline void DB5Exit(TStationParams& p) { DBExit(p, 2); }
inline void DB6Exit(TStationParams& p) { DBExit(p, 3); }
inline void DB7Exit(TStationParams& p) { DBExit(p, 4); }
// All five, as start-up and Receive do.
void NormaliseUserGroupBytes(TStationParams& params);

// The byte Send writes for one field: its two hexadecimal digits (any other
// character counts as F, so it never fails).
std::uint8_t UserGroupByteValue(std::string_view text);

} // namespace quorvan
