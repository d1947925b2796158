// The real encoder link wired to the virtual encoder, on either port kind,
// with helpers that run whole write and read transactions.
#pragma once

#include "link/clock.h"
#include "link/encoder_link.h"
#include "sim/virtual_encoder.h"
#include "sim/virtual_port.h"

#include <string>
#include <vector>

namespace quorvan::test {

enum class PortKind { Parallel, Serial };

using Bytes = std::vector<std::uint8_t>;

// "D6 10 41 42" -> {0xD6, 0x10, 0x41, 0x42}
Bytes hex(const std::string& spaced);

struct SimRig {
    explicit SimRig(PortKind kind);
    // start(true), device byte, address, bytes, stop(true); returns the status text.
    std::string write(std::uint8_t address, const Bytes& bytes, std::uint8_t device = 0xD6);
    // start(true), 0xD6, address, restart, 0xD7, count reads, stop(true).
    Bytes read(std::uint8_t address, int count);

    ManualTime time;
    VirtualEncoder encoder;
    VirtualParallelPort parallel{encoder, 888};
    VirtualSerialLines serial{encoder};
    TEncoderLink link{time};
};

} // namespace quorvan::test
