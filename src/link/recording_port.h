// Ports that append every access to a text stream, one per line:
// "W <value>" for a data-register write, "R <value>" for a status-register
// read, "RTS 0|1", "DTR 0|1", "CTS 0|1" for the serial lines.
#pragma once

#include "link/port_io.h"

#include <ostream>

namespace quorvan {

class RecordingPortIo final : public PortIo {
public:
    RecordingPortIo(PortIo& inner, std::ostream& out) : inner_(inner), out_(out) {}
    void write(std::int32_t address, std::uint8_t value) override;
    std::uint8_t read(std::int32_t address) override;
    bool ok() const override { return inner_.ok(); }
    std::string error() const override { return inner_.error(); }

private:
    PortIo& inner_;
    std::ostream& out_;
};

class RecordingSerialLines final : public SerialLines {
public:
    RecordingSerialLines(SerialLines& inner, std::ostream& out) : inner_(inner), out_(out) {}
    void setDTR(bool on) override;
    void setRTS(bool on) override;
    bool cts() override;
    bool ok() const override { return inner_.ok(); }
    std::string error() const override { return inner_.error(); }

private:
    SerialLines& inner_;
    std::ostream& out_;
};

} // namespace quorvan
