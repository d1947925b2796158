#include "rds/eon.h"

namespace quorvan::rds {

Group Group14A(const image::ImageBytes& ram, const OtherNetwork& on, int variant, std::uint16_t info)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 14, false) | (on.tp ? 0x10 : 0) | (variant & 0xF));
    g.blocks[2] = info;
    g.blocks[3] = on.pi;
    return g;
}

Group Group14APS(const image::ImageBytes& ram, const OtherNetwork& on, int variant)
{
    variant &= 3;
    auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(i < on.ps.size() ? on.ps[i] : ' '); };
    const std::size_t first = 2 * static_cast<std::size_t>(variant);
    return Group14A(ram, on, variant, static_cast<std::uint16_t>((at(first) << 8) | at(first + 1)));
}

Group Group14APtyTa(const image::ImageBytes& ram, const OtherNetwork& on)
{
    return Group14A(ram, on, kEonVariantPtyTa, static_cast<std::uint16_t>(((on.pty & 0x1F) << 11) | (on.ta ? 1 : 0)));
}

Group Group14B(const image::ImageBytes& ram, const OtherNetwork& on)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 14, true) | (on.tp ? 0x10 : 0) | (on.ta ? 0x08 : 0));
    g.blocks[2] = PIOf(ram);
    g.blocks[3] = on.pi;
    return g;
}

} // namespace quorvan::rds
