// Alternative frequencies: checking the 15 rows of SGAF, their AF codes
// (EN 50067: code 1 = 87.6 MHz ... 204 = 107.9 MHz) and the entry logic of
// the list and its entry field.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "content/station_params.h"

namespace quorvan {

inline constexpr int kAFCodeMin = 1;    // 87.6 MHz
inline constexpr int kAFCodeMax = 204;  // 107.9 MHz
inline constexpr std::size_t kAFEntryMaxLength = 5;

// AF code of one row text, or nullopt when the row is invalid:
//  - fewer than 2 or more than 5 characters: invalid (an empty row included);
//  - the first '.' counts as the decimal separator, as does `decimalSeparator`;
//  - any other character that is not a digit counts as '0' ("1O7.9" is 107.9);
//  - more than one separator, or one that is not second-to-last: invalid;
//  - frequency in tenths of a MHz must lie in 876..1079; code = tenths - 875.
std::optional<int> AFCode(std::string_view text, char decimalSeparator = '.');
// AF code of a frequency from outside the program (the network): digits, at
// most one '.' and then exactly one digit, in 87.6..107.9; nothing else.
std::optional<int> StrictAFCode(std::string_view text);

struct AFList {
    int count = 0;                      // valid rows, 0..15
    std::array<std::uint8_t, kAFRows> codes{}; // codes[0..count-1] in row order, rest 0
    bool operator==(const AFList&) const = default;
};

// Checks the rows, closes up the list in place (invalid rows removed, valid
// rows keep their exact text and order, freed rows at the bottom empty) and
// returns the count and codes. Send calls it before writing the AF data.
AFList MakeAFList(std::array<std::string, kAFRows>& rows, char decimalSeparator = '.');
inline AFList MakeAFList(TStationParams& params, char decimalSeparator = '.')
{
    return MakeAFList(params.program.SGAF, decimalSeparator);
}

// Row text for a received AF code: (code + 875) / 10 with one decimal
// ("87.6"); "" for a code outside 1..204.
std::string AFFrequencyText(int code, char decimalSeparator = '.');

// The 204 items of the entry field's drop-down: 87.6 ... 107.9.
std::vector<std::string> AFFrequencyItems(char decimalSeparator = '.');

// Keys that, typed while the list has the focus, start an entry (KeyInList):
// the digits, '.' and the system's decimal separator.
bool AFStartsEntry(char key, char decimalSeparator = '.');

// Row after `row` (0-based) when Enter is pressed in the entry field: after
// the last row comes the first.
int AFNextRow(int row);

// The entry behaviour of the AF list and its entry field, free of widgets.
// The GUI forwards its events and mirrors currentRow(), entryText() and
// entryHasFocus() back onto the widgets.
class AFEditor {
public:
    explicit AFEditor(std::array<std::string, kAFRows>& rows, char decimalSeparator = '.');

    // A row was clicked or became current (mouse, keyboard or program):
    // the entry field shows its text. Out-of-range rows are clamped.
    void SelectRow(int row);
    // A character typed while the list has the focus. A digit, '.' or the
    // decimal separator moves the focus to the entry field and replaces its
    // text by that character (the row keeps its text until the next change
    // in the entry field). Returns true when the key was used.
    bool KeyInList(char key);
    // The operator changed the entry field's text (typing or choosing an
    // item): the text goes into the current row at once.
    void SetEntryText(const std::string& text);
    // A character typed in the entry field. Enter ('\r' or '\n') moves the
    // focus back to the list and selects the next row (15 wraps to 1); it is
    // swallowed (returns true). Other keys return false (the field handles them).
    bool KeyInEntry(char key);
    // The Delete key was released while the list has the focus: the entry
    // field and the current row become empty.
    void SGAFDeleteKeyUp();

    int currentRow() const { return row_; }
    const std::string& entryText() const { return entry_; }
    bool entryHasFocus() const { return entryFocus_; }
    // The caret position the entry field should show (after the text the program put there).
    std::size_t entryCaret() const { return entry_.size(); }

private:
    std::array<std::string, kAFRows>* rows_;
    char separator_;
    int row_ = 0;
    std::string entry_;
    bool entryFocus_ = false;
};

} // namespace quorvan
