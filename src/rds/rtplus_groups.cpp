#include "rds/rtplus_groups.h"

namespace quorvan::rds {

Group GroupRTPlus3A(const image::ImageBytes& ram)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    // EN 50067:1998, 3.1.5.4: application group type code in bits 4-0 of block 2.
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 3, false) | (kRTPlusGroupType << 1));
    g.blocks[2] = 0x0000;  // R06/040_1, 4.1: message bits, no template
    g.blocks[3] = kRTPlusAID;
    return g;
}

Group GroupRTPlus11A(const image::ImageBytes& ram, const rtplus::Registers& r, bool itemToggle)
{
    // R06/040_1, 4.2: the tags with their lengths as "length marker" (length - 1).
    const bool running = (r[0] & rtplus::kControlRunning) != 0;
    const unsigned type1 = running ? r[1] & 0x3F : 0, start1 = running ? r[2] & 0x3F : 0, len1 = running ? r[3] & 0x3F : 0;
    const unsigned type2 = running ? r[4] & 0x3F : 0, start2 = running ? r[5] & 0x3F : 0, len2 = running ? r[6] & 0x1F : 0;
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, kRTPlusGroupType, false) | (itemToggle ? 0x10 : 0) |
                                             (running ? 0x08 : 0) | (type1 >> 3));
    g.blocks[2] = static_cast<std::uint16_t>(((type1 & 7) << 13) | (start1 << 7) | (len1 << 1) | (type2 >> 5));
    g.blocks[3] = static_cast<std::uint16_t>(((type2 & 0x1F) << 11) | (start2 << 5) | len2);
    return g;
}

} // namespace quorvan::rds
