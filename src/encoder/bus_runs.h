// Transactions on the encoder's image, built from the link's primitives.
//
// An operator-visible operation is opened by SendStart(true) ("Sending
// data...", AckMissing cleared) and closed by SendStop(true) ("Ready" or
// "!Ready"); transactions inside it are separated by SendStop(false) and
// SendStart(false), so the status and AckMissing span the whole operation.
#pragma once

#include "encoder/operation.h"
#include "link/encoder_link.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvan {

using ByteRun = std::vector<std::uint8_t>;

// Where a transaction stands in its operation.
enum class Opens : bool { Continues = false, Operation = true };
enum class Closes : bool { Continues = false, Operation = true };

// start, 0xD6, address, data..., stop.
void WriteRun(TEncoderLink& link, Opens opens, std::uint8_t address, const ByteRun& data, Closes closes);

// A whole operation of one transaction.
Outcome WriteOperation(TEncoderLink& link, std::uint8_t address, const ByteRun& data);

// How the operation just closed by SendStop(true) ended.
Outcome ClosedOutcome(const TEncoderLink& link);

// The bytes of a text as the encoder takes them: one byte per character, no re-coding.
void AppendText(ByteRun& run, std::string_view text);

// Opens a read: start, 0xD6, address, repeated start, 0xD7. Returns false
// when the address check fails; the operation has then been closed with
// SendStop(true) ("!Ready").
bool OpenRead(TEncoderLink& link, Opens opens, std::uint8_t address);

} // namespace quorvan
