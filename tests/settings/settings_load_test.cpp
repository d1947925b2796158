#include "settings/settings_file.h"

#include "settings/settings_test_util.h"

#include <gtest/gtest.h>

#include <set>

using namespace quorvan;
using quorvan::test::crlf;
using quorvan::test::loadedFrom;
using quorvan::test::savedOver;

TEST(SettingsLoad, WithoutAFileTheWindowKeepsItsInitialValuesButTheFixedDefaults)
{
    SettingsValues expected;
    expected.params.preferences.CBSS = false; // "Slow" is cleared although the box starts checked
    EXPECT_EQ(loadedFrom(""), expected);

    // The keys with a fixed default override whatever the window held.
    SettingsValues start;
    start.window = WindowValues{1, 2, false, "Start", "d", "r", ""};
    start.params.system.STMEN = true;
    start.params.preferences.CBHPRI = true;
    start.params.preferences.RBPTYC = 2;
    start.params.preferences.RGPORT = 4;
    start.params.preferences.CBBI = false;
    start.params.preferences.LImageFile = "/pic.bmp";
    start.params.preferences.SEUTCO = 3;
    start.params.preferences.SESMTO = -1;
    start.params.preferences.ELPTA = "888";
    start.params.radiotext.selected = RadiotextSelection::RT3;
    start.params.textSources.CBRSN = start.params.textSources.CBREIB = start.params.textSources.CBCTC = true;
    EXPECT_EQ(loadedFrom("", start), expected);
}

TEST(SettingsLoad, QuotedTextsKeepBlanksAndQuotes)
{
    SettingsValues v;
    v.params.program.PSDEF = " RADIO ";
    v.params.textSources.ED1PR = "Now \"live\": ";
    std::string file = savedOver("", v);
    EXPECT_NE(file.find("DefaultPS=\" RADIO \"\r\n"), std::string::npos);
    EXPECT_NE(file.find("Prefix=\"Now \"\"live\"\": \"\r\n"), std::string::npos);

    SettingsValues back = loadedFrom(file);
    EXPECT_EQ(back.params.program.PSDEF, " RADIO ");
    EXPECT_EQ(back.params.textSources.ED1PR, "Now \"live\": ");
    EXPECT_EQ(loadedFrom("[General]\nDefaultPS=  RADIO  \n").params.program.PSDEF, "RADIO"); // unquoted: trimmed
}

TEST(SettingsLoad, PlainTextLosesItsTrailingBlank)
{
    SettingsValues v;
    v.params.dynamicPs.DPS1B = "Now playing ";
    std::string file = savedOver("", v);
    EXPECT_NE(file.find("Text=Now playing \r\n"), std::string::npos);
    EXPECT_EQ(loadedFrom(file).params.dynamicPs.DPS1B, "Now playing");
}

TEST(SettingsLoad, RememberedSourceTextsKeepEveryCharacterAndStayPlainWhenTheyCan)
{
    SettingsValues v;
    v.window.RTFromFile = "01. Catch";
    v.window.DPSFromFile = "Lumen";
    std::string file = savedOver("", v);
    // Ordinary texts are written as plain text keys always were.
    EXPECT_NE(file.find("RTFromFile=01. Catch\r\n"), std::string::npos);
    EXPECT_NE(file.find("DPSFromFile=Lumen\r\n"), std::string::npos);

    for (const std::string text : {"  two leading", "trailing\t", " ", "\"quoted title\"", "\"\"", "\"x", "a \"b\" c"}) {
        v.window.RTFromFile = text;
        v.window.DPSFromFile = "x" + text;
        SettingsValues back = loadedFrom(savedOver("", v));
        EXPECT_EQ(back.window.RTFromFile, text);
        EXPECT_EQ(back.window.DPSFromFile, "x" + text);
    }
    v.window.RTFromFile = "  two leading";
    EXPECT_NE(savedOver("", v).find("RTFromFile=\"  two leading\"\r\n"), std::string::npos);

    // Files written with plain values read as before.
    SettingsValues old = loadedFrom("[Config]\r\nRTFromFile= 01. Catch \r\nDPSFromFile=say \"hi\"\r\n");
    EXPECT_EQ(old.window.RTFromFile, "01. Catch");
    EXPECT_EQ(old.window.DPSFromFile, "say \"hi\"");
}

