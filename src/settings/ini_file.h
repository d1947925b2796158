// An INI document that keeps every line it does not know.
//
// The text is held line by line as it was read: comments (";"), blank lines,
// other sections, other keys, garbage lines, 8-bit bytes, NUL bytes and each
// line's own end (CR LF, LF or none on the last line) come back out of
// serialize() exactly as they went in. Only write() changes anything:
//
//  - a key that exists is updated in place (the text up to and including its
//    "=" is kept; the line is not touched at all when the value is unchanged);
//  - a missing key is added after the last key line of its section;
//  - a missing section is added at the end of the file.
//
// Section and key names match without regard to ASCII letter case. Reading
// finds the first occurrence: with duplicate sections they are searched in file
// order and within each the first key line wins; write() updates that same
// line, so a value read back after a write is the value written.
//
// Lines split at LF; a CR right before the LF belongs to the line end. New lines
// get the line end the file already uses (its first one), CR LF for a new file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvan {

class IniFile {
public:
    IniFile() = default;

    // Never fails: every byte sequence is some document.
    static IniFile parse(std::string_view bytes);

    // The whole document as bytes.
    std::string serialize() const;

    // The value of the first `key` of the first section named `section` that has
    // it, with blanks around it removed; nullopt when absent.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;

    // Sets `key` of `section` to `value` (written as given; callers encode it).
    // A value must not contain LF; any LF is written as a blank so that it can
    // never split the line.
    void write(std::string_view section, std::string_view key, std::string_view value);

    bool hasSection(std::string_view section) const;

    // The line end used for new lines.
    const std::string& newline() const { return newline_; }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text; // without its line end
        std::string eol;  // "\r\n", "\n" or "" (the last line only)
        Kind kind = Kind::Other;
        std::size_t valueStart = 0; // Key: offset just after '='
    };
    struct Section {
        std::string lowerName;                             // empty for the lines before any header
        std::vector<Line> lines;                           // header first (if any)
        std::unordered_map<std::string, std::size_t> keys; // lower-case key -> first line index
        std::size_t lastKeyLine = 0;                       // header or last key line
    };

    static Line classify(std::string text, std::string eol, std::string* name);
    void addLine(Line line, const std::string& name);
    const Line* find(std::string_view section, std::string_view key, Section** owner, std::size_t* index) const;
    void endLastLine();

    std::vector<Section> sections_;
    std::unordered_map<std::string, std::vector<std::size_t>> byName_; // lower-case name -> section indices
    std::string newline_ = "\r\n";
};

// ASCII-only lower case; bytes 0x80..0xFF are left alone.
std::string asciiLower(std::string_view s);

// Removes blanks (space, tab, CR, LF, VT, FF) from both ends.
std::string_view trimBlanks(std::string_view s);

} // namespace quorvan
