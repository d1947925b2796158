// The two narrow hardware interfaces under the encoder link.
//
// PortIo reaches the parallel-port registers by I/O address: the data register
// at the port's base address and the status register at base + 1. SerialLines
// switches the modem-control lines of one open serial port and reads its CTS
// input. Backends live in linux_parallel.h, linux_serial.h, null_port.h and, for
// the virtual encoder, sim/virtual_port.h.
#pragma once

#include <cstdint>
#include <string>

namespace quorvan {

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void write(std::int32_t address, std::uint8_t value) = 0;
    // A register that cannot be reached reads 0xFF: a floating bus reads high.
    virtual std::uint8_t read(std::int32_t address) = 0;
    // False while the port cannot be reached (never opened, or lost since).
    // Writes then do nothing and reads return 0xFF; error() names the cause.
    virtual bool ok() const { return true; }
    virtual std::string error() const { return {}; }
};

class SerialLines {
public:
    virtual ~SerialLines() = default;
    virtual void setDTR(bool on) = 0;
    virtual void setRTS(bool on) = 0;
    // True when the CTS input is on. A lost port reads high (nothing pulls it low).
    virtual bool cts() = 0;
    virtual bool ok() const { return true; }
    virtual std::string error() const { return {}; }
};

} // namespace quorvan
