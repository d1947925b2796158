#include "content/countries.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quorvan {
namespace {

// EN 50067:1998 annex D, table D.1 (the European broadcasting area, with the
// Mediterranean and the former USSR), and the RDS Forum's allocations for
// Africa, the Americas (the RBDS area) and Asia-Pacific that IEC 62106-2
// annex D repeats. ECC, then the PI country nibble.
constexpr CountryCode kCountries[] = {
    {"Germany", "de", 0xE0, 0x1},
    {"Algeria", "dz", 0xE0, 0x2},
    {"Andorra", "ad", 0xE0, 0x3},
    {"Israel", "il", 0xE0, 0x4},
    {"Italy", "it", 0xE0, 0x5},
    {"Belgium", "be", 0xE0, 0x6},
    {"Russia", "ru", 0xE0, 0x7},
    {"Palestine", "ps", 0xE0, 0x8},
    {"Albania", "al", 0xE0, 0x9},
    {"Austria", "at", 0xE0, 0xA},
    {"Hungary", "hu", 0xE0, 0xB},
    {"Malta", "mt", 0xE0, 0xC},
    {"Germany", "de", 0xE0, 0xD},
    {"Egypt", "eg", 0xE0, 0xF},
    {"Greece", "gr", 0xE1, 0x1},
    {"Cyprus", "cy", 0xE1, 0x2},
    {"San Marino", "sm", 0xE1, 0x3},
    {"Switzerland", "ch", 0xE1, 0x4},
    {"Jordan", "jo", 0xE1, 0x5},
    {"Finland", "fi", 0xE1, 0x6},
    {"Luxembourg", "lu", 0xE1, 0x7},
    {"Bulgaria", "bg", 0xE1, 0x8},
    {"Denmark", "dk", 0xE1, 0x9},
    {"Gibraltar", "gi", 0xE1, 0xA},
    {"Iraq", "iq", 0xE1, 0xB},
    {"United Kingdom", "gb", 0xE1, 0xC},
    {"Libya", "ly", 0xE1, 0xD},
    {"Romania", "ro", 0xE1, 0xE},
    {"France", "fr", 0xE1, 0xF},
    {"Morocco", "ma", 0xE2, 0x1},
    {"Czechia", "cz", 0xE2, 0x2},
    {"Poland", "pl", 0xE2, 0x3},
    {"Vatican City", "va", 0xE2, 0x4},
    {"Slovakia", "sk", 0xE2, 0x5},
    {"Syria", "sy", 0xE2, 0x6},
    {"Tunisia", "tn", 0xE2, 0x7},
    {"Liechtenstein", "li", 0xE2, 0x9},
    {"Iceland", "is", 0xE2, 0xA},
    {"Monaco", "mc", 0xE2, 0xB},
    {"Lithuania", "lt", 0xE2, 0xC},
    {"Serbia", "rs", 0xE2, 0xD},
    {"Spain", "es", 0xE2, 0xE},
    {"Norway", "no", 0xE2, 0xF},
    {"Montenegro", "me", 0xE3, 0x1},
    {"Ireland", "ie", 0xE3, 0x2},
    {"Turkey", "tr", 0xE3, 0x3},
    {"North Macedonia", "mk", 0xE3, 0x4},
    {"Tajikistan", "tj", 0xE3, 0x5},
    {"Netherlands", "nl", 0xE3, 0x8},
    {"Latvia", "lv", 0xE3, 0x9},
    {"Lebanon", "lb", 0xE3, 0xA},
    {"Azerbaijan", "az", 0xE3, 0xB},
    {"Croatia", "hr", 0xE3, 0xC},
    {"Kazakhstan", "kz", 0xE3, 0xD},
    {"Sweden", "se", 0xE3, 0xE},
    {"Belarus", "by", 0xE3, 0xF},
    {"Moldova", "md", 0xE4, 0x1},
    {"Estonia", "ee", 0xE4, 0x2},
    {"Kyrgyzstan", "kg", 0xE4, 0x3},
    {"Ukraine", "ua", 0xE4, 0x6},
    {"Kosovo", "xk", 0xE4, 0x7},
    {"Portugal", "pt", 0xE4, 0x8},
    {"Slovenia", "si", 0xE4, 0x9},
    {"Armenia", "am", 0xE4, 0xA},
    {"Uzbekistan", "uz", 0xE4, 0xB},
    {"Georgia", "ge", 0xE4, 0xC},
    {"Turkmenistan", "tm", 0xE4, 0xE},
    {"Bosnia and Herzegovina", "ba", 0xE4, 0xF},
    {"Cameroon", "cm", 0xD0, 0x1},
    {"Central African Republic", "cf", 0xD0, 0x2},
    {"Djibouti", "dj", 0xD0, 0x3},
    {"Madagascar", "mg", 0xD0, 0x4},
    {"Mali", "ml", 0xD0, 0x5},
    {"Angola", "ao", 0xD0, 0x6},
    {"Equatorial Guinea", "gq", 0xD0, 0x7},
    {"Gabon", "ga", 0xD0, 0x8},
    {"Guinea", "gn", 0xD0, 0x9},
    {"South Africa", "za", 0xD0, 0xA},
    {"Burkina Faso", "bf", 0xD0, 0xB},
    {"Congo", "cg", 0xD0, 0xC},
    {"Togo", "tg", 0xD0, 0xD},
    {"Benin", "bj", 0xD0, 0xE},
    {"Malawi", "mw", 0xD0, 0xF},
    {"Namibia", "na", 0xD1, 0x1},
    {"Liberia", "lr", 0xD1, 0x2},
    {"Ghana", "gh", 0xD1, 0x3},
    {"Mauritania", "mr", 0xD1, 0x4},
    {"Sao Tome and Principe", "st", 0xD1, 0x5},
    {"Cabo Verde", "cv", 0xD1, 0x6},
    {"Senegal", "sn", 0xD1, 0x7},
    {"Gambia", "gm", 0xD1, 0x8},
    {"Burundi", "bi", 0xD1, 0x9},
    {"Botswana", "bw", 0xD1, 0xB},
    {"Comoros", "km", 0xD1, 0xC},
    {"Tanzania", "tz", 0xD1, 0xD},
    {"Ethiopia", "et", 0xD1, 0xE},
    {"Nigeria", "ng", 0xD1, 0xF},
    {"Sierra Leone", "sl", 0xD2, 0x1},
    {"Zimbabwe", "zw", 0xD2, 0x2},
    {"Mozambique", "mz", 0xD2, 0x3},
    {"Uganda", "ug", 0xD2, 0x4},
    {"Eswatini", "sz", 0xD2, 0x5},
    {"Kenya", "ke", 0xD2, 0x6},
    {"Somalia", "so", 0xD2, 0x7},
    {"Niger", "ne", 0xD2, 0x8},
    {"Chad", "td", 0xD2, 0x9},
    {"Guinea-Bissau", "gw", 0xD2, 0xA},
    {"DR Congo", "cd", 0xD2, 0xB},
    {"Cote d'Ivoire", "ci", 0xD2, 0xC},
    {"Zambia", "zm", 0xD2, 0xE},
    {"Western Sahara", "eh", 0xD3, 0x3},
    {"Rwanda", "rw", 0xD3, 0x5},
    {"Lesotho", "ls", 0xD3, 0x6},
    {"Seychelles", "sc", 0xD3, 0x8},
    {"Mauritius", "mu", 0xD3, 0xA},
    {"Sudan", "sd", 0xD3, 0xC},
    {"United States", "us", 0xA0, 0x1},
    {"United States", "us", 0xA0, 0x2},
    {"United States", "us", 0xA0, 0x3},
    {"United States", "us", 0xA0, 0x4},
    {"United States", "us", 0xA0, 0x5},
    {"United States", "us", 0xA0, 0x6},
    {"United States", "us", 0xA0, 0x7},
    {"United States", "us", 0xA0, 0x8},
    {"United States", "us", 0xA0, 0x9},
    {"United States", "us", 0xA0, 0xA},
    {"United States", "us", 0xA0, 0xB},
    {"United States", "us", 0xA0, 0xD},
    {"United States", "us", 0xA0, 0xE},
    {"Canada", "ca", 0xA1, 0xB},
    {"Canada", "ca", 0xA1, 0xC},
    {"Canada", "ca", 0xA1, 0xD},
    {"Canada", "ca", 0xA1, 0xE},
    {"Greenland", "gl", 0xA1, 0xF},
    {"Anguilla", "ai", 0xA2, 0x1},
    {"Antigua and Barbuda", "ag", 0xA2, 0x2},
    {"Ecuador", "ec", 0xA2, 0x3},
    {"Falkland Islands", "fk", 0xA2, 0x4},
    {"Barbados", "bb", 0xA2, 0x5},
    {"Belize", "bz", 0xA2, 0x6},
    {"Cayman Islands", "ky", 0xA2, 0x7},
    {"Costa Rica", "cr", 0xA2, 0x8},
    {"Cuba", "cu", 0xA2, 0x9},
    {"Argentina", "ar", 0xA2, 0xA},
    {"Brazil", "br", 0xA2, 0xB},
    {"Bermuda", "bm", 0xA2, 0xC},
    {"Netherlands Antilles", "an", 0xA2, 0xD},
    {"Guadeloupe", "gp", 0xA2, 0xE},
    {"Bahamas", "bs", 0xA2, 0xF},
    {"Bolivia", "bo", 0xA3, 0x1},
    {"Colombia", "co", 0xA3, 0x2},
    {"Jamaica", "jm", 0xA3, 0x3},
    {"Martinique", "mq", 0xA3, 0x4},
    {"French Guiana", "gf", 0xA3, 0x5},
    {"Paraguay", "py", 0xA3, 0x6},
    {"Nicaragua", "ni", 0xA3, 0x7},
    {"Panama", "pa", 0xA3, 0x9},
    {"Dominica", "dm", 0xA3, 0xA},
    {"Dominican Republic", "do", 0xA3, 0xB},
    {"Chile", "cl", 0xA3, 0xC},
    {"Grenada", "gd", 0xA3, 0xD},
    {"Turks and Caicos Islands", "tc", 0xA3, 0xE},
    {"Guyana", "gy", 0xA3, 0xF},
    {"Guatemala", "gt", 0xA4, 0x1},
    {"Honduras", "hn", 0xA4, 0x2},
    {"Aruba", "aw", 0xA4, 0x3},
    {"Montserrat", "ms", 0xA4, 0x5},
    {"Trinidad and Tobago", "tt", 0xA4, 0x6},
    {"Peru", "pe", 0xA4, 0x7},
    {"Suriname", "sr", 0xA4, 0x8},
    {"Uruguay", "uy", 0xA4, 0x9},
    {"Saint Kitts and Nevis", "kn", 0xA4, 0xA},
    {"Saint Lucia", "lc", 0xA4, 0xB},
    {"El Salvador", "sv", 0xA4, 0xC},
    {"Haiti", "ht", 0xA4, 0xD},
    {"Venezuela", "ve", 0xA4, 0xE},
    {"Mexico", "mx", 0xA5, 0xB},
    {"Saint Vincent and the Grenadines", "vc", 0xA5, 0xC},
    {"Mexico", "mx", 0xA5, 0xD},
    {"Mexico", "mx", 0xA5, 0xE},
    {"Mexico", "mx", 0xA5, 0xF},
    {"Saint Pierre and Miquelon", "pm", 0xA6, 0xF},
    {"Australia", "au", 0xF0, 0x1},
    {"Australia", "au", 0xF0, 0x2},
    {"Australia", "au", 0xF0, 0x3},
    {"Australia", "au", 0xF0, 0x4},
    {"Australia", "au", 0xF0, 0x5},
    {"Australia", "au", 0xF0, 0x6},
    {"Australia", "au", 0xF0, 0x7},
    {"Australia", "au", 0xF0, 0x8},
    {"Saudi Arabia", "sa", 0xF0, 0x9},
    {"Afghanistan", "af", 0xF0, 0xA},
    {"Myanmar", "mm", 0xF0, 0xB},
    {"China", "cn", 0xF0, 0xC},
    {"North Korea", "kp", 0xF0, 0xD},
    {"Bahrain", "bh", 0xF0, 0xE},
    {"Malaysia", "my", 0xF0, 0xF},
    {"Kiribati", "ki", 0xF1, 0x1},
    {"Bhutan", "bt", 0xF1, 0x2},
    {"Bangladesh", "bd", 0xF1, 0x3},
    {"Pakistan", "pk", 0xF1, 0x4},
    {"Fiji", "fj", 0xF1, 0x5},
    {"Oman", "om", 0xF1, 0x6},
    {"Nauru", "nr", 0xF1, 0x7},
    {"Iran", "ir", 0xF1, 0x8},
    {"New Zealand", "nz", 0xF1, 0x9},
    {"Solomon Islands", "sb", 0xF1, 0xA},
    {"Brunei", "bn", 0xF1, 0xB},
    {"Sri Lanka", "lk", 0xF1, 0xC},
    {"Taiwan", "tw", 0xF1, 0xD},
    {"South Korea", "kr", 0xF1, 0xE},
    {"Hong Kong", "hk", 0xF1, 0xF},
    {"Kuwait", "kw", 0xF2, 0x1},
    {"Qatar", "qa", 0xF2, 0x2},
    {"Cambodia", "kh", 0xF2, 0x3},
    {"Samoa", "ws", 0xF2, 0x4},
    {"India", "in", 0xF2, 0x5},
    {"Macao", "mo", 0xF2, 0x6},
    {"Vietnam", "vn", 0xF2, 0x7},
    {"Philippines", "ph", 0xF2, 0x8},
    {"Japan", "jp", 0xF2, 0x9},
    {"Singapore", "sg", 0xF2, 0xA},
    {"Maldives", "mv", 0xF2, 0xB},
    {"Indonesia", "id", 0xF2, 0xC},
    {"United Arab Emirates", "ae", 0xF2, 0xD},
    {"Nepal", "np", 0xF2, 0xE},
    {"Vanuatu", "vu", 0xF2, 0xF},
    {"Laos", "la", 0xF3, 0x1},
    {"Thailand", "th", 0xF3, 0x2},
    {"Tonga", "to", 0xF3, 0x3},
    {"Papua New Guinea", "pg", 0xF3, 0x9},
    {"Yemen", "ye", 0xF3, 0xB},
    {"Micronesia", "fm", 0xF3, 0xE},
    {"Mongolia", "mn", 0xF3, 0xF},
};

// EN 50067:1998 annex J: 0x00 not known, 0x01..0x2B the European languages,
// 0x40 background sound or clean feed, 0x45..0x7F the other languages
// counted down from 0x7F. The other codes are not allocated.
constexpr LanguageCode kLanguages[] = {
    {0x00, "Unknown"},
    {0x01, "Albanian"},
    {0x02, "Breton"},
    {0x03, "Catalan"},
    {0x04, "Croatian"},
    {0x05, "Welsh"},
    {0x06, "Czech"},
    {0x07, "Danish"},
    {0x08, "German"},
    {0x09, "English"},
    {0x0A, "Spanish"},
    {0x0B, "Esperanto"},
    {0x0C, "Estonian"},
    {0x0D, "Basque"},
    {0x0E, "Faroese"},
    {0x0F, "French"},
    {0x10, "Frisian"},
    {0x11, "Irish"},
    {0x12, "Gaelic"},
    {0x13, "Galician"},
    {0x14, "Icelandic"},
    {0x15, "Italian"},
    {0x16, "Sami"},
    {0x17, "Latin"},
    {0x18, "Latvian"},
    {0x19, "Luxembourgish"},
    {0x1A, "Lithuanian"},
    {0x1B, "Hungarian"},
    {0x1C, "Maltese"},
    {0x1D, "Dutch"},
    {0x1E, "Norwegian"},
    {0x1F, "Occitan"},
    {0x20, "Polish"},
    {0x21, "Portuguese"},
    {0x22, "Romanian"},
    {0x23, "Romansh"},
    {0x24, "Serbian"},
    {0x25, "Slovak"},
    {0x26, "Slovene"},
    {0x27, "Finnish"},
    {0x28, "Swedish"},
    {0x29, "Turkish"},
    {0x2A, "Flemish"},
    {0x2B, "Walloon"},
    {0x40, "Background sound"},
    {0x45, "Zulu"},
    {0x46, "Vietnamese"},
    {0x47, "Uzbek"},
    {0x48, "Urdu"},
    {0x49, "Ukrainian"},
    {0x4A, "Thai"},
    {0x4B, "Telugu"},
    {0x4C, "Tatar"},
    {0x4D, "Tamil"},
    {0x4E, "Tajik"},
    {0x4F, "Swahili"},
    {0x50, "Sranan Tongo"},
    {0x51, "Somali"},
    {0x52, "Sinhalese"},
    {0x53, "Shona"},
    {0x54, "Serbo-Croat"},
    {0x55, "Ruthenian"},
    {0x56, "Russian"},
    {0x57, "Quechua"},
    {0x58, "Pashto"},
    {0x59, "Punjabi"},
    {0x5A, "Persian"},
    {0x5B, "Papiamento"},
    {0x5C, "Oriya"},
    {0x5D, "Nepali"},
    {0x5E, "Ndebele"},
    {0x5F, "Marathi"},
    {0x60, "Moldavian"},
    {0x61, "Malay"},
    {0x62, "Malagasy"},
    {0x63, "Macedonian"},
    {0x64, "Lao"},
    {0x65, "Korean"},
    {0x66, "Khmer"},
    {0x67, "Kazakh"},
    {0x68, "Kannada"},
    {0x69, "Japanese"},
    {0x6A, "Indonesian"},
    {0x6B, "Hindi"},
    {0x6C, "Hebrew"},
    {0x6D, "Hausa"},
    {0x6E, "Guarani"},
    {0x6F, "Gujarati"},
    {0x70, "Greek"},
    {0x71, "Georgian"},
    {0x72, "Fulani"},
    {0x73, "Dari"},
    {0x74, "Chuvash"},
    {0x75, "Chinese"},
    {0x76, "Burmese"},
    {0x77, "Bulgarian"},
    {0x78, "Bengali"},
    {0x79, "Belarusian"},
    {0x7A, "Bambara"},
    {0x7B, "Azerbaijani"},
    {0x7C, "Assamese"},
    {0x7D, "Armenian"},
    {0x7E, "Arabic"},
    {0x7F, "Amharic"},
};

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x))
                   == std::tolower(static_cast<unsigned char>(y));
           });
}

