// Trimming and cutting the line taken from a text-source file.
#pragma once

#include <string>

namespace quorvan {

// Removes trailing blanks (0x20) while the text is longer than one
// character; a text of exactly one blank becomes empty. Leading blanks stay.
std::string trimSourceText(std::string text);

// Removes `beginning` characters at the start and `end` characters at the
// end (Cut characters from: Beginning / End); the text becomes empty when
// nothing would remain. Negative counts count as 0.
std::string cutSourceText(const std::string& text, int beginning, int end);
// The same on a UTF-8 text, counting characters.
std::string cutSourceTextUtf8(const std::string& text, int beginning, int end);

} // namespace quorvan
