// The encoder commands against the virtual encoder: a real TEncoderLink on a
// virtual parallel (or serial) port, a manual clock that only moves when
// something sleeps on it, and helpers to read the chip's RAM as hex.
#pragma once

#include "encoder/operation.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "sim/virtual_encoder.h"
#include "sim/virtual_port.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::test {

using Bytes = std::vector<std::uint8_t>;

// "D6 10 41" -> {0xD6, 0x10, 0x41}
Bytes Hex(const std::string& spaced);
// {0xD6, 0x10} -> "D6 10"
std::string HexText(const Bytes& bytes);
// n copies of a byte, as hex text: Fill("20", 3) -> "20 20 20"
std::string Fill(const std::string& byte, int n);
// The bytes of a text as hex.
std::string TextHex(const std::string& text);

// A parallel port on the virtual encoder that keeps a picture of the RAM
// after every stop condition (one per transaction), and can switch the chip
// off once it has seen a given number of stops: an encoder that stops
// answering in the middle of an operation.
class WatchPort final : public PortIo {
public:
    WatchPort(VirtualEncoder& encoder, std::int32_t base, const Clock& clock)
        : encoder_(encoder), port_(encoder, base), clock_(clock)
    {
    }
    void write(std::int32_t address, std::uint8_t value) override;
    std::uint8_t read(std::int32_t address) override { return ok() ? port_.read(address) : 0xFF; }
    bool ok() const override { return writes_ < vanishAfterWrites; }
    std::string error() const override { return ok() ? "" : "port vanished"; }

    std::uint32_t dieAfterStops = UINT32_MAX;       // the chip switches off
    std::uint64_t vanishAfterWrites = UINT64_MAX;   // the port itself goes away
    std::vector<std::array<std::uint8_t, 256>> afterStop;
    std::vector<std::int64_t> stopTimes;            // clock at each stop, msec of day
    std::uint64_t writes() const { return writes_; }

private:
    VirtualEncoder& encoder_;
    VirtualParallelPort port_;
    const Clock& clock_;
    std::uint64_t writes_ = 0;
};

enum class Wiring { Parallel, Serial };

struct EncoderRig {
    explicit EncoderRig(Wiring wiring = Wiring::Parallel);

    EncoderContext context(bool guarded = true);
    // RAM as a read sees it.
    std::string ram(int address, int count) const;
    std::string ramText(int address, int count) const;
    // The RT+ registers of the encoder's extension record, as hex.
    std::string rtPlus() const;
    // The link reaches the encoder's extension record, as on a virtual port.
    void withRecord() { link.Extension = &encoder; }
    void dieAfterStops(std::uint32_t n) { port.dieAfterStops = encoder.stops() + n; }
    // RAM after the n-th transaction (0-based) seen since the rig was made.
    std::string ramAfter(std::size_t n, int address, int count) const;
    std::size_t transactions() const { return port.afterStop.size(); }

    ManualTime time{DateTime{2024, 5, 10, 12, 0, 0, 0}};
    VirtualEncoder encoder;
    WatchPort port{encoder, 888, time};
    VirtualSerialLines serial{encoder};
    TEncoderLink link{time};
    OperationGuard guard;
};

} // namespace quorvan::test