bool ByName(const CountryCode& a, const CountryCode& b) { return a.name < b.name; }

} // namespace

std::span<const CountryCode> CountryTable() { return kCountries; }

std::string_view CountryName(std::uint8_t ecc, std::uint8_t piNibble)
{
    for (const CountryCode& c : kCountries)
        if (c.ecc == ecc && c.nibble == piNibble)
            return c.name;
    return {};
}

std::vector<CountryCode> Countries()
{
    std::vector<CountryCode> out;
    for (const CountryCode& c : kCountries)
        if (std::none_of(out.begin(), out.end(), [&](const CountryCode& o) { return o.iso == c.iso; }))
            out.push_back(c);
    std::sort(out.begin(), out.end(), ByName);
    return out;
}

std::vector<CountryCode> CountriesWithNibble(std::uint8_t piNibble)
{
    std::vector<CountryCode> out;
    for (const CountryCode& c : kCountries)
        if (c.nibble == piNibble
            && std::none_of(out.begin(), out.end(), [&](const CountryCode& o) { return o.iso == c.iso; }))
            out.push_back(c);
    std::sort(out.begin(), out.end(), ByName);
    return out;
}

std::optional<std::uint8_t> EccFor(std::string_view country)
{
    for (const CountryCode& c : kCountries)
        if (SameText(c.name, country) || SameText(c.iso, country))
            return c.ecc;
    return std::nullopt;
}

std::span<const LanguageCode> Languages() { return kLanguages; }

std::string_view LanguageName(std::uint8_t lic)
{
    for (const LanguageCode& l : kLanguages)
        if (l.code == lic)
            return l.name;
    return {};
}

} // namespace quorvan
