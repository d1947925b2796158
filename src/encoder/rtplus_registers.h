// Writing the RT+ tags into the extension record of an encoder that has one
// (link.Extension, only the virtual encoder). A real encoder has none: on its
// link nothing is written at all, so its bus bytes stay those of the chip.
#pragma once

#include "content/rtplus.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"

#include <string>
#include <string_view>

namespace quorvan {

// Inside an operation (its claim held): the 7 register bytes into the
// record's RT+ registers. Never a bus byte; nothing without link.Extension or
// once the operation failed to reach its encoder (link.Failed()).
void WriteRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers);

// Inside an operation (its claim held): the record's eRT := `ert` (UTF-8),
// marked as following the radiotext. As WriteRTPlusRegisters: never a bus
// byte, nothing without link.Extension or once the operation failed.
void WriteErtFromRadiotext(TEncoderLink& link, const std::string& ert);

// The registers alone, as an operation of their own (a claim, no bus byte);
// Ready on a link without a record, NotReady when the claim failed.
Outcome SendRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers);

// Puts a new radiotext on air with the RT+ registers the station gives that
// text (rtplus::RegistersFor: its tags, or the item not running where it has
// none), so that the tags of an earlier text never stay on air with a new
// one. Every writer of a radiotext (the network lines, UECP, the text
// sources, the switching, quorvanctl rt) goes through here or passes the
// registers of the same call. With ERTFromRT the eRT follows the text
// (content/extended_text.h's ErtFollowsEncoderRadiotext: it stays where it
// already is this text in its own letters, as the caller set it from the text
// as it came) and goes into the record in the same operation. The radiotext
// update sequence of update_sequences.h; Ready or NotReady.
Outcome SendRadiotextWithTags(TEncoderLink& link, TStationParams& params, std::string_view text, int control);

} // namespace quorvan
