// The direct encoder controls: one short write each, acting at once, without
// the one-second guard and without touching LastOperationTime.
#pragma once

#include "content/station_params.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"

namespace quorvan {

// "Reset": 0xD6, 0x71, 0x52. The encoder takes its data from its EEPROM.
// The window asks "Reset the RDS encoder?" first and calls this only on Yes.
Outcome BRESETClick(TEncoderLink& link);
// "Switch Off": 0xD6, 0x71, 0x30 (RDS carrier off).
Outcome BSWOFFClick(TEncoderLink& link);
// "Switch On": 0xD6, 0x71, 0x31 (RDS carrier on).
Outcome BSWONClick(TEncoderLink& link);

// "Traffic Announcement": toggles params.TA, then writes 0xD6, 0x0E and the
// new state (0x01 or 0x00). TA is not set back when the write fails.
Outcome BSETTAClick(TEncoderLink& link, TStationParams& params);
// The write alone: 0xD6, 0x0E, 0x01 or 0x00 (quorvanctl ta on|off).
Outcome SendTrafficAnnouncement(TEncoderLink& link, bool on);

// Clock source rule (RGCSClick): the phase shift and PLL range controls are
// enabled only with "Auto (stereo)". Nothing is sent.
inline bool RGCSClick(const TStationParams& params) { return params.RGCS == 1; }

inline constexpr const char* kResetQuestion = "Reset the RDS encoder?";

} // namespace quorvan
