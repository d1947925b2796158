#include "sources/source_test_support.h"
#include "sources/text_source_tick.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvan {
namespace {

using testing::kTenOClock;
using testing::ListedFiles;
using testing::ScratchDir;

// Records what the tick does to the window and the encoder, in order.
class RecordingTarget final : public TextSourceTarget {
public:
    std::vector<std::string> events;
    std::vector<RadiotextUpdate> radiotexts;
    std::vector<DynamicPSUpdate> dynamicPS;
    bool ready = true;
    std::function<void()> duringRadiotextWrite;

    void showRadiotext(const TStationParams& p) override { events.push_back("show RT1=" + p.radiotext.RT1); }
    bool writeRadiotext(const RadiotextUpdate& u) override
    {
        events.push_back("write RT");
        radiotexts.push_back(u);
        if (duringRadiotextWrite)
            duringRadiotextWrite();
        return ready;
    }
    void restartRadiotextSwitching() override { events.push_back("restart Timer2"); }
    void showDynamicPS(const TStationParams& p) override { events.push_back("show DPS1B=" + p.dynamicPs.DPS1B); }
    bool writeDynamicPS(const DynamicPSUpdate& u) override
    {
        events.push_back("write DPS");
        dynamicPS.push_back(u);
        return ready;
    }
};

std::string padded(const std::string& text)
{
    return text + std::string(64 - text.size(), ' ');
}

class TextSourceTickTest : public ::testing::Test {
protected:
    ScratchDir dir;
    PosixSourceFileSystem fs;
    TStationParams params;
    TextSourceMemory memory;
    RecordingTarget target;

