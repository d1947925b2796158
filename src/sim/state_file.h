// The virtual encoder's state in a text file, so that successive runs of the
// program see one encoder. Written atomically (a temporary file, then rename);
// a damaged file is reported and left alone.
#pragma once

#include "sim/virtual_encoder.h"

#include <cstddef>
#include <string>

namespace quorvan {

enum class StateLoad { Loaded, Missing, Damaged };

// A state file is about 3.5 KB; a larger file is damaged, not read whole.
constexpr std::size_t kMaxStateFileBytes = 64 * 1024;

// Missing: the file does not exist (state is left as it was). Damaged: the file
// exists but cannot be read or is not a complete state; error names the cause.
StateLoad LoadEncoderState(const std::string& path, EncoderState& state, std::string& error);
// The file's text as it is, for a program that compares it with what it saw
// before; the same refusals as LoadEncoderState (not parsed).
StateLoad ReadEncoderStateText(const std::string& path, std::string& text, std::string& error);
// Where the state of `path` is saved: through a symbolic link, the file the
// link points to.
std::string EncoderStateTarget(const std::string& path);
bool SaveEncoderState(const std::string& path, const EncoderState& state, std::string& error);

std::string FormatEncoderState(const EncoderState& state);
bool ParseEncoderState(const std::string& text, EncoderState& state, std::string& error);

// "AA: HH HH ... HH", 12 lines for 0x00..0xBF, upper-case hexadecimal.
std::string DumpMemory(const std::array<std::uint8_t, 256>& memory);

} // namespace quorvan
