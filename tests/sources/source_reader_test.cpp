#include "sources/source_reader.h"
#include "sources/source_test_support.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

using testing::kTenOClock;
using testing::ListedFiles;
using testing::ScratchDir;

TEST(TextSource, ReadsTrimsAndCuts)
{
    ScratchDir dir;
    dir.write("now.txt", "01. Old Song\r\n01. Catch (Vocal Mix)   \r\n\r\n");
    const PosixSourceFileSystem fs;
    TextSourceSetup setup{"now.txt", ReadFrom::LastLine, 4, 0};
    EXPECT_EQ(readTextSource(setup, dir.path(), fs), "Catch (Vocal Mix)");
    setup.readFrom = ReadFrom::FirstLine;
    setup.cutEnd = 3;
    EXPECT_EQ(readTextSource(setup, dir.path(), fs), "Old S");

    // "Last line": an empty trailing line is passed over; a trailing line of
    // three blanks is the last line with characters, and trims to nothing.
    setup = {"now.txt", ReadFrom::LastLine, 0, 0};
    dir.write("now.txt", "Old\nCatch\n\n");
    EXPECT_EQ(readTextSource(setup, dir.path(), fs), "Catch");
    dir.write("now.txt", "Old\nCatch\n   \n");
    EXPECT_EQ(readTextSource(setup, dir.path(), fs), "");
}

TEST(TextSource, NoMatchingFileIsTheEmptyText)
{
    ScratchDir dir;
    const PosixSourceFileSystem fs;
    EXPECT_EQ(readTextSource({"", ReadFrom::LastLine, 0, 0}, dir.path(), fs), "");
    EXPECT_EQ(readTextSource({"none*.txt", ReadFrom::LastLine, 0, 0}, dir.path(), fs), "");
    EXPECT_EQ(readTextSource({"/no/such/dir/x.txt", ReadFrom::FirstLine, 0, 0}, dir.path(), fs), "");
    EXPECT_EQ(readTextSource({dir.path(), ReadFrom::FirstLine, 0, 0}, "/", fs), "");
}

TEST(TextSource, FileThatVanishedIsSkipped)
{
    ScratchDir dir;
    ListedFiles fs; // still lists a file that is gone from the disk
    fs.add(dir.path(), "gone.txt", kTenOClock);
    EXPECT_EQ(readTextSource({"*.txt", ReadFrom::LastLine, 0, 0}, dir.path(), fs), std::nullopt);
}

TEST(TextSource, BinaryJunkIsJustBytes)
{
    ScratchDir dir;
    std::string junk;
    for (int i = 0; i < 256; ++i)
        if (i != '\n' && i != '\r' && i != 0x1A)
            junk.push_back(static_cast<char>(i));
    dir.write("junk.bin", junk + "\n");
    const PosixSourceFileSystem fs;
    const auto text = readTextSource({"junk.bin", ReadFrom::LastLine, 0, 0}, dir.path(), fs);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, junk);
}

// What is kept of a source text is what can go on air, a few hundred bytes
// at most, cut between characters: the settings file remembers it.
TEST(TextSource, LongTextsAreCutBetweenCharacters)
{
    ScratchDir dir;
    std::string accents = "x";
    for (int i = 0; i < 40'000; ++i)
        accents += "\xC3\xA9"; // é
    dir.write("long.txt", accents + "\n");
    const PosixSourceFileSystem fs;
    for (const Charset cs : {Charset::Rds, Charset::Latin1}) {
        const auto text = readTextSource({"long.txt", ReadFrom::LastLine, 0, 0, cs}, dir.path(), fs);
        ASSERT_TRUE(text);
        EXPECT_LE(text->size(), kMaxSourceText);
        EXPECT_GE(text->size(), kMaxSourceText - 3);
        EXPECT_EQ(text->substr(0, 5), "x\xC3\xA9\xC3\xA9");
        EXPECT_TRUE(IsValidUtf8(*text));
    }
}

} // namespace
} // namespace quorvan
