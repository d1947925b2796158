#include "rds/slow_labelling.h"

namespace quorvan::rds {

std::uint16_t PinBlock(const std::optional<ProgrammeItem>& pin)
{
    if (!pin)
        return 0;
    // IEC 62106-2, 6.2.2.5: 5 bits day, 5 bits hour, 6 bits minute.
    return static_cast<std::uint16_t>(((pin->day & 0x1F) << 11) | ((pin->hour & 0x1F) << 6) | (pin->minute & 0x3F));
}

Group Group1A(const image::ImageBytes& ram, int variant, std::uint16_t data, const std::optional<ProgrammeItem>& pin)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = Block2Head(ram, 1, false);  // EN 50067:1998, 3.1.5.2: paging bits 4-0 all 0
    // EN 50067:1998, 3.1.5.2: LA bit 15, variant code bits 14-12, data bits 11-0.
    g.blocks[2] = static_cast<std::uint16_t>(((variant & 7) << 12) | (data & 0x0FFF));
    g.blocks[3] = PinBlock(pin);
    return g;
}

} // namespace quorvan::rds
