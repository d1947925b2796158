#include "link/recording_port.h"

namespace quorvan {

void RecordingPortIo::write(std::int32_t address, std::uint8_t value)
{
    inner_.write(address, value);
    out_ << "W " << static_cast<unsigned>(value) << '\n';
}

std::uint8_t RecordingPortIo::read(std::int32_t address)
{
    const std::uint8_t value = inner_.read(address);
    out_ << "R " << static_cast<unsigned>(value) << '\n';
    return value;
}

void RecordingSerialLines::setDTR(bool on)
{
    inner_.setDTR(on);
    out_ << "DTR " << (on ? 1 : 0) << '\n';
}

void RecordingSerialLines::setRTS(bool on)
{
    inner_.setRTS(on);
    out_ << "RTS " << (on ? 1 : 0) << '\n';
}

bool RecordingSerialLines::cts()
{
    const bool on = inner_.cts();
    out_ << "CTS " << (on ? 1 : 0) << '\n';
    return on;
}

} // namespace quorvan
