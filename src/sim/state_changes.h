// What one operation did to the virtual encoder, as its monitor names it:
// every RAM byte that changed (the status byte as a read sees it), every
// EEPROM byte, the carrier, the power and a clock-time latch, and apart from
// those the addresses written again with the value they already held.
// It only compares; it never changes an encoder.
#pragma once

#include "sim/virtual_encoder.h"

#include <array>
#include <cstdint>
#include <string>

namespace quorvan {

struct EncoderChange {
    std::string changed;   // "0x67..0x6C, EEPROM 0x00..0xBF, clock time latched"; "" for nothing
    std::string unchanged; // written with the value held before: "0x71"; "" for none
};

// `before`/`after` are two readings of one encoder (its state and its write
// counts); a reading taken after another program's state was loaded only
// shows what differs.
EncoderChange CompareEncoderStates(const EncoderState& before, const std::array<std::uint32_t, 256>& writesBefore,
                                   const EncoderState& after, const std::array<std::uint32_t, 256>& writesAfter);

// "0x6B, clock time latched (written unchanged: 0x67..0x6A)", "nothing".
std::string ChangeText(const EncoderChange& change);

} // namespace quorvan
