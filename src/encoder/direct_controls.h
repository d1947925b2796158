// The direct encoder controls: one short write each, acting at once, without
// the one-second guard and without touching LastOperationTime.
#pragma once

#include "content/station_params.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"

namespace quorvan {

// "Reset": 0xD6, 0x71, 0x52. The encoder takes its data from its EEPROM.
// The window asks "Reset the RDS encoder?" first and calls this only on Yes.
Outcome Reset(TEncoderLink& link);
// "Switch On" / "Switch Off": 0xD6, 0x71, 0x31 (RDS carrier on) or 0x30 (off).
Outcome SetCarrier(TEncoderLink& link, bool on);

// "Traffic Announcement": toggles params.program.TA, then writes 0xD6, 0x0E and the
// new state (0x01 or 0x00). TA is not set back when the write fails.
Outcome ToggleTrafficAnnouncement(TEncoderLink& link, TStationParams& params);
// The write alone: 0xD6, 0x0E, 0x01 or 0x00 (quorvanctl ta on|off).
Outcome SetTrafficAnnouncement(TEncoderLink& link, bool on);

// Clock source: true with "Internal (mono)", false with "Auto (stereo)". The
// phase shift and PLL range controls are enabled only while it is false.
// Nothing is sent.
inline bool UsesInternalClock(int clockSource) { return clockSource == 0; }
inline bool UsesInternalClock(const TStationParams& params) { return UsesInternalClock(params.system.RGCS); }

inline constexpr const char* kResetQuestion = "Reset the RDS encoder?";

} // namespace quorvan
