#include "sources/line_reader.h"
#include "content/charset.h"
#include "sources/source_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan {
namespace {

using testing::ScratchDir;

std::optional<std::string> first(const ScratchDir& dir, const std::string& bytes)
{
    return readSourceLine(dir.write("f.txt", bytes), ReadFrom::FirstLine);
}

std::optional<std::string> last(const ScratchDir& dir, const std::string& bytes)
{
    return readSourceLine(dir.write("f.txt", bytes), ReadFrom::LastLine);
}

TEST(SourceLine, FirstLine)
{
    ScratchDir dir;
    EXPECT_EQ(first(dir, ""), "");
    EXPECT_EQ(first(dir, "Title"), "Title");
    EXPECT_EQ(first(dir, "Title\r\nNext\r\n"), "Title");
    EXPECT_EQ(first(dir, "\nTitle\n"), "");
    EXPECT_EQ(first(dir, "Ti\rtle\n"), "Title");        // CR is never part of a line
    EXPECT_EQ(first(dir, "Tit\x1Ale\nNext\n"), "Tit"); // 0x1A ends the file
    EXPECT_EQ(first(dir, std::string("A\0B\n", 4)), std::string("A\0B", 3));
}

TEST(SourceLine, LastLineWithCharacters)
{
    ScratchDir dir;
    EXPECT_EQ(last(dir, ""), "");
    EXPECT_EQ(last(dir, "\n\r\n\n"), "");
    EXPECT_EQ(last(dir, "Old\nTitle"), "Title");
    EXPECT_EQ(last(dir, "Old\nTitle\n"), "Title");
    EXPECT_EQ(last(dir, "Old\nTitle\n\n"), "Title");       // empty trailing line
    EXPECT_EQ(last(dir, "Old\r\nTitle\r\n\r\n"), "Title");
    EXPECT_EQ(last(dir, "Old\nTitle\n   \n"), "   ");       // blanks count as characters
    EXPECT_EQ(last(dir, "Old\nTitle\n\x1A" "Later\n"), "Title");
    EXPECT_EQ(last(dir, "Old\nTit\x1A" "le\nLater\n"), "Tit");
    EXPECT_EQ(last(dir, "\x1A" "Title\n"), "");
}

TEST(SourceLine, LongLinesAreCut)
{
    ScratchDir dir;
    const std::string huge(3 * kMaxSourceLine, 'x');
    EXPECT_EQ(first(dir, huge + "\nnext\n")->size(), kMaxSourceLine);
    EXPECT_EQ(last(dir, "a\n" + huge + "\n\n")->size(), kMaxSourceLine);
    EXPECT_EQ(last(dir, "a\n" + huge)->size(), kMaxSourceLine);
    // Carriage returns do not count towards the limit.
    const std::string withCr = std::string(kMaxSourceLine - 1, 'y') + "\r\r\rz\n";
    EXPECT_EQ(*first(dir, withCr), std::string(kMaxSourceLine - 1, 'y') + "z");
}

// A long UTF-8 line is cut before the character that would be split, so
// that it still reads as UTF-8 and not as Latin-1 garbage.
TEST(SourceLine, LongLinesAreCutBetweenCharacters)
{
    ScratchDir dir;
    std::string accents = "x";
    for (int i = 0; i < 40'000; ++i)
        accents += "\xC3\xA9"; // é
    for (const auto& line : {first(dir, accents + "\n"), last(dir, "a\n" + accents)}) {
        ASSERT_TRUE(line);
        EXPECT_EQ(line->size(), kMaxSourceLine - 1);
        EXPECT_TRUE(IsValidUtf8(*line));
    }
    // A four-byte character across the limit goes whole; the bytes before stay.
    const std::string emoji = std::string(kMaxSourceLine - 2, 'y') + "\xF0\x9F\x8E\xB5z\n";
    EXPECT_EQ(*first(dir, emoji), std::string(kMaxSourceLine - 2, 'y'));
    // Latin-1 bytes that merely look like continuations lose at most three.
    EXPECT_EQ(first(dir, std::string(kMaxSourceLine + 10, '\xA9'))->size(), kMaxSourceLine - 3);
}

// What "Last line" must give, the simple way: the whole file in memory.
std::string lastLineByHand(const std::string& bytes)
{
    const std::string content = bytes.substr(0, bytes.find('\x1A'));
    std::string line, lastWithChars;
    for (std::size_t i = 0; i <= content.size(); ++i) {
        if (i == content.size() || content[i] == '\n') {
            if (!line.empty())
                lastWithChars = line;
            line.clear();
        } else if (content[i] != '\r') {
            line.push_back(content[i]);
        }
    }
    return lastWithChars.substr(0, kMaxSourceLine);
}

TEST(SourceLine, LastLineAcrossBufferBoundaries)
{
    // Files of a few hundred KiB whose lines, empty lines and CR runs fall
    // on every kind of read boundary, checked against the in-memory answer.
    ScratchDir dir;
    std::mt19937 random(8);
    for (int round = 0; round < 24; ++round) {
        const std::size_t size = 100'000 + random() % 300'000;
        std::string bytes;
        bytes.reserve(size);
        const int style = round % 4;
        while (bytes.size() < size) {
            const unsigned r = random() % 100;
            if (style == 0)
                bytes += r < 10 ? '\n' : (r < 15 ? '\r' : 'a' + static_cast<char>(r % 26));
            else if (style == 1)
                bytes += r < 60 ? '\n' : (r < 95 ? '\r' : 'q'); // mostly empty lines
            else if (style == 2)
                bytes += r < 1 ? '\n' : ' ';                  // long blank lines
            else
                bytes += r < 2 ? '\n' : 'w';
        }
        if (round % 3 == 0) // trailing empty lines and CRs, possibly a whole buffer of them
            bytes += std::string(random() % 200'000, round % 2 ? '\n' : '\r');
        if (round % 5 == 1)
            bytes[random() % bytes.size()] = '\x1A';
        EXPECT_EQ(last(dir, bytes), lastLineByHand(bytes)) << "round " << round;
    }
}

TEST(SourceLine, LastLineEndingNearPowersOfTwo)
{
    // Whatever the read size, a line may end just before, on or just after
    // the boundary, with empty lines, carriage returns or blanks after it.
    ScratchDir dir;
    for (std::size_t power = 4096; power <= (1u << 19); power *= 2) {
        for (std::size_t at = power - 2; at <= power + 2; ++at) {
            for (const char* tail : {"\n\n", "\r\n\r\n", "\n   \n", "", "\n\x1A" "x"}) {
                const std::string bytes = "Old\n" + std::string(at - 4, 'T') + tail;
                EXPECT_EQ(last(dir, bytes), lastLineByHand(bytes)) << at << " " << tail;
            }
        }
    }
}

TEST(SourceLine, OnlyRegularFilesAreRead)
{
    ScratchDir dir;
    // A FIFO without a writer would block a plain open for ever.
    const std::string fifo = dir.path() + "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readSourceLine(fifo, ReadFrom::FirstLine));
    EXPECT_FALSE(readSourceLine(fifo, ReadFrom::LastLine));
    EXPECT_FALSE(readSourceLine("/dev/null", ReadFrom::LastLine));
    EXPECT_FALSE(readSourceLine(dir.path(), ReadFrom::FirstLine));
    EXPECT_FALSE(readSourceLine(dir.path() + "missing.txt", ReadFrom::FirstLine));
}

TEST(SourceLine, UnreadableFileGivesNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    ScratchDir dir;
    const std::string path = dir.write("secret.txt", "Title\n");
    ::chmod(path.c_str(), 0);
    EXPECT_FALSE(readSourceLine(path, ReadFrom::LastLine));
}

} // namespace
} // namespace quorvan