TEST(SettingsLoad, TrafficAnnouncementIsWrittenButNeverRead)
{
    SettingsValues v;
    v.params.program.TA = true;
    EXPECT_NE(savedOver("", v).find("TA=1\r\n"), std::string::npos);
    EXPECT_FALSE(loadedFrom("[General]\r\nTA=1\r\n").params.program.TA);
    for (const SettingKey* k : settingReadOrder())
        EXPECT_STRNE(k->key, "TA");
}

TEST(SettingsLoad, MissingKeysKeepTheInitialValues)
{
    SettingsValues start;
    start.params.radiotext.RT4 = "initial four";
    start.params.program.PI = "1234";
    SettingsValues v = loadedFrom("[Radiotext]\r\nRadiotext1=\"one\"\r\nRadiotext12=two\r\n", start);
    EXPECT_EQ(v.params.radiotext.RT1, "one");
    EXPECT_EQ(v.params.radiotext.RT2, "two");
    EXPECT_EQ(v.params.radiotext.RT4, "initial four");
    EXPECT_EQ(v.params.program.PI, "1234");
    // Present but empty: the empty text for texts, the default for numbers.
    v = loadedFrom("[Radiotext]\r\nRadiotext14=\r\nSendNextAfter=\r\n[Config]\r\nVisible=\r\n", start);
    EXPECT_EQ(v.params.radiotext.RT4, "");
    EXPECT_EQ(v.params.radiotext.SERTSW, 5);
    EXPECT_TRUE(v.window.Visible);
}

TEST(SettingsLoad, RangeRulesOfTheChoicesAndOffsets)
{
    SettingsValues start;
    start.params.preferences.RGPORT = 3;
    start.params.program.PTY = 7;
    start.params.program.MS = 0;
    start.params.dynamicPs.RGDPS1M = 1;
    start.params.textSources.RGD1L = 0;
    start.params.radiotext.CBRTT2 = 1;
    SettingsValues v = loadedFrom(crlf("[Config]\nPort=7\nPTYCodes=3\nUTCOffset=13\nSummerTimeOffset=5\n"
                                       "LabelColor=999\n"
                                       "[General]\nClockSource=5\nPLLRange=-1\nPTY=40\nMS=2\nRT2Type=2\n"
                                       "DPSLabelsDelay=2\n"
                                       "[DPS1]\nMode=4\nReadFrom=-1\nCutBeginning=100\nCutEnd=-3\n"
                                       "[DataGroups]\nGroupType1=40\n"
                                       "[Radiotext]\nSendNextAfter=300\nCutEnd=64\n"),
                                  start);
    EXPECT_EQ(v.params.preferences.RGPORT, 0);   // outside 0..6: LPT1
    EXPECT_EQ(v.params.preferences.RBPTYC, 0);
    EXPECT_EQ(v.params.preferences.SEUTCO, 0);
    EXPECT_EQ(v.params.preferences.SESMTO, 2);   // inside -12..12: limited to -2..2
    EXPECT_EQ(v.params.preferences.ColorBox1, 999);
    EXPECT_EQ(v.params.system.RGCS, 1);     // outside 0..1: 1, not 0
    EXPECT_EQ(v.params.system.RGPLLR, 1);
    EXPECT_EQ(v.params.program.PTY, 7);      // outside 0..31: unchanged
    EXPECT_EQ(v.params.program.MS, 0);
    EXPECT_EQ(v.params.radiotext.CBRTT2, 1);
    EXPECT_EQ(v.params.dynamicPs.RGDLD, 1);
    EXPECT_EQ(v.params.dynamicPs.RGDPS1M, 1);
    EXPECT_EQ(v.params.textSources.RGD1L, 0);
    EXPECT_EQ(v.params.textSources.SED1BE, 63);
    EXPECT_EQ(v.params.textSources.SED1EN, 0);
    EXPECT_EQ(v.params.system.CBGRTYP, 40); // taken without a check
    EXPECT_EQ(v.params.radiotext.SERTSW, 240);
    EXPECT_EQ(v.params.textSources.SER1EN, 63);

    EXPECT_EQ(loadedFrom("[Config]\r\nSummerTimeOffset=13\r\n").params.preferences.SESMTO, 1);
    EXPECT_EQ(loadedFrom("[Config]\r\nSummerTimeOffset=-12\r\n").params.preferences.SESMTO, -2);
    EXPECT_EQ(loadedFrom("[Config]\r\nSummerTimeOffset=-13\r\n").params.preferences.SESMTO, 1);
    EXPECT_EQ(loadedFrom("[Config]\r\nUTCOffset=-12\r\n").params.preferences.SEUTCO, -12);
    EXPECT_EQ(loadedFrom("[General]\r\nPTY=31\r\n").params.program.PTY, 31);
}

