// The extension record as quorvanctl prints it (receive, virtual-dump): one
// "Name: value" line for each [Extended] key whose value is set, by the key
// table's own writers, then what only the record holds.
#include "cli/cli.h"

#include "settings/settings_keys.h"

#include <cstdio>
#include <cstring>

namespace quorvan::cli {

namespace {

// Keys whose value is a text: quoted, so that blanks at its ends show.
bool IsTextKey(const char* key)
{
    const std::size_t n = std::strlen(key);
    return std::strcmp(key, "PTYN") == 0 || std::strcmp(key, "LongPS") == 0 || std::strcmp(key, "ERT") == 0 ||
           (n > 2 && std::strcmp(key + n - 2, "PS") == 0 && std::strncmp(key, "EON", 3) == 0);
}

} // namespace

void PrintExtendedValues(std::ostream& out, const ExtendedValues& values)
{
    const ExtendedValues none;
    for (const SettingKey& key : settingKeys()) {
        if (key.type != SettingType::Extended || !key.format)
            continue;
        const std::string text = key.format(values);
        if (text == key.format(none))
            continue;
        out << key.key << ": " << (IsTextKey(key.key) ? QuotedLine(text) : text) << '\n';
    }
    for (int n = 0; n < kOtherNetworks; ++n)
        if (values.eon[size_t(n)].ta)
            out << "EON" << n + 1 << "TA: 1\n";
}

void PrintExtensionRecord(std::ostream& out, const ExtensionRecord& record)
{
    PrintExtendedValues(out, record.values);
    if (record.rtPlus != rtplus::Registers{}) {
        out << "RT+ registers:";
        for (const std::uint8_t b : record.rtPlus) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", b);
            out << hex;
        }
        out << '\n';
    }
    if (record.rdsLevelTenths)
        out << "RDS level: " << FormatTenths(record.rdsLevelTenths) << " %\n";
    if (record.rdsPhaseTenths)
        out << "RDS phase: " << FormatTenths(record.rdsPhaseTenths) << " degrees\n";
}

} // namespace quorvan::cli
