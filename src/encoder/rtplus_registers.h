// Writing the RT+ tags into the extension registers of an encoder that has
// them. A real encoder has none: on its link nothing is written at all, so
// its bus bytes stay those of the chip.
#pragma once

#include "content/rtplus.h"
#include "link/encoder_link.h"

namespace quorvan {

// Inside an operation: start, 0xD6, 0xC0, the 7 register bytes, stop (the
// operation continues). Nothing unless link.ExtensionRegisters.
void WriteRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers);

} // namespace quorvan
