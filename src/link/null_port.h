// Backends for a port that cannot be reached: nothing is written, reads float
// high, and ok() is false so that every operation on the port ends "!Ready".
#pragma once

#include "link/port_io.h"

#include <string>
#include <utility>

namespace quorvan {

class NullPortIo final : public PortIo {
public:
    explicit NullPortIo(std::string reason = "no port") : reason_(std::move(reason)) {}
    void write(std::int32_t, std::uint8_t) override {}
    std::uint8_t read(std::int32_t) override { return 0xFF; }
    bool ok() const override { return false; }
    std::string error() const override { return reason_; }

private:
    std::string reason_;
};

class NullSerialLines final : public SerialLines {
public:
    explicit NullSerialLines(std::string reason = "no port") : reason_(std::move(reason)) {}
    void setDTR(bool) override {}
    void setRTS(bool) override {}
    bool cts() override { return true; }
    bool ok() const override { return false; }
    std::string error() const override { return reason_; }

private:
    std::string reason_;
};

} // namespace quorvan
