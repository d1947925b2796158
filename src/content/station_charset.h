// Switching the station's character set: every station text keeps its
// characters; what the new set lacks becomes "?" (or, for the RDS set, its
// transliteration). The encoder is not touched: it changes with the next
// Send or update.
#pragma once

#include <string>

#include "content/charset.h"
#include "content/station_params.h"

namespace quorvan {

// Re-encodes PSDEF, the DPS1 rows, DPS1B, RT1..RT4, the prefixes ED1PR and
// ER1PR and the fill character ECUSCH from CBCHARSET into `to`, and sets
// CBCHARSET. Nothing changes when `to` is the set already in force.
void ChangeCharset(TStationParams& params, Charset to);

// A remembered text-source text (DPSFromFile, RTFromFile) for the set `to`:
// in the RDS set the UTF-8 the source line is read as, in Latin-1 the line's
// bytes as they stand (the same bytes for a UTF-8 file).
std::string SourceTextInCharset(const std::string& text, Charset to);

} // namespace quorvan
