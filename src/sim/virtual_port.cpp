#include "sim/virtual_port.h"

namespace quorvan {

void VirtualParallelPort::write(std::int32_t address, std::uint8_t value)
{
    if (address != base_)
        return;
    encoder_.setLines((value & 8) != 0, (value & 16) != 0);
}

std::uint8_t VirtualParallelPort::read(std::int32_t address)
{
    if (address != base_ + 1)
        return 0xFF;
    return encoder_.dataLine() ? 32 : 0;
}

} // namespace quorvan
