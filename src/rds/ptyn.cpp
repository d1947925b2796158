#include "rds/ptyn.h"

namespace quorvan::rds {

Group Group10A(const image::ImageBytes& ram, const std::string& ptyn, int segment, bool abFlag)
{
    segment &= 1;
    auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(i < ptyn.size() ? ptyn[i] : ' '); };
    const std::size_t first = 4 * static_cast<std::size_t>(segment);
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 10, false) | (abFlag ? 0x10 : 0) | segment);
    g.blocks[2] = static_cast<std::uint16_t>((at(first) << 8) | at(first + 1));
    g.blocks[3] = static_cast<std::uint16_t>((at(first + 2) << 8) | at(first + 3));
    return g;
}

} // namespace quorvan::rds
