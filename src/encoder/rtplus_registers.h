// Writing the RT+ tags into the extension registers of an encoder that has
// them. A real encoder has none: on its link nothing is written at all, so
// its bus bytes stay those of the chip.
#pragma once

#include "content/rtplus.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"

#include <string_view>

namespace quorvan {

// Inside an operation: start, 0xD6, 0xC0, the 7 register bytes, stop (the
// operation continues). Nothing unless link.ExtensionRegisters.
void WriteRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers);

// Puts a new radiotext on air with the RT+ registers the station gives that
// text (rtplus::RegistersFor: its tags, or the item not running where it has
// none), so that the tags of an earlier text never stay on air with a new
// one. Every writer of a radiotext (the network lines, UECP, the text
// sources, the switching, quorvanctl rt) goes through here or passes the
// registers of the same call. The radiotext update sequence of
// update_sequences.h; Ready or NotReady.
Outcome SendRadiotextWithTags(TEncoderLink& link, const TStationParams& params, std::string_view text, int control);

} // namespace quorvan