    void SetUp() override
    {
        params.radiotext.CBRTEN = true;
        params.textSources.CBR1FF = true;
        params.textSources.ER1F = "rt.txt";
        params.dynamicPs.DPS1EN = true;
        params.textSources.CBD1FF = true;
        params.textSources.ED1F = "dps.txt";
    }
    TextSourceTickResult tick() { return TextSourceTick(params, memory, dir.path(), fs, target); }
};

TEST_F(TextSourceTickTest, RadiotextThenDynamicPSInOneTick)
{
    dir.write("rt.txt", "Old\nNow: Catch\n");
    dir.write("dps.txt", "Catch\n");
    params.radiotext.CBRTT1 = 1;
    const TextSourceTickResult r = tick();
    EXPECT_TRUE(r.radiotextChanged);
    EXPECT_EQ(r.radiotextSent, true);
    EXPECT_TRUE(r.dynamicPSChanged);
    EXPECT_EQ(r.dynamicPSSent, true);
    EXPECT_EQ(target.events, (std::vector<std::string>{"show RT1=Now: Catch", "write RT", "restart Timer2",
                                                       "show DPS1B=Catch", "write DPS"}));
    ASSERT_EQ(target.radiotexts.size(), 1u);
    EXPECT_EQ(target.radiotexts[0].bytes, padded("Now: Catch"));
    EXPECT_EQ(target.radiotexts[0].control, 3); // on, type B from CBRTT1
    ASSERT_EQ(target.dynamicPS.size(), 1u);
    EXPECT_EQ(target.dynamicPS[0], (DynamicPSUpdate{"Catch", 5})); // mode 2 sends DPS1B
    EXPECT_EQ(memory, (TextSourceMemory{"Catch", "Now: Catch"}));

    // Nothing changed: nothing applied, nothing written.
    target.events.clear();
    const TextSourceTickResult again = tick();
    EXPECT_FALSE(again.radiotextChanged);
    EXPECT_FALSE(again.dynamicPSChanged);
    EXPECT_TRUE(target.events.empty());
}

TEST_F(TextSourceTickTest, BothSourcesAreReadBeforeEitherIsApplied)
{
    dir.write("rt.txt", "News\n");
    dir.write("dps.txt", "First\n");
    target.duringRadiotextWrite = [&] { dir.write("dps.txt", "Second\n"); };
    tick();
    EXPECT_EQ(params.dynamicPs.DPS1B, "First");
    tick();
    EXPECT_EQ(params.dynamicPs.DPS1B, "Second");
}

TEST_F(TextSourceTickTest, RememberedTextIsTheCutTextBeforeProcessing)
{
    dir.write("rt.txt", "12. Morvesk - Catch (Vocal Mix)   \n");
    params.textSources.CBRSN = params.textSources.CBREIB = params.textSources.CBCTC = true;
    params.textSources.ER1PR = "On air: ";
    params.textSources.SER1BE = 0;
    tick();
    EXPECT_EQ(memory.RTFromFile, "12. Morvesk - Catch (Vocal Mix)");
    EXPECT_EQ(params.radiotext.RT1, "On air: MORVESK - CATCH");

    // A new prefix or option waits for the file to change...
    params.textSources.ER1PR = "Now: ";
    target.events.clear();
    tick();
    EXPECT_EQ(params.radiotext.RT1, "On air: MORVESK - CATCH");
    EXPECT_TRUE(target.events.empty());
    // ...but a new cut count changes the cut text at once.
    params.textSources.SER1BE = 4;
    tick();
    EXPECT_EQ(memory.RTFromFile, "Morvesk - Catch (Vocal Mix)");
    EXPECT_EQ(params.radiotext.RT1, "Now: MORVESK - CATCH");
}

TEST_F(TextSourceTickTest, ChangeTestIsExactIncludingCase)
{
    dir.write("rt.txt", "Catch\n");
    memory.RTFromFile = "CATCH";
    EXPECT_TRUE(tick().radiotextChanged);
    EXPECT_EQ(params.radiotext.RT1, "Catch");
}

TEST_F(TextSourceTickTest, RestartDoesNotResend)
{
    // The remembered texts come back from the settings file: an unchanged
    // file changes nothing, even though the fields hold something else.
    dir.write("rt.txt", "Catch\n");
    dir.write("dps.txt", "Catch\n");
    memory = {"Catch", "Catch"};
    params.radiotext.RT1 = "typed by the operator";
    const TextSourceTickResult r = tick();
    EXPECT_FALSE(r.radiotextChanged);
    EXPECT_FALSE(r.dynamicPSChanged);
    EXPECT_TRUE(target.events.empty());
    EXPECT_EQ(params.radiotext.RT1, "typed by the operator");
}

TEST_F(TextSourceTickTest, LeadingBlanksSurviveTheSettingsFileSoARestartDoesNotResend)
{
    // Source lines keep their leading blanks; the remembered texts must come
    // back from the settings file with them, or the same file text counts as
    // changed after every restart.
    dir.write("rt.txt", "  Catch\n");
    dir.write("dps.txt", " \tLumen\n");
    ASSERT_TRUE(tick().radiotextChanged);
    ASSERT_EQ(memory, (TextSourceMemory{" \tLumen", "  Catch"}));

    SettingsValues saved;
    saved.window.DPSFromFile = memory.DPSFromFile;
    saved.window.RTFromFile = memory.RTFromFile;
    IniFile file;
    storeSettings(saved, file);
    SettingsValues loaded;
    loadSettings(IniFile::parse(file.serialize()), loaded);
    memory = {loaded.window.DPSFromFile, loaded.window.RTFromFile};

    target.events.clear();
    const TextSourceTickResult r = tick();
    EXPECT_FALSE(r.radiotextChanged);
    EXPECT_FALSE(r.dynamicPSChanged);
    EXPECT_TRUE(target.events.empty());
}

TEST_F(TextSourceTickTest, LongRadiotextEndsInDots)
{
    const std::string seventy(70, 'x');
    dir.write("rt.txt", seventy + "\n");
    tick();
    EXPECT_EQ(params.radiotext.RT1, std::string(61, 'x') + "...");
    EXPECT_EQ(target.radiotexts.at(0).bytes, params.radiotext.RT1);

    const std::string sixtyFour = std::string(63, 'y') + "z";
    dir.write("rt.txt", sixtyFour + "\n");
    tick();
    EXPECT_EQ(params.radiotext.RT1, sixtyFour);
    EXPECT_EQ(target.radiotexts.at(1).bytes, sixtyFour);
}

TEST_F(TextSourceTickTest, RadiotextGoesIntoRT1WhateverIsSelected)
{
    dir.write("rt.txt", "From the file\n");
    params.radiotext.selected = RadiotextSelection::RT2;
    params.radiotext.RT2 = "Second";
    params.radiotext.CBRTT1 = 1;
    params.radiotext.CBRTT2 = 0;
    tick();
    EXPECT_EQ(params.radiotext.RT1, "From the file");
    EXPECT_EQ(params.radiotext.RT2, "Second");
    EXPECT_EQ(params.radiotext.selected, RadiotextSelection::RT2);
    EXPECT_EQ(target.radiotexts.at(0).control, 3); // the type of RT1, not of the selected text
}

TEST_F(TextSourceTickTest, InactiveSourceIsNeitherReadNorChangedNorSent)
{
    dir.write("rt.txt", "Radiotext\n");
    dir.write("dps.txt", "Dynamic\n");
    params.radiotext.CBRTEN = false; // From file still checked
    params.radiotext.RT1 = "kept";
    tick();
    EXPECT_EQ(params.radiotext.RT1, "kept");
    EXPECT_EQ(memory.RTFromFile, "");
    EXPECT_TRUE(target.radiotexts.empty());
    EXPECT_EQ(params.dynamicPs.DPS1B, "Dynamic");

    // Neither active: the tick ends at once.
    params.dynamicPs.DPS1EN = false;
    dir.write("dps.txt", "Other\n");
    target.events.clear();
    tick();
    EXPECT_EQ(params.dynamicPs.DPS1B, "Dynamic");
    EXPECT_TRUE(target.events.empty());
}

TEST_F(TextSourceTickTest, SendOnChangeClearedChangesFieldsOnly)
{
    dir.write("rt.txt", "Radiotext\n");
    dir.write("dps.txt", "HELLO WORLD\n");
    params.textSources.CBR1SC = false;
    params.textSources.CBD1SC = false;
    params.textSources.justification = Justification::Center;
    const TextSourceTickResult r = tick();
    EXPECT_TRUE(r.radiotextChanged);
    EXPECT_FALSE(r.radiotextSent);
    EXPECT_FALSE(r.dynamicPSSent);
    EXPECT_TRUE(target.events.empty());
    EXPECT_EQ(params.radiotext.RT1, "Radiotext");
    EXPECT_EQ(params.dynamicPs.DPS1B, "HELLO WORLD");
    EXPECT_EQ(params.dynamicPs.DPS1[0], " HELLO  ");
    EXPECT_EQ(params.dynamicPs.DPS1[1], " WORLD  ");
    EXPECT_EQ(params.dynamicPs.DPS1[2], "");
}

TEST_F(TextSourceTickTest, DynamicPSPayloadByMode)
{
    const std::string hundred = std::string(50, 'a') + " " + std::string(49, 'b');
    dir.write("dps.txt", hundred + "\n");
    params.textSources.CBR1FF = false;
    params.dynamicPs.RGDPS1M = 2;
    tick();
    EXPECT_EQ(params.dynamicPs.DPS1B, hundred); // no limit on the field itself
    ASSERT_EQ(target.dynamicPS.size(), 1u);
    EXPECT_EQ(target.dynamicPS[0].text, hundred.substr(0, 72));
    EXPECT_EQ(target.dynamicPS[0].length, 72);

    // Mode 0 sends the justified labels.
    params.dynamicPs.RGDPS1M = 0;
    params.textSources.justification = Justification::Left;
    dir.write("dps.txt", "HELLO WORLD\n");
    tick();
    EXPECT_EQ(target.dynamicPS.at(1), (DynamicPSUpdate{"HELLO   WORLD", 13}));
    EXPECT_EQ(params.dynamicPs.DPS1B, "HELLO WORLD");
}

TEST_F(TextSourceTickTest, NoMatchingFileAppliesTheEmptyText)
{
    dir.write("rt.txt", "Something\n");
    dir.write("dps.txt", "Something\n");
    tick();
    params.textSources.ER1F = "gone*.txt";
    params.textSources.ED1F = "gone*.txt";
    params.textSources.ER1PR = "Radio X";
    const TextSourceTickResult r = tick();
    EXPECT_TRUE(r.radiotextChanged);
    EXPECT_EQ(params.radiotext.RT1, "Radio X");
    EXPECT_EQ(target.radiotexts.back().bytes, padded("Radio X"));
    EXPECT_EQ(params.dynamicPs.DPS1B, "");
    EXPECT_EQ(target.dynamicPS.back(), (DynamicPSUpdate{"", 0}));
}

TEST(TextSourceTick, UnreadableSourceIsSkippedAndTheOtherGoesOn)
{
    ScratchDir dir;
    dir.write("dps.txt", "Dynamic\n");
    ListedFiles fs;
    fs.add(dir.path(), "rt.txt", kTenOClock); // listed, but not on the disk
    fs.add(dir.path(), "dps.txt", kTenOClock);
    TStationParams params;
    params.radiotext.CBRTEN = params.textSources.CBR1FF = params.dynamicPs.DPS1EN = params.textSources.CBD1FF = true;
    params.textSources.ER1F = "rt.txt";
    params.textSources.ED1F = "dps.txt";
    params.radiotext.RT1 = "kept";
    TextSourceMemory memory{"", "remembered"};
    RecordingTarget target;
    target.ready = false;
    const TextSourceTickResult r = TextSourceTick(params, memory, dir.path(), fs, target);
    EXPECT_FALSE(r.radiotextChanged);
    EXPECT_EQ(params.radiotext.RT1, "kept");
    EXPECT_EQ(memory.RTFromFile, "remembered");
    EXPECT_EQ(r.dynamicPSSent, false); // written, ended "!Ready"
    EXPECT_EQ(params.dynamicPs.DPS1B, "Dynamic");
}

// A new source text goes out with the other A/B flag, so that receivers
// clear the old one; an older settings file (no ToggleAB) keeps RT1's type.
TEST(TextSourceTick, ANewSourceTextTogglesTheABFlag)
{
    TStationParams params;
    params.textSources.CBR1SC = true;
    TextSourceMemory memory;
    ASSERT_TRUE(params.radiotext.ToggleAB);
    EXPECT_EQ(ApplyRadiotextFromFile(params, memory, "Adele - Hello")->control, 1);
    EXPECT_EQ(ApplyRadiotextFromFile(params, memory, "Beatles - Let It Be")->control, 3);
    EXPECT_EQ(ApplyRadiotextFromFile(params, memory, "Queen")->control, 1);
    params.radiotext.ToggleAB = false;
    params.radiotext.CBRTT1 = 1;
    EXPECT_EQ(ApplyRadiotextFromFile(params, memory, "Abba")->control, 3);
    EXPECT_EQ(ApplyRadiotextFromFile(params, memory, "Bach")->control, 3);
}

} // namespace
} // namespace quorvan
