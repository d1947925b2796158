// The character set in the settings file: which set a file is read in, and
// the station texts kept as UTF-8 in the RDS set, through Send and Receive.
#include "content/station_charset.h"
#include "encoder/encoder_rig.h"
#include "encoder/receive.h"
#include "encoder/send.h"
#include "settings/settings_file.h"
#include "settings/settings_test_util.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

std::string line(const std::string& file, const std::string& key)
{
    const std::size_t at = file.find("\r\n" + key + "=");
    if (at == std::string::npos) return "(none)";
    const std::size_t from = at + 2 + key.size() + 1;
    return file.substr(from, file.find("\r\n", from) - from);
}

TEST(SettingsCharset, NoFileMeansRdsAnOlderFileLatin1AndANewFileNamesIt)
{
    EXPECT_EQ(loadedFrom("").params.preferences.CBCHARSET, 1);
    EXPECT_EQ(loadedFrom(crlf("[Config]\nTop=10\n")).params.preferences.CBCHARSET, 0);
    EXPECT_EQ(loadedFrom(crlf("[Config]\nCharset=1\n")).params.preferences.CBCHARSET, 1);
    EXPECT_EQ(loadedFrom(crlf("[Config]\nCharset=7\n")).params.preferences.CBCHARSET, 0);

    SettingsValues fresh;
    EXPECT_EQ(line(savedOver("", fresh), "Charset"), "1");
    fresh.params.preferences.CBCHARSET = 0;
    EXPECT_EQ(line(savedOver("", fresh), "Charset"), "0");
}

TEST(SettingsCharset, AnOlderFileKeepsItsLatin1BytesAndGetsNoNewKey)
{
    const std::string older = crlf("[Config]\nTop=10\n\n[General]\nDefaultPS=\"K\xC4LL\"\n\n"
                                   "[Radiotext]\nRadiotext1=\"Caf\xE9 \x80\"\n");
    SettingsValues v = loadedFrom(older);
    EXPECT_EQ(v.params.preferences.CBCHARSET, 0);
    EXPECT_EQ(v.params.program.PSDEF, "K\xC4LL");
    EXPECT_EQ(v.params.radiotext.RT1, "Caf\xE9 \x80");
    const std::string saved = savedOver(older, v);
    EXPECT_EQ(line(saved, "Charset"), "(none)");
    EXPECT_EQ(line(saved, "DefaultPS"), "\"K\xC4LL\"");
    EXPECT_EQ(line(saved, "Radiotext1"), "\"Caf\xE9 \x80\"");
    EXPECT_EQ(savedOver(saved, loadedFrom(saved)), saved);

    // Switched to the RDS set, the file says so and holds the same letters as UTF-8.
    ChangeCharset(v.params, Charset::Rds);
    const std::string switched = savedOver(older, v);
    EXPECT_EQ(line(switched, "Charset"), "1");
    EXPECT_EQ(line(switched, "DefaultPS"), "\"KÄLL\"");
    EXPECT_EQ(line(switched, "Radiotext1"), "\"Café ?\"");  // U+0080 has no code
    EXPECT_EQ(loadedFrom(switched).params, v.params);
}

TEST(SettingsCharset, RdsFileTextsSendAsCodesAndReceiveBackAsUtf8)
{
    const std::string file = crlf("[Config]\nCharset=1\nBidirectional=1\n\n[General]\nDefaultPS=\"KVÄLL\"\n\n"
                                  "[Radiotext]\nRadiotext1=\"Žižkov – 100 €\"\nSelRT1=1\nEnabled=1\n");
    SettingsValues v = loadedFrom(file);
    EXPECT_EQ(v.params.program.PSDEF, "KV\xD1LL");
    EXPECT_EQ(v.params.radiotext.RT1, "\xCDi\xDDkov - 100 \xA9");

    EncoderRig rig;
    {
        auto ctx = rig.context();
        Send(ctx, v.params);
    }
    EXPECT_EQ(rig.ram(0x02, 8), "4B 56 D1 4C 4C 20 20 20");
    EXPECT_EQ(rig.ram(0x20, 14), "CD 69 DD 6B 6F 76 20 2D 20 31 30 30 20 A9");

    SettingsValues received;
    received.params.preferences.CBCHARSET = 1;
    {
        rig.time.advanceMs(1000);
        auto ctx = rig.context();
        Receive(ctx, received.params);
    }
    const std::string saved = savedOver(file, received);
    EXPECT_EQ(line(saved, "DefaultPS"), "\"KVÄLL\"");
    EXPECT_EQ(line(saved, "Radiotext1"), "\"Žižkov - 100 €\"");
}

TEST(SettingsCharset, RememberedSourceTextsAreUtf8InTheRdsSet)
{
    const std::string file = crlf("[Config]\nCharset=1\nDPSFromFile=Bj\xF6rk\nRTFromFile=\" J\xC3\xB3ga\"\n");
    const SettingsValues v = loadedFrom(file);
    EXPECT_EQ(v.window.DPSFromFile, "Björk");  // Latin-1 in the file, read as a source line is
    EXPECT_EQ(v.window.RTFromFile, " Jóga");
    const std::string saved = savedOver(file, v);
    EXPECT_EQ(line(saved, "DPSFromFile"), "Björk");
    EXPECT_EQ(line(saved, "RTFromFile"), "\" Jóga\"");
}

TEST(StationCharset, SwitchingKeepsTheCharactersAndMarksWhatLatin1Lacks)
{
    TStationParams p;
    p.preferences.CBCHARSET = 1;
    p.program.PSDEF = EncodeText("KVÄLL", Charset::Rds);
    p.radiotext.RT2 = EncodeText("Žižkov 100 €", Charset::Rds);
    p.dynamicPs.DPS1[3] = EncodeText("Čaj", Charset::Rds);
    p.textSources.ER1PR = EncodeText("Now: ", Charset::Rds);
    p.textSources.ECUSCH = EncodeText("$", Charset::Rds);
    p.program.PI = "12AB";
    ChangeCharset(p, Charset::Latin1);
    EXPECT_EQ(p.preferences.CBCHARSET, 0);
    EXPECT_EQ(p.program.PSDEF, "KV\xC4LL");
    EXPECT_EQ(p.radiotext.RT2, "?i?kov 100 ?");
    EXPECT_EQ(p.dynamicPs.DPS1[3], "?aj");
    EXPECT_EQ(p.textSources.ER1PR, "Now: ");
    EXPECT_EQ(p.textSources.ECUSCH, "$");
    EXPECT_EQ(p.program.PI, "12AB");
    ChangeCharset(p, Charset::Rds);
    EXPECT_EQ(DecodeText(p.program.PSDEF, Charset::Rds), "KVÄLL");
    EXPECT_EQ(p.textSources.ECUSCH, "\xAB");
    const TStationParams before = p;
    ChangeCharset(p, Charset::Rds);
    EXPECT_EQ(p, before);
}

} // namespace
} // namespace quorvan::test
