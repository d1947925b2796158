// Radiotext: which of the four texts is current, its A/B type, the control
// value, and the automatic switching between the non-empty texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "content/station_params.h"

namespace quorvan {

inline constexpr std::size_t kRadiotextLength = 64;

// Index 0..3 of the current radiotext (the first radio button that is on),
// or -1 when no button is on.
int ActualRTIndex(const TStationParams& params);
// The current radiotext; "" when no button is on.
std::string ActualRT(const TStationParams& params);
// Type index of the current radiotext (0 "A", 1 "B"); 0 when no button is on.
// A type index outside 0..1 counts as "A".
int ActualRTType(const TStationParams& params);

// Makes radiotext `index` (0..3) current: its button on, the others off.
void SelectRadiotext(TStationParams& params, int index);

// A radiotext as the encoder takes it: cut to 64 and filled with spaces to 64.
std::string RadiotextBytes(std::string_view text);

// The radiotext control value Send writes: bit 0 from CBRTEN, bit 1 set for type "B".
int RadiotextControl(const TStationParams& params);
// The control value of a switching tick or a text-source update: type x 2 + 1.
inline int RadiotextUpdateControl(int type) { return (type == 1 ? 2 : 0) + 1; }

// The radiotext the encoder transmits, as far as this program knows it: the
// 64 bytes and the A/B type (0 A, 1 B) it last wrote or read back; no bytes
// when it is unknown (a fresh start).
struct RadiotextOnAir {
    std::optional<std::string> bytes;
    int type = 0;
    bool operator==(const RadiotextOnAir&) const = default;
};

// The type (0 A, 1 B) a new radiotext goes out with, and the encoder's
// radiotext as it will be afterwards in `onAir`. `text` is cut and filled to
// the 64 bytes as the update writes them; `chosenType` is the type the
// operator chose for it. With `toggleAB` (the ToggleAB setting) a text that
// differs from the one on air takes the other A/B flag than the one on air,
// so that receivers clear their display before showing it (EN 50067:1998,
// 3.1.5.3); the same text again keeps the flag. Without `toggleAB`, or with
// nothing known on air, the chosen type stands.
int RadiotextTypeFor(RadiotextOnAir& onAir, bool toggleAB, std::string_view text, int chosenType);
// The control byte of the update sequence that puts `text` on air: every
// writer of a new radiotext (text sources, the network, quorvanctl rt) goes
// through here, with the station's ToggleAB.
inline int NewRadiotextControl(const TStationParams& params, RadiotextOnAir& onAir, std::string_view text,
                               int chosenType)
{
    return RadiotextUpdateControl(RadiotextTypeFor(onAir, params.radiotext.ToggleAB, text, chosenType));
}

// The switching tick's choice: advancing 1->2->3->4->1 from the
// current text, the first non-empty text found within three advances; nullopt
// when only the starting text (or none) is non-empty: nothing is written and
// the current text stays. With no button on, the first non-empty text of
// 1..4 is chosen.
std::optional<int> NextRadiotext(const TStationParams& params);
// Runs the tick's choice on the record: selects the chosen text and returns
// true when it must be written to the encoder (with RadiotextUpdateControl(
// ActualRTType(params))); returns false and changes nothing otherwise.
bool AdvanceRadiotext(TStationParams& params);

// The radiotext switching timer runs exactly while RTSA ("Send next after:")
// and CBRTEN ("Enabled") are both on.
inline bool RadiotextSwitchingRuns(const TStationParams& params) { return params.radiotext.RTSA && params.radiotext.CBRTEN; }

// The switching period in milliseconds (30 s at 0, otherwise
// minutes x 60 s; the value is clamped to 0..240) and the unit text
// (".5 min" at 0, "min" otherwise).
int RadiotextSwitchPeriodMs(int minutes);
std::string RadiotextSwitchUnitText(int minutes);

} // namespace quorvan
