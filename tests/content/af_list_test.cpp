#include "content/af_list.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

std::array<std::string, kAFRows> rows(std::initializer_list<const char*> texts)
{
    std::array<std::string, kAFRows> r{};
    std::size_t i = 0;
    for (const char* t : texts) r[i++] = t;
    return r;
}

TEST(AFCode, BandLimitsAndSyntax)
{
    EXPECT_EQ(AFCode("87.6"), 1);
    EXPECT_EQ(AFCode("107.9"), 204);
    EXPECT_EQ(AFCode("87.5"), std::nullopt);
    EXPECT_EQ(AFCode("108.0"), std::nullopt);
    EXPECT_EQ(AFCode("88"), 5);
    EXPECT_EQ(AFCode("100"), 125);
    EXPECT_EQ(AFCode("880"), std::nullopt);
    EXPECT_EQ(AFCode("1O7.9"), 204);  // a letter stands for a digit 0
    EXPECT_EQ(AFCode("88."), std::nullopt);
    EXPECT_EQ(AFCode("87.65"), std::nullopt);
    EXPECT_EQ(AFCode(""), std::nullopt);
    EXPECT_EQ(AFCode("9"), std::nullopt);
    EXPECT_EQ(AFCode("100.00"), std::nullopt);
    EXPECT_EQ(AFCode("9..5"), std::nullopt);
    EXPECT_EQ(AFCode(".5"), std::nullopt);
    EXPECT_EQ(AFCode("..."), std::nullopt);
    EXPECT_EQ(AFCode(std::string("9\0.1", 4)), 26);  // NUL counts as 0: 90.1
    EXPECT_EQ(AFCode("9\xE9.\xFF"), 25);  // 90.0: 8-bit bytes count as 0 too
    EXPECT_EQ(AFCode("9\xE9.1"), 26);
    EXPECT_EQ(AFCode(std::string(100000, '9')), std::nullopt);
}

TEST(AFCode, SystemDecimalSeparator)
{
    EXPECT_EQ(AFCode("90,1", ','), 26);
    EXPECT_EQ(AFCode("90.1", ','), 26);   // "." accepted in its place
    EXPECT_EQ(AFCode("9,.1", ','), std::nullopt);
    EXPECT_EQ(AFCode("90,1", '.'), std::nullopt);  // "," is then a stray digit: 9001 MHz
}

TEST(MakeAFList, ClosesUpKeepingTextsAsTyped)
{
    auto r = rows({"", "90.1", "xx", "95"});
    const AFList list = MakeAFList(r);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.codes[0], 26);
    EXPECT_EQ(list.codes[1], 75);
    EXPECT_EQ(list.codes[2], 0);
    EXPECT_EQ(r[0], "90.1");
    EXPECT_EQ(r[1], "95");
    for (int i = 2; i < kAFRows; ++i) EXPECT_TRUE(r[i].empty());
}

TEST(MakeAFList, FullAndEmptyLists)
{
    std::array<std::string, kAFRows> full{};
    for (int i = 0; i < kAFRows; ++i) full[i] = AFFrequencyText(1 + i * 10);
    const AFList all = MakeAFList(full);
    EXPECT_EQ(all.count, 15);
    EXPECT_EQ(all.codes[14], 141);
    std::array<std::string, kAFRows> empty{};
    EXPECT_EQ(MakeAFList(empty).count, 0);
    TStationParams p;
    p.program.SGAF = rows({"88", "87.5", "87.6"});
    const AFList fromParams = MakeAFList(p);
    EXPECT_EQ(fromParams.count, 2);
    EXPECT_EQ(p.program.SGAF[0], "88");
    EXPECT_EQ(p.program.SGAF[1], "87.6");
}

TEST(AFFrequency, ItemsAndReceivedTexts)
{
    const auto items = AFFrequencyItems();
    ASSERT_EQ(items.size(), 204u);
    EXPECT_EQ(items.front(), "87.6");
    EXPECT_EQ(items.back(), "107.9");
    EXPECT_EQ(AFFrequencyText(125, ','), "100,0");
    EXPECT_EQ(AFFrequencyText(0), "");
    EXPECT_EQ(AFFrequencyText(205), "");
    for (int code = 1; code <= 204; ++code) EXPECT_EQ(AFCode(AFFrequencyText(code)), code);
}

TEST(AFEditor, EntryFollowsTheCurrentRow)
{
    auto r = rows({"90.1"});
    AFEditor editor(r);
    EXPECT_EQ(editor.entryText(), "90.1");

    // Typing 9 in the list and Enter at once leaves the row as it was.
    EXPECT_TRUE(editor.KeyInList('9'));
    EXPECT_TRUE(editor.entryHasFocus());
    EXPECT_EQ(editor.entryText(), "9");
    EXPECT_EQ(editor.entryCaret(), 1u);
    EXPECT_TRUE(editor.KeyInEntry('\r'));
    EXPECT_EQ(r[0], "90.1");
    EXPECT_EQ(editor.currentRow(), 1);
    EXPECT_FALSE(editor.entryHasFocus());

    // Typing 95 then Enter writes 95.
    editor.SelectRow(0);
    EXPECT_TRUE(editor.KeyInList('9'));
    editor.SetEntryText("95");
    EXPECT_TRUE(editor.KeyInEntry('\r'));
    EXPECT_EQ(r[0], "95");

    EXPECT_FALSE(editor.KeyInList('x'));
    EXPECT_FALSE(editor.KeyInEntry('5'));
}

TEST(AFEditor, EnterWrapsAndDeleteEmpties)
{
    auto r = rows({"88", "", "", "", "", "", "", "", "", "", "", "", "", "", "107.9"});
    AFEditor editor(r);
    editor.SelectRow(14);
    EXPECT_EQ(editor.entryText(), "107.9");
    editor.KeyInEntry('\r');
    EXPECT_EQ(editor.currentRow(), 0);
    EXPECT_EQ(editor.entryText(), "88");
    editor.SGAFDeleteKeyUp();
    EXPECT_TRUE(r[0].empty());
    EXPECT_TRUE(editor.entryText().empty());
    editor.SelectRow(99);
    EXPECT_EQ(editor.currentRow(), 14);
    EXPECT_EQ(AFNextRow(14), 0);
    EXPECT_EQ(AFNextRow(3), 4);
}

} // namespace
} // namespace quorvan
