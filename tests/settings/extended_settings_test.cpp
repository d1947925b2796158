// Section Extended of the settings file: what only the software encoder sends.
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings_test_util.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(ExtendedSettings, AFileWithoutTheSectionStaysAsItIs)
{
    const std::string file = test::crlf("[Config]\nCharset=1\nPort=6\n[Radiotext]\nRT1=Hello\n");
    const SettingsValues loaded = test::loadedFrom(file);
    EXPECT_TRUE(NoneSet(loaded.params.extended));
    const std::string saved = test::savedOver(file, loaded);
    EXPECT_EQ(saved.find("[Extended]"), std::string::npos);
    EXPECT_EQ(test::savedOver(saved, test::loadedFrom(saved)), saved);
    // A new file gets no empty section either.
    EXPECT_EQ(test::savedOver("", SettingsValues{}).find("Extended"), std::string::npos);
}

TEST(ExtendedSettings, EveryKeyReadsBackInUtf8WhateverTheCharset)
{
    const std::string section = test::crlf(
        "[Extended]\nECC=E0\nLIC=08\nPIN=15 09:30\nPTYN=Jazzbär\nLongPS=Радио Кино\n"
        "ERT=Кино – Группа крови\nERTFromRT=1\nAFMethod=B\nAFB1=98.5: 87.6 101.2 104.1R\nAFB2=101.2: 98.5\n"
        "EON1PI=D3C4\nEON1PS=Partner\nEON1AF=87.6 95.0\nEON1PTY=10\nEON1TP=1\nEON8PI=1234\n"
        "GroupSequence=0A 2A 0A 1A 12A U\n");
    const std::string file = test::crlf("[Config]\nCharset=0\n") + section;
    const SettingsValues loaded = test::loadedFrom(file);
    const ExtendedValues& x = loaded.params.extended;
    EXPECT_EQ(x.ecc, 0xE0);
    EXPECT_EQ(x.lic, 0x08);
    EXPECT_EQ(x.pin, (ProgrammeItem{15, 9, 30}));
    EXPECT_EQ(x.ptyn, "Jazzb\x91r");  // the RDS table's code of "ä"
    EXPECT_EQ(x.longPs, "Радио Кино");
    EXPECT_EQ(x.ert, "Кино – Группа крови");
    EXPECT_TRUE(x.ertFromRt);
    EXPECT_EQ(x.afMethod, AfMethod::B);
    ASSERT_EQ(x.afB.size(), 2u);
    EXPECT_EQ(x.afB[1].tuned, 137);
    EXPECT_EQ(x.eon[0].pi, 0xD3C4);
    EXPECT_EQ(x.eon[0].ps, "Partner");
    EXPECT_EQ(x.eon[0].af, (std::vector<std::uint8_t>{1, 75}));
    EXPECT_EQ(x.eon[0].pty, 10);
    EXPECT_TRUE(x.eon[0].tp);
    EXPECT_EQ(x.eon[7].pi, 0x1234);
    EXPECT_EQ(x.groupSequence.size(), 6u);

    // Saved and loaded again, the values are the same, and so is the file.
    const std::string saved = test::savedOver(file, loaded);
    EXPECT_EQ(test::loadedFrom(saved).params.extended, x);
    EXPECT_NE(saved.find(section), std::string::npos) << saved;
}

TEST(ExtendedSettings, AValueOutOfRangeIsSaidOnceAndLeftUnset)
{
    IniFile doc = IniFile::parse(test::crlf(
        "[Extended]\nECC=1G\nPIN=32 09:30\nEON2PTY=40\nGroupSequence=0A 2A 0A 1A 2A 0A 16A\nLIC=09\n"
        "LongPS=" + std::string(40, 'x') + "\n"));
    SettingsValues values;
    std::vector<std::string> warnings;
    for (const LoadedValue& v : loadSettings(doc, values))
        if (!v.warning.empty()) warnings.push_back(v.warning);
    EXPECT_EQ(values.params.extended.ecc, 0);
    EXPECT_EQ(values.params.extended.pin, std::nullopt);
    EXPECT_EQ(values.params.extended.eon[1].pty, 0);
    EXPECT_TRUE(values.params.extended.groupSequence.empty());
    EXPECT_EQ(values.params.extended.lic, 0x09);
    EXPECT_EQ(values.params.extended.longPs, std::string(32, 'x'));
    ASSERT_EQ(warnings.size(), 5u);
    EXPECT_EQ(warnings[0], "ECC: '1G' is not a code (hexadecimal 00..FF; empty or 00: not sent)");
    EXPECT_NE(warnings[1].find("PIN: '32 09:30'"), std::string::npos);
    EXPECT_EQ(warnings[2], "LongPS: cut to 32 bytes of UTF-8 at a character boundary (was 40)");
    EXPECT_EQ(warnings[3], "EON2PTY: '40' is out of range (0..31)");
    EXPECT_EQ(warnings[4],
              "GroupSequence: '16A' at place 7 is not a group type (0A 1A 2A 3A 4A 10A 11A 12A 14A 15A U)");

    // A refused value leaves the value it had.
    SettingsValues before;
    before.params.extended.ecc = 0xE0;
    loadSettings(IniFile::parse("[Extended]\r\nECC=XYZ\r\n"), before);
    EXPECT_EQ(before.params.extended.ecc, 0xE0);
}

} // namespace
} // namespace quorvan
