// Reading one text source: find the file, take its line, trim and cut it.
#pragma once

#include "content/charset.h"
#include "sources/line_reader.h"
#include "sources/source_search.h"

#include <optional>
#include <string>

namespace quorvan {

// What a source is told on the "Text Sources" page (ED1F/RGD1L/SED1BE/SED1EN
// for dynamic PS, ER1F/RGR1L/SER1BE/SER1EN for radiotext).
struct TextSourceSetup {
    std::string file;                     // a file name or a mask
    ReadFrom readFrom = ReadFrom::LastLine;
    int cutBeginning = 0;                 // 0..63
    int cutEnd = 0;                       // 0..63
    // Latin-1: the line's bytes as they stand, cut by bytes. RDS: the line read
    // as UTF-8 (as Latin-1 when it is not valid UTF-8; a byte-order mark
    // skipped), trimmed and cut by characters; the text comes back as UTF-8.
    Charset charset = Charset::Latin1;
};

// The most of a source text that is kept: more than the longest text the
// encoder takes (72 characters, prefix included) even at three UTF-8 bytes a
// character. The rest could never go on air; the text is remembered in the
// settings file, which must not grow with what a source feeds.
inline constexpr std::size_t kMaxSourceText = 256;

// The text of a source after trimming and cutting, at most kMaxSourceText
// bytes (cut before a character, never inside one). No matching file gives the
// empty text. Nothing comes back when the matching file could not be opened
// or read (it vanished, it is not readable, a read error): the source is
// skipped until the next tick.
std::optional<std::string> readTextSource(const TextSourceSetup& setup, const std::string& exeDirectory,
                                          const SourceFileSystem& fs);

} // namespace quorvan