TEST(SettingsLoad, NumbersThatAreNotNumbersGiveTheDefault)
{
    SettingsValues start;
    start.params.program.PTY = 4;
    SettingsValues v = loadedFrom(crlf("[Config]\nPort=abc\nTop=$20\nLeft=0x1e\nVisible=no\nHighPriority=0x1\n"
                                       "Bidirectional=1.0\n[General]\nPTY=five\nTP=-1\n"),
                                  start);
    EXPECT_EQ(v.params.preferences.RGPORT, 0);
    EXPECT_EQ(v.window.Top, 32);
    EXPECT_EQ(v.window.Left, 30);
    EXPECT_TRUE(v.window.Visible);
    EXPECT_TRUE(v.params.preferences.CBHPRI);
    EXPECT_TRUE(v.params.preferences.CBBI);
    EXPECT_EQ(v.params.program.PTY, 4);
    EXPECT_TRUE(v.params.program.TP);
}

TEST(SettingsLoad, SteppedValuesAreWholeStepsLimitedByTheControl)
{
    SettingsValues v;
    v.params.dynamicPs.SEDPS1DL = 7; // 18.9 s
    v.params.dynamicPs.SEDPSLP = 5;  // 2.5 s
    v.params.system.SEPHASE = 5;  // 47.35 degrees
    std::string file = savedOver("", v);
    EXPECT_NE(file.find("Delay=7\r\n"), std::string::npos);
    EXPECT_NE(file.find("DPSLabelPeriod=5\r\n"), std::string::npos);
    EXPECT_NE(file.find("PhaseShift=5\r\n"), std::string::npos);
    SettingsValues back = loadedFrom(file);
    EXPECT_EQ(back.params.dynamicPs.SEDPS1DL, 7);
    EXPECT_EQ(back.params.dynamicPs.SEDPSLP, 5);
    EXPECT_EQ(back.params.system.SEPHASE, 5);
    EXPECT_NEAR(back.params.dynamicPs.SEDPS1DL * findSettingKey("DPS1", "Delay")->step, 18.9, 1e-9);
    EXPECT_NEAR(back.params.dynamicPs.SEDPSLP * findSettingKey("General", "DPSLabelPeriod")->step, 2.5, 1e-9);
    EXPECT_NEAR(back.params.system.SEPHASE * findSettingKey("General", "PhaseShift")->step, 47.35, 1e-9);

    v = loadedFrom("[General]\r\nPhaseShift=19\r\nDPSLabelPeriod=0\r\n[DPS1]\r\nDelay=300\r\n");
    EXPECT_EQ(v.params.system.SEPHASE, 18);
    EXPECT_EQ(v.params.dynamicPs.SEDPSLP, 1);
    EXPECT_EQ(v.params.dynamicPs.SEDPS1DL, 255);
}

TEST(SettingsLoad, RadioButtonsLastTrueWinsAndAllFalseLeavesNone)
{
    SettingsValues v = loadedFrom("[Radiotext]\r\nSelRT1=0\r\nSelRT2=1\r\nSelRT3=1\r\nSelRT4=0\r\n");
    EXPECT_EQ(v.params.radiotext.selected, RadiotextSelection::RT3);

    v = loadedFrom("[Radiotext]\r\nSelRT1=0\r\nSelRT2=0\r\nSelRT3=0\r\nSelRT4=0\r\n");
    EXPECT_EQ(v.params.radiotext.selected, RadiotextSelection::None);

    // SelRT1 absent reads 1, SelRT2..4 absent read 0.
    v = loadedFrom("[Radiotext]\r\nSelRT2=1\r\n");
    EXPECT_EQ(v.params.radiotext.selected, RadiotextSelection::RT2);

    // Initial "Center": Justification0=1 checks "(None)" and clears "Center";
    // the absent keys then keep the cleared state.
    v = loadedFrom("[General]\r\nJustification0=1\r\nFill1=1\r\n");
    EXPECT_EQ(v.params.textSources.justification, Justification::None);
    EXPECT_EQ(v.params.textSources.fill, Fill::Custom);
}

