#include "rds/blocks.h"

namespace quorvan::rds {

std::uint16_t CheckWord(std::uint16_t info, std::uint16_t offset)
{
    // Long division of info(x) * x^10 by g(x), highest power first
    // (EN 50067:1998, B.1). Four blocks a group, 11.4 groups a second: a table
    // would save nothing.
    std::uint32_t r = std::uint32_t{info} << 10;
    for (int bit = 25; bit >= 10; --bit)
        if (r & (1u << bit))
            r ^= std::uint32_t{kGeneratorPolynomial} << (bit - 10);
    return static_cast<std::uint16_t>((r ^ offset) & 0x3FF);
}

std::uint32_t Block(std::uint16_t info, std::uint16_t offset)
{
    return (std::uint32_t{info} << 10) | CheckWord(info, offset);
}

std::array<std::uint32_t, 4> GroupBlocks(const Group& group)
{
    return {Block(group.blocks[0], kOffsetA), Block(group.blocks[1], kOffsetB),
            Block(group.blocks[2], group.versionB() ? kOffsetCPrime : kOffsetC), Block(group.blocks[3], kOffsetD)};
}

} // namespace quorvan::rds
