// Reads any bytes as a settings file, saves the loaded values over it and
// reads the result again: the values must come back the same, and saving a
// second time must not change the file.
#include "settings/settings_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

quorvan::SettingsValues started(const std::string& text)
{
    quorvan::SettingsValues v;
    quorvan::loadSettings(quorvan::IniFile::parse(text), v);
    // The start-up turns the stored button caption into the clock-time state.
    v.params.system.CTRunning = quorvan::ctStateStartsTransmission(v.window.CTState);
    v.window.CTState = quorvan::ctStateText(v.params.system.CTRunning);
    return v;
}

std::string saved(const std::string& text, const quorvan::SettingsValues& v)
{
    quorvan::IniFile doc = quorvan::IniFile::parse(text);
    quorvan::storeSettings(v, doc);
    return doc.serialize();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (quorvan::IniFile::parse(text).serialize() != text)
        std::abort();
    quorvan::SettingsValues first = started(text);
    std::string once = saved(text, first);
    if (!(started(once) == first))
        std::abort();
    if (saved(once, first) != once)
        std::abort();
    return 0;
}
