// Rewriting the radiotext or the dynamic PS of the running encoder without a
// full Send (radiotext switching, text sources, quorvanctl rt/dps). The
// enabling byte is cleared together with the new content and written with
// its real value last, so the encoder never transmits half a text.
#pragma once

#include "content/rtplus.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"

#include <string>
#include <string_view>

namespace quorvan {

// Radiotext update, one operation of two transactions:
//   start, 0xD6, 0x1F, 0x00, the 64 radiotext bytes, stop (continues);
//   start, 0xD6, 0x1F, control, stop (ends).
// `text` is cut to 64 characters and filled with spaces to 64; `control` is
// the radiotext control byte (bit 0 enabled, bit 1 type B; callers pass
// 2 x type + 1, see RadiotextUpdateControl). Returns Ready or NotReady.
// With `rtPlus`, on a link to an encoder with extension registers, the RT+
// registers are written between the two (start, 0xD6, 0xC0, 7 bytes, stop).
// With `ert` (UTF-8), on such a link, the record's eRT becomes it in the same
// operation (never a bus byte): eRT follows the radiotext (ERTFromRT).
Outcome SendRadiotextUpdate(TEncoderLink& link, std::string_view text, int control,
                            const rtplus::Registers* rtPlus = nullptr, const std::string* ert = nullptr);

// Dynamic PS update, one operation of two transactions:
//   start, 0xD6, 0x76, 0x00, the text bytes (at most 72), 0x20, stop (continues);
//   start, 0xD6, 0x76, length, stop (ends).
// The text is cut to 72 characters; the length byte is `length` limited to
// the characters actually written (0..72), so the encoder never runs past the
// text into the closing space or older bytes. Returns Ready or NotReady.
Outcome SendDynamicPSUpdate(TEncoderLink& link, std::string_view text, int length);
// The same with the length of the (cut) text.
Outcome SendDynamicPSUpdate(TEncoderLink& link, std::string_view text);

} // namespace quorvan
