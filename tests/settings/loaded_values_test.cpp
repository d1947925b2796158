// Settings values their fields cannot hold, corrected at load with a note
// each; and the radiotext A/B toggle, on in a new file and off in an older one.
#include "content/charset.h"
#include "settings/loaded_values.h"
#include "settings/settings_test_util.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

TEST(LoadedValues, PIIsCorrectedAsTheStartUpRuleWouldAndSaidWhy)
{
    const auto corrected = [](const std::string& pi) {
        TStationParams p;
        p.program.PI = pi;
        const std::vector<std::string> notes = CorrectLoadedValues(p);
        return p.program.PI + " | " + (notes.empty() ? "" : notes[0]);
    };
    EXPECT_EQ(corrected("D3C2"), "D3C2 | ");
    EXPECT_EQ(corrected("ZZZZ"), "FFFF | PI 'ZZZZ' is not hexadecimal; FFFF used");
    EXPECT_EQ(corrected("12345"), "2345 | PI '12345' is not 4 hexadecimal digits; 2345 used");
    EXPECT_EQ(corrected("12"), "0012 | PI '12' is not 4 hexadecimal digits; 0012 used");
    EXPECT_EQ(corrected("d3c2"), "F3F2 | PI 'd3c2' is not in capitals; F3F2 used");
}

TEST(LoadedValues, AFRowsSendWouldDropAndTextsTooLongForTheirField)
{
    TStationParams p;
    p.preferences.CBCHARSET = static_cast<int>(Charset::Rds);
    p.program.SGAF[0] = "200";
    p.program.SGAF[1] = "98,5";
    p.program.SGAF[2] = "98.5";
    p.program.PSDEF = EncodeText("ŽIŽKOV RADIO", Charset::Rds);
    p.radiotext.RT3 = std::string(70, 'x');
    const std::vector<std::string> notes = CorrectLoadedValues(p, ',');
    EXPECT_EQ(p.program.SGAF[0], "");
    EXPECT_EQ(p.program.SGAF[1], "98,5");  // the operator's decimal separator
    EXPECT_EQ(p.program.SGAF[2], "98.5");
    EXPECT_EQ(p.program.PSDEF, EncodeText("ŽIŽKOV R", Charset::Rds));
    EXPECT_EQ(p.radiotext.RT3, std::string(64, 'x'));
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[1], "DefaultPS 'ŽIŽKOV RADIO' is longer than 8 characters; 'ŽIŽKOV R' used");
    EXPECT_EQ(notes[2].substr(0, 12), "Radiotext13 ");
    EXPECT_EQ(LoadedValuesNotice({"a", "b"}), "settings: a, b");
    EXPECT_EQ(LoadedValuesNotice({}), "");
}

TEST(SettingsToggleAB, OnInANewFileOffInAnOlderOne)
{
    EXPECT_TRUE(loadedFrom("").params.radiotext.ToggleAB);
    EXPECT_FALSE(loadedFrom(crlf("[Config]\nTop=10\n")).params.radiotext.ToggleAB);
    EXPECT_TRUE(loadedFrom(crlf("[Radiotext]\nToggleAB=1\n")).params.radiotext.ToggleAB);
    const SettingsValues fresh;
    EXPECT_NE(savedOver("", fresh).find("\r\nToggleAB=1\r\n"), std::string::npos);
}

} // namespace
} // namespace quorvan::test
