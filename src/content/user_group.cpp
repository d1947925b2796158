#include "content/user_group.h"

#include "content/pi.h"

namespace quorvan {

std::string GroupTypeName(int index)
{
    if (index < 0 || index >= kGroupTypes) return {};
    return std::to_string(index / 2) + (index % 2 == 0 ? 'A' : 'B');
}

bool GroupTypeIsVersionB(int index)
{
    const std::string name = GroupTypeName(index);
    return !name.empty() && name.back() == 'B';
}

UserGroupByte NormaliseUserGroupByte(std::string_view text, bool fiveBits)
{
    // The second pass checks a text cut from a longer one.
    std::string hex = MakeHEX(MakeHEX(text, 2), 2);
    if (fiveBits) hex[0] = (HexDigitValue(hex[0]) % 2 == 1) ? '1' : '0';
    return {hex, std::to_string(HexTextValue(hex))};
}

void DBExit(TStationParams& params, int index)
{
    if (index < 0 || index >= kUserGroupBytes) return;
    const UserGroupByte normalised = NormaliseUserGroupByte(params.db(index), index == 0);
    params.db(index) = normalised.text;
    params.dbd(index) = normalised.decimal;
}

void NormaliseUserGroupBytes(TStationParams& params)
{
    for (int i = 0; i < kUserGroupBytes; ++i) DBExit(params, i);
}

std::uint8_t UserGroupByteValue(std::string_view text)
{
    return static_cast<std::uint8_t>(HexTextValue(MakeHEX(text, 2)));
}

} // namespace quorvan
