// Countries and languages of RDS: the extended country code (ECC, group 1A
// variant 0) that, together with the country nibble of the PI, names the
// station's country (EN 50067:1998 annex D, IEC 62106-2 annex D), and the
// language identification codes (LIC, group 1A variant 3; EN 50067:1998
// annex J).
//
// Plain lookup tables: this never reads a file at run time and never decides
// what goes on air.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorvan {

// One country of the ECC table: its English name, its ISO 3166 code (lower
// case), its ECC and the PI country nibble (1..15) it uses with it. A country
// with several nibbles (the United States, Canada, Mexico, Australia,
// Germany) has one entry per nibble.
struct CountryCode {
    std::string_view name;
    std::string_view iso;
    std::uint8_t ecc = 0;
    std::uint8_t nibble = 0;
};

// Every entry, area by area (Europe, Africa, the Americas, Asia-Pacific),
// then by ECC and nibble.
std::span<const CountryCode> CountryTable();

// The country an ECC and the PI's first nibble (pi >> 12) name; "" when the
// pair is not allocated.
std::string_view CountryName(std::uint8_t ecc, std::uint8_t piNibble);

// The countries for a picker: each country once (its first entry), in
// alphabetical order of the name.
std::vector<CountryCode> Countries();

// The countries that use a PI country nibble, alphabetical: what a picker
// offers for a given PI.
std::vector<CountryCode> CountriesWithNibble(std::uint8_t piNibble);

// The ECC of a country, by its name or its ISO code (either case);
// nullopt for a country the table does not hold.
std::optional<std::uint8_t> EccFor(std::string_view country);

// One language identification code and its English name.
struct LanguageCode {
    std::uint8_t code = 0;
    std::string_view name;
};

// Every allocated code (0x00 "Unknown", 0x01..0x2B, 0x40, 0x45..0x7F), code order.
std::span<const LanguageCode> Languages();

// The language of a code; "" for a code not allocated.
std::string_view LanguageName(std::uint8_t lic);

} // namespace quorvan
