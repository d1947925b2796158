#include "sources/file_mask.h"
#include "sources/source_search.h"
#include "sources/source_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvan {
namespace {

using testing::kTenOClock;
using testing::ListedFiles;
using testing::ScratchDir;

TEST(FileMask, WildcardsAndCase)
{
    EXPECT_TRUE(matchesFileMask("NowPlaying.TXT", "nowplaying.txt"));
    EXPECT_TRUE(matchesFileMask("now1.txt", "now?.txt"));
    EXPECT_FALSE(matchesFileMask("now.txt", "now?.txt"));
    EXPECT_FALSE(matchesFileMask("now12.txt", "now?.txt"));
    EXPECT_TRUE(matchesFileMask("now.txt", "now*.txt"));
    EXPECT_TRUE(matchesFileMask("now-2024-01-01.txt", "NOW*.TXT"));
    EXPECT_TRUE(matchesFileMask("a.b.c", "*.c"));
    EXPECT_FALSE(matchesFileMask("a.b.cd", "*.c"));
    EXPECT_TRUE(matchesFileMask(".hidden", "*"));
    EXPECT_TRUE(matchesFileMask("x", "**"));
    EXPECT_FALSE(matchesFileMask("x", ""));
    EXPECT_FALSE(matchesFileMask("", "?"));
    EXPECT_TRUE(matchesFileMask("", "*"));
    // Bytes outside ASCII must match themselves exactly, not fold.
    EXPECT_TRUE(matchesFileMask("caf\xe9", "CAF\xe9"));
    EXPECT_FALSE(matchesFileMask("caf\xe9", "caf\xc9"));
}

TEST(FileMask, ManyStarsStayLinear)
{
    const std::string name(5000, 'a');
    EXPECT_FALSE(matchesFileMask(name, "*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(matchesFileMask(name + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(SourceField, SplitAndResolve)
{
    EXPECT_EQ(splitSourceField("/var/log/now*.txt").directory, "/var/log/");
    EXPECT_EQ(splitSourceField("/var/log/now*.txt").mask, "now*.txt");
    EXPECT_EQ(splitSourceField("now.txt").directory, "");
    EXPECT_EQ(splitSourceField("logs/").mask, "");
    EXPECT_EQ(resolveSourceDirectory("/abs/", "/opt/quorvan/"), "/abs/");
    EXPECT_EQ(resolveSourceDirectory("", "/opt/quorvan/"), "/opt/quorvan/");
    EXPECT_EQ(resolveSourceDirectory("logs/", "/opt/quorvan/"), "/opt/quorvan/logs/");
    EXPECT_EQ(resolveSourceDirectory("../x/", "/opt/quorvan"), "/opt/quorvan/../x/");
}

TEST(SourceSearch, TakesTheNewestInTwoSecondSteps)
{
    EXPECT_EQ(twoSecondStep(kTenOClock), twoSecondStep(kTenOClock + 1));
    EXPECT_NE(twoSecondStep(kTenOClock + 1), twoSecondStep(kTenOClock + 2));
    EXPECT_EQ(twoSecondStep(-1), twoSecondStep(-2));
    EXPECT_NE(twoSecondStep(-1), twoSecondStep(0));

    ListedFiles fs;
    fs.add("/d/", "old.txt", kTenOClock);
    fs.add("/d/", "new.txt", kTenOClock + 5);
    EXPECT_EQ(findSourceFile("/d/*.txt", "/exe/", fs), "/d/new.txt");

    // 10:00:04 and 10:00:05 fall into one step: the first listed wins,
    // whichever of them is really later.
    ListedFiles tie;
    tie.add("/d/", "b.txt", kTenOClock + 5);
    tie.add("/d/", "a.txt", kTenOClock + 4);
    EXPECT_EQ(findSourceFile("/d/*.txt", "/exe/", tie), "/d/b.txt");
    ListedFiles tie2;
    tie2.add("/d/", "a.txt", kTenOClock + 4);
    tie2.add("/d/", "b.txt", kTenOClock + 5);
    EXPECT_EQ(findSourceFile("/d/*.txt", "/exe/", tie2), "/d/a.txt");

    // A later file listed after a tie still wins.
    tie2.add("/d/", "c.txt", kTenOClock + 6);
    EXPECT_EQ(findSourceFile("/d/*.TXT", "/exe/", tie2), "/d/c.txt");
}

TEST(SourceSearch, RelativeFieldsAreBelowTheProgramDirectory)
{
    ListedFiles fs;
    fs.add("/opt/quorvan/", "now.txt", kTenOClock);
    fs.add("/opt/quorvan/logs/", "now.txt", kTenOClock);
    const std::string cwdBefore = std::filesystem::current_path().string();
    EXPECT_EQ(findSourceFile("NOW.txt", "/opt/quorvan/", fs), "/opt/quorvan/now.txt");
    EXPECT_EQ(findSourceFile("logs/now.txt", "/opt/quorvan/", fs), "/opt/quorvan/logs/now.txt");
    EXPECT_EQ(std::filesystem::current_path().string(), cwdBefore);
}

TEST(SourceSearch, NothingMatches)
{
    ListedFiles fs;
    fs.add("/d/", "now.txt", kTenOClock);
    EXPECT_FALSE(findSourceFile("", "/d/", fs));          // empty field
    EXPECT_FALSE(findSourceFile("/d/", "/exe/", fs));     // names a directory
    EXPECT_FALSE(findSourceFile("/d/*.log", "/exe/", fs));
    EXPECT_FALSE(findSourceFile("/nowhere/*", "/exe/", fs));
}

TEST(PosixSourceFileSystem, NewestRegularFileOnDisk)
{
    ScratchDir dir;
    dir.write("a.txt", "first\n");
    dir.write("b.txt", "second\n");
    dir.setLastWrite("a.txt", kTenOClock);
    dir.setLastWrite("b.txt", kTenOClock + 5);
    const PosixSourceFileSystem fs;
    EXPECT_EQ(findSourceFile(dir.path() + "*.txt", "/exe/", fs), dir.path() + "b.txt");
    dir.setLastWrite("a.txt", kTenOClock + 10);
    EXPECT_EQ(findSourceFile(dir.path() + "*.TXT", "/exe/", fs), dir.path() + "a.txt");
}

TEST(PosixSourceFileSystem, OnlyRegularFilesMatch)
{
    ScratchDir dir;
    const PosixSourceFileSystem fs;
    // Directories, FIFOs and sockets never match, however new they are.
    std::filesystem::create_directory(dir.path() + "dir.txt");
    ASSERT_EQ(::mkfifo((dir.path() + "fifo.txt").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = dir.path() + "sock.txt";
    ASSERT_LT(sockPath.size(), sizeof(addr.sun_path));
    sockPath.copy(addr.sun_path, sockPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    EXPECT_FALSE(findSourceFile(dir.path() + "*.txt", "/exe/", fs));

    // Hidden and read-only files match; so does a link to a regular file.
    dir.write(".hidden.txt", "h\n");
    dir.setLastWrite(".hidden.txt", kTenOClock);
    EXPECT_EQ(findSourceFile(dir.path() + "*.txt", "/exe/", fs), dir.path() + ".hidden.txt");
    dir.write("ro.txt", "r\n");
    ::chmod((dir.path() + "ro.txt").c_str(), 0444);
    dir.setLastWrite("ro.txt", kTenOClock + 10);
    EXPECT_EQ(findSourceFile(dir.path() + "*.txt", "/exe/", fs), dir.path() + "ro.txt");
    ASSERT_EQ(::symlink((dir.path() + ".hidden.txt").c_str(), (dir.path() + "link.txt").c_str()), 0);
    dir.setLastWrite(".hidden.txt", kTenOClock + 20);
    EXPECT_EQ(findSourceFile(dir.path() + "link.txt", "/exe/", fs), dir.path() + "link.txt");
    // A dangling link is no file.
    ASSERT_EQ(::symlink((dir.path() + "gone").c_str(), (dir.path() + "dangling.log").c_str()), 0);
    EXPECT_FALSE(findSourceFile(dir.path() + "*.log", "/exe/", fs));
    ::close(sock);
}

TEST(PosixSourceFileSystem, RelativeFieldUsesExeDirectory)
{
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() + "logs");
    dir.write("logs/now.txt", "x\n");
    const PosixSourceFileSystem fs;
    EXPECT_EQ(findSourceFile("logs/NOW.TXT", dir.path(), fs), dir.path() + "logs/now.txt");
    EXPECT_FALSE(findSourceFile("missing/now.txt", dir.path(), fs));
}

} // namespace
} // namespace quorvan
