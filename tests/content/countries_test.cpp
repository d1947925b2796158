// The ECC and language tables against entries of EN 50067 annexes D and J.
#include "content/countries.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorvan {
namespace {

TEST(Countries, NamesFromEccAndNibble)
{
    EXPECT_EQ(CountryName(0xE0, 0xD), "Germany");
    EXPECT_EQ(CountryName(0xE0, 0x1), "Germany");
    EXPECT_EQ(CountryName(0xE1, 0xC), "United Kingdom");
    EXPECT_EQ(CountryName(0xE1, 0xF), "France");
    EXPECT_EQ(CountryName(0xE0, 0x5), "Italy");
    EXPECT_EQ(CountryName(0xE0, 0xA), "Austria");
    EXPECT_EQ(CountryName(0xE1, 0x4), "Switzerland");
    EXPECT_EQ(CountryName(0xE2, 0xE), "Spain");
    EXPECT_EQ(CountryName(0xE3, 0x8), "Netherlands");
    EXPECT_EQ(CountryName(0xE4, 0x8), "Portugal");
    EXPECT_EQ(CountryName(0xE0, 0x7), "Russia");
    EXPECT_EQ(CountryName(0xE4, 0x6), "Ukraine");
    EXPECT_EQ(CountryName(0xA0, 0x1), "United States");
    EXPECT_EQ(CountryName(0xA0, 0xB), "United States");
    EXPECT_EQ(CountryName(0xA1, 0xC), "Canada");
    EXPECT_EQ(CountryName(0xA5, 0xF), "Mexico");
    EXPECT_EQ(CountryName(0xF0, 0x1), "Australia");
    EXPECT_EQ(CountryName(0xF2, 0x9), "Japan");
    EXPECT_EQ(CountryName(0xF0, 0xC), "China");
    EXPECT_EQ(CountryName(0xD0, 0xA), "South Africa");
    // Pairs the table leaves free, and an ECC that is none.
    EXPECT_EQ(CountryName(0xE0, 0xE), "");
    EXPECT_EQ(CountryName(0xA0, 0xC), "");
    EXPECT_EQ(CountryName(0x00, 0xD), "");
    EXPECT_EQ(CountryName(0xE1, 0x0), "");
}

TEST(Countries, TableHasOneCountryPerPairAndValidCodes)
{
    std::set<int> pairs;
    for (const CountryCode& c : CountryTable()) {
        EXPECT_TRUE(pairs.insert(c.ecc << 4 | c.nibble).second)
            << std::hex << int(c.ecc) << "/" << int(c.nibble) << " twice";
        EXPECT_GE(c.nibble, 1) << c.name;
        EXPECT_LE(c.nibble, 15) << c.name;
        const int area = c.ecc >> 4;
        EXPECT_TRUE(area == 0xA || area == 0xD || area == 0xE || area == 0xF) << c.name;
        EXPECT_EQ(c.iso.size(), 2u) << c.name;
        EXPECT_FALSE(c.name.empty());
    }
}

TEST(Countries, PickerListsAndEccForCountry)
{
    const auto all = Countries();
    ASSERT_FALSE(all.empty());
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_LT(all[i - 1].name, all[i].name) << "sorted, each country once";
    int usa = 0;
    for (const CountryCode& c : all)
        usa += c.iso == "us";
    EXPECT_EQ(usa, 1);

    const auto withD = CountriesWithNibble(0xD);
    std::set<std::string> names;
    for (const CountryCode& c : withD) {
        EXPECT_EQ(c.nibble, 0xD);
        names.insert(std::string(c.name));
    }
    EXPECT_TRUE(names.count("Germany"));
    EXPECT_TRUE(names.count("Serbia"));
    EXPECT_FALSE(names.count("France"));

    EXPECT_EQ(EccFor("Germany"), 0xE0);
    EXPECT_EQ(EccFor("united kingdom"), 0xE1);
    EXPECT_EQ(EccFor("FR"), 0xE1);
    EXPECT_EQ(EccFor("us"), 0xA0);
    EXPECT_EQ(EccFor("Japan"), 0xF2);
    EXPECT_EQ(EccFor("Atlantis"), std::nullopt);
}

TEST(Languages, CodesOfAnnexJ)
{
    EXPECT_EQ(LanguageName(0x00), "Unknown");
    EXPECT_EQ(LanguageName(0x08), "German");
    EXPECT_EQ(LanguageName(0x09), "English");
    EXPECT_EQ(LanguageName(0x0A), "Spanish");
    EXPECT_EQ(LanguageName(0x0F), "French");
    EXPECT_EQ(LanguageName(0x15), "Italian");
    EXPECT_EQ(LanguageName(0x1D), "Dutch");
    EXPECT_EQ(LanguageName(0x2B), "Walloon");
    EXPECT_EQ(LanguageName(0x40), "Background sound");
    EXPECT_EQ(LanguageName(0x45), "Zulu");
    EXPECT_EQ(LanguageName(0x56), "Russian");
    EXPECT_EQ(LanguageName(0x70), "Greek");
    EXPECT_EQ(LanguageName(0x75), "Chinese");
    EXPECT_EQ(LanguageName(0x7E), "Arabic");
    EXPECT_EQ(LanguageName(0x7F), "Amharic");
    EXPECT_EQ(LanguageName(0x2C), "");
    EXPECT_EQ(LanguageName(0x44), "");
    EXPECT_EQ(LanguageName(0x80), "");

    const auto list = Languages();
    EXPECT_EQ(list.size(), 1u + 0x2B + 1u + (0x7F - 0x45 + 1));
    for (std::size_t i = 1; i < list.size(); ++i)
        EXPECT_LT(list[i - 1].code, list[i].code);
}

} // namespace
} // namespace quorvan
