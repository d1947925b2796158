#include "sim/sim_rig.h"

#include <sstream>

namespace quorvan::test {

Bytes hex(const std::string& spaced)
{
    std::istringstream in(spaced);
    Bytes out;
    std::string w;
    while (in >> w)
        out.push_back(static_cast<std::uint8_t>(std::stoul(w, nullptr, 16)));
    return out;
}

SimRig::SimRig(PortKind kind)
{
    link.Timed = false;
    if (kind == PortKind::Parallel) {
        link.PortAddress = 888;
        link.setPortIo(&parallel);
    } else {
        link.PortAddress = 1;
        link.setSerialLines(&serial);
    }
    link.DriveIdle();
}

std::string SimRig::write(std::uint8_t address, const Bytes& bytes, std::uint8_t device)
{
    link.SendStart(true);
    link.SendByte(device);
    link.SendByte(address);
    for (std::uint8_t b : bytes)
        link.SendByte(b);
    link.SendStop(true);
    return link.StatusText();
}

Bytes SimRig::read(std::uint8_t address, int count)
{
    Bytes out;
    link.SendStart(true);
    link.SendByte(0xD6);
    link.SendByte(address);
    link.SendRestart();
    link.SendByte(0xD7);
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint8_t>(link.ReadByte(i == count - 1)));
    link.SendStop(true);
    return out;
}

} // namespace quorvan::test
