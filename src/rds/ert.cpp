#include "rds/ert.h"

#include "rds/rtplus_groups.h"

namespace quorvan::rds {

Group Group3A(const image::ImageBytes& ram, int groupType, bool versionB, std::uint16_t message, std::uint16_t aid)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    // EN 50067:1998, 3.1.5.4: application group type code in bits 4-0 of block 2.
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 3, false) | ((groupType & 0xF) << 1) | (versionB ? 1 : 0));
    g.blocks[2] = message;
    g.blocks[3] = aid;
    return g;
}

Group GroupErt(const image::ImageBytes& ram, int segment, const std::array<std::uint8_t, 4>& bytes)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, kErtGroupType, false) | (segment & 0x1F));
    g.blocks[2] = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    g.blocks[3] = static_cast<std::uint16_t>((bytes[2] << 8) | bytes[3]);
    return g;
}

Group GroupErtPlus(const image::ImageBytes& ram, const rtplus::Registers& registers, bool itemToggle)
{
    Group g = GroupRTPlus11A(ram, registers, itemToggle);
    g.blocks[1] = static_cast<std::uint16_t>((g.blocks[1] & 0x0FFF) | (kErtPlusGroupType << 12));
    return g;
}

} // namespace quorvan::rds
