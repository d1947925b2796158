// Taking one line out of a text-source file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace quorvan {

// "Read from" of a source (RGD1L, RGR1L).
enum class ReadFrom { FirstLine = 0, LastLine = 1 };

// The longest line taken: a longer line yields only its first this many
// bytes (fewer when the cut would fall inside a UTF-8 character: the cut
// goes before it, so that a UTF-8 line stays valid UTF-8). Nothing a source
// feeds is ever longer than 72 characters, so nothing useful is lost, and a
// file without line feeds cannot fill memory.
inline constexpr std::size_t kMaxSourceLine = 64 * 1024;

// Shortens `text` to at most `max` bytes; where the cut would split a UTF-8
// character (the byte after it continues one), it goes before that
// character. A Latin-1 text loses at most three more bytes.
void cutAtCharacter(std::string& text, std::size_t max);

// Reads one line of the file at `path`. A line feed ends a line; a carriage
// return is never part of a line; a byte 0x1A ends the file. FirstLine gives
// the first line (empty for an empty file); LastLine the last line with at
// least one character (blanks count), or the empty text when there is none.
// LastLine streams through the file with a small buffer; it never holds the
// file in memory.
//
// Only a regular file is read, and it is opened without blocking, so that a
// FIFO, device or socket put in its place can never hang the caller. Nothing
// comes back when the file cannot be opened or read or is not a regular file.
std::optional<std::string> readSourceLine(const std::string& path, ReadFrom from);

} // namespace quorvan
