// Dynamic PS: the text handed to the encoder, the mode 0 grid, the
// justification of a text into 8-character labels, and the enable rules.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "content/station_params.h"

namespace quorvan {

inline constexpr std::size_t kDPSMaxLength = 72;  // characters the encoder takes
inline constexpr std::size_t kDPSLabelLength = 8;

// ---- text for the encoder ---------------------------------------------------

// The dynamic PS text Send writes (at most 72 characters; its length is the
// length byte). Modes 1 to 3: DPS1B. Mode 0: the DPS1 rows up to the last
// non-empty one, each cut to 8 characters (also in params.dynamicPs.DPS1) and filled
// with spaces to 8; empty rows before it count as 8 spaces; all rows empty
// gives "". (The mode rule keeps the DPS1B label enabled exactly while
// RGDPS1M is not 0, so the mode decides.)
std::string DynamicPSText(TStationParams& params);

// ---- mode 0 grid typing -------------------------------------------------------

struct DPS1KeyResult {
    bool accepted;  // false: the key is swallowed
    int row;        // the row (0..8) that holds the focus afterwards
};
// KeyInDpsRow: Enter ('\r' or '\n') moves to the next row (row 9 wraps to
// row 1) and is swallowed; backspace ('\b') always passes; any other key is
// swallowed while the row already holds 8 or more characters.
DPS1KeyResult KeyInDpsRow(char key, int row, std::string_view rowText);

// ---- justification ------------------------------------------------------------

enum class DPSJustification { None = 0, Left = 1, Center = 2 };

struct DPSJustifyOptions {
    DPSJustification justification = DPSJustification::Center;
    // The custom fill character; nullopt when "Space" is chosen or the custom
    // character is empty (no fill step then).
    std::optional<char> fill;
};

// Options from the "Text Sources" page: the justification chosen (none
// chosen justifies as None); fill = first character of ECUSCH when the custom character is chosen.
DPSJustifyOptions DPSJustifyOptionsOf(const TStationParams& params);

// The mode 0 form of a text: word alignment (Left/Center), centring
// (Center), fill with the custom character, and the length limit (a text
// longer than 72 becomes its first 69 characters and "..."). Takes any bytes.
std::string DPSJustify(std::string_view text, const DPSJustifyOptions& options);

// Splits a justified text into the nine DPS1 rows: row r gets characters
// r*8+1 .. r*8+8 (fewer, or none, where the text is shorter).
std::array<std::string, kDPS1Rows> DPSRowsFromText(std::string_view text);

// A new text from the dynamic PS source: DPS1B := text, DPS1 := the rows of
// DPSJustify(text) with the page's justification options.
void SetDynamicPSFromFile(TStationParams& params, std::string_view text);

// ---- enable rules -------------------------------------------------------------

struct DPSEnabledState {
    bool rows;  // DPS1 grid
    bool text;  // DPS1B
};
// DpsFieldsForMode: mode 0 enables the "Mode 0:" label and DPS1, disables the
// "Mode 1, 2, 3 or From file:" label and DPS1B; modes 1..3 the reverse.
// The labels follow `text` for the second label and `rows` for the first.
DPSEnabledState DpsFieldsForMode(int mode);
// DpsFieldsForSource: both fields disabled while DPS1EN and CBD1FF are both on,
// both enabled otherwise (labels untouched).
DPSEnabledState DpsFieldsForSource(bool DPS1EN, bool CBD1FF);

} // namespace quorvan
