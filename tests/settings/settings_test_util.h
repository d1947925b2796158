// Helpers for the settings tests: files written as readable text.
#pragma once

#include "settings/settings_file.h"

#include <string>

namespace quorvan::test {

// The text with every LF turned into CR LF, the way the program writes files.
inline std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// The values the window holds after loading `fileText` over its initial values.
inline SettingsValues loadedFrom(const std::string& fileText, SettingsValues start = {})
{
    loadSettings(IniFile::parse(fileText), start);
    return start;
}

// The file a save of `values` produces from `fileText`.
inline std::string savedOver(const std::string& fileText, const SettingsValues& values)
{
    IniFile doc = IniFile::parse(fileText);
    storeSettings(values, doc);
    return doc.serialize();
}

} // namespace quorvan::test