TEST(SettingsLoad, ClockTimeStateFollowsTheButtonCaption)
{
    EXPECT_TRUE(ctStateStartsTransmission(loadedFrom("[Config]\r\nCTState=Start\r\n").window.CTState));
    EXPECT_FALSE(ctStateStartsTransmission(loadedFrom("[Config]\r\nCTState=Stop\r\n").window.CTState));
    EXPECT_FALSE(ctStateStartsTransmission(loadedFrom("[Config]\r\nCTState=On\r\n").window.CTState));
    EXPECT_FALSE(ctStateStartsTransmission(loadedFrom("").window.CTState));

    SettingsValues v;
    v.params.system.CTRunning = true;
    EXPECT_NE(savedOver("", v).find("CTState=Start\r\n"), std::string::npos);
    v.params.system.CTRunning = false;
    v.window.CTState = "Start"; // what was read is not what is saved
    EXPECT_NE(savedOver("", v).find("CTState=Stop\r\n"), std::string::npos);
}

TEST(SettingsLoad, ReadOrderCoversEveryKeyButTAOnceWithTheOrderingsTheWindowNeeds)
{
    const auto& order = settingReadOrder();
    std::set<const SettingKey*> seen(order.begin(), order.end());
    EXPECT_EQ(seen.size(), order.size());
    EXPECT_EQ(order.size() + 1, settingKeys().size());

    auto pos = [&](const char* section, const char* key) {
        const SettingKey* k = findSettingKey(section, key);
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == k)
                return i;
        return order.size();
    };
    EXPECT_EQ(pos("Config", "Top"), 0u);
    EXPECT_EQ(pos("Config", "HighPriority"), 5u);
    EXPECT_EQ(pos("Config", "VirtualEncoder"), 6u);
    EXPECT_EQ(pos("Config", "Port"), 7u);
    // The character set is known before any text is read.
    for (const SettingKey& k : settingKeys()) {
        if (k.isText() && k.readBack) {
            EXPECT_LT(pos("Config", "Charset"), pos(k.section, k.key)) << k.key;
        }
    }
    EXPECT_LT(pos("Config", "RTFromFile"), pos("General", "PhaseShift"));
    EXPECT_LT(pos("General", "PLLRange"), pos("Config", "LabelColor"));
    EXPECT_LT(pos("Config", "PTYCodes"), pos("General", "PTY"));
    EXPECT_LT(pos("Radiotext", "SelRT4"), pos("General", "RT1Type"));
    EXPECT_LT(pos("General", "RT4Type"), pos("Radiotext", "AutoSendNext"));
    EXPECT_EQ(pos("General", "FillChar"), order.size() - 1);
    EXPECT_EQ(findSettingKey("radiotext", "RADIOTEXT14")->field, std::string("RT4"));
    EXPECT_EQ(findSettingKey("General", "Nothing"), nullptr);
}

TEST(SettingsLoad, TheAppliedListTellsTheWindowWhatChanged)
{
    SettingsValues v;
    std::vector<LoadedValue> list = loadSettings(IniFile::parse("[Config]\r\nPort=2\r\nSlow=1\r\n"), v);
    ASSERT_EQ(list.size(), settingReadOrder().size());
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].key, settingReadOrder()[i]);
    EXPECT_FALSE(list[6].present); // VirtualEncoder
    EXPECT_TRUE(list[7].present);
    EXPECT_TRUE(list[7].changed); // Port 0 -> 2
    EXPECT_EQ(list[7].number, 2);
    EXPECT_TRUE(list[8].present);
    EXPECT_FALSE(list[8].changed); // Slow stays checked
    EXPECT_FALSE(list[5].present);
    EXPECT_FALSE(list[5].changed); // HighPriority: absent, 0 as before

    // Walking the list onto fresh values gives what loadSettings gave.
    SettingsValues again;
    for (const LoadedValue& lv : list)
        applySettingValue(lv, again);
    EXPECT_EQ(again, v);
}
