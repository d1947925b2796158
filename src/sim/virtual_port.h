// The virtual encoder wired to a port: on a parallel port's data register
// (value 8 clock, 16 data out) and status register (value 32 data in), or on
// a serial port's RTS (clock), DTR (data out) and CTS (data in).
#pragma once

#include "link/port_io.h"
#include "sim/virtual_encoder.h"

namespace quorvan {

class VirtualParallelPort final : public PortIo {
public:
    VirtualParallelPort(VirtualEncoder& encoder, std::int32_t baseAddress)
        : encoder_(encoder), base_(baseAddress)
    {
    }
    void write(std::int32_t address, std::uint8_t value) override;
    // The status register: bit 5 is the data line; the other bits read 0.
    // Any other register reads 0xFF.
    std::uint8_t read(std::int32_t address) override;
    std::int32_t baseAddress() const { return base_; }

private:
    VirtualEncoder& encoder_;
    std::int32_t base_;
};

class VirtualSerialLines final : public SerialLines {
public:
    explicit VirtualSerialLines(VirtualEncoder& encoder) : encoder_(encoder) {}
    void setDTR(bool on) override { encoder_.setData(on); }
    void setRTS(bool on) override { encoder_.setClock(on); }
    bool cts() override { return encoder_.dataLine(); }

private:
    VirtualEncoder& encoder_;
};

} // namespace quorvan
