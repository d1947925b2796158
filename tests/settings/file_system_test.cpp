#include "settings/file_system.h"
#include "settings/settings_location.h"

#include "settings/failing_file_system.h"
#include "settings/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvan;
using quorvan::test::FailingFileSystem;
using quorvan::test::TempDir;

TEST(AtomicReplace, WritesNewAndReplacesOldFiles)
{
    TempDir dir;
    PosixFileSystem fs;
    ASSERT_TRUE(replaceFileContents(fs, dir.file("quorvan.rds"), "first\r\n"));
    EXPECT_EQ(dir.get("quorvan.rds"), "first\r\n");
    ASSERT_TRUE(replaceFileContents(fs, dir.file("quorvan.rds"), std::string("sec\0ond", 7)));
    EXPECT_EQ(dir.get("quorvan.rds"), std::string("sec\0ond", 7));
    EXPECT_EQ(dir.entries(), 1);
}

TEST(AtomicReplace, KeepsThePermissionsOfTheOldFile)
{
    TempDir dir;
    dir.put("quorvan.rds", "old");
    ASSERT_EQ(::chmod(dir.file("quorvan.rds").c_str(), 0640), 0);
    PosixFileSystem fs;
    ASSERT_TRUE(replaceFileContents(fs, dir.file("quorvan.rds"), "new"));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("quorvan.rds").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicReplace, AFailedStepLeavesTheOldFileAndNoLeftovers)
{
    TempDir dir;
    const std::string old = "[Config]\r\nPort=1\r\n";
    dir.put("quorvan.rds", old);

    FailingFileSystem fs;
    fs.failTemporary = true;
    EXPECT_FALSE(replaceFileContents(fs, dir.file("quorvan.rds"), "new"));
    EXPECT_EQ(dir.get("quorvan.rds"), old);

    fs.failTemporary = false;
    fs.failReplace = true;
    EXPECT_FALSE(replaceFileContents(fs, dir.file("quorvan.rds"), "new"));
    EXPECT_EQ(dir.get("quorvan.rds"), old);
    EXPECT_FALSE(fs.lastTemporary.empty());
    EXPECT_FALSE(fs.exists(fs.lastTemporary));
    EXPECT_EQ(dir.entries(), 1);
}

TEST(AtomicReplace, ASymbolicLinkIsWrittenThroughAndStaysALink)
{
    TempDir dir;
    dir.put("real/quorvan.rds", "old");
    ASSERT_EQ(::symlink("real/quorvan.rds", dir.file("quorvan.rds").c_str()), 0);
    PosixFileSystem fs;
    ASSERT_TRUE(replaceFileContents(fs, dir.file("quorvan.rds"), "new"));
    EXPECT_EQ(dir.get("real/quorvan.rds"), "new");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("quorvan.rds").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a copy";
    EXPECT_EQ(dir.entries(), 2);
}

// A writer killed during a save leaves its temporary file; the next save of
// the same file removes those that no running program can still be writing.
TEST(AtomicReplace, ASaveRemovesTheTemporaryFilesThatKilledWritersLeft)
{
    TempDir dir;
    const pid_t dead = ::fork(); // a process number that no longer runs
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string running = std::to_string(::getppid());
    const std::string gone = ".q.rds." + std::to_string(dead) + ".aB3xYz";
    const std::string kept[] = {".q.rds." + running + ".aB3xYz", // its writer may still write
                                ".q.rds.Fresh1",                 // an earlier version's, just made
                                ".other.rds." + std::to_string(dead) + ".aB3xYz", ".q.rds.backup"};
    const std::string old = ".q.rds.Old123"; // an earlier version's, a day untouched
    for (const std::string& name : kept)
        dir.put(name, "partial");
    dir.put(gone, "partial");
    dir.put(old, "partial");
    const timeval twoDaysAgo[2] = {{::time(nullptr) - 2 * 86400, 0}, {::time(nullptr) - 2 * 86400, 0}};
    ASSERT_EQ(::utimes(dir.file(old).c_str(), twoDaysAgo), 0);
    ASSERT_EQ(::utimes(dir.file(".q.rds.backup").c_str(), twoDaysAgo), 0); // a user's own file

    PosixFileSystem fs;
    ASSERT_TRUE(replaceFileContents(fs, dir.file("q.rds"), "saved"));
    EXPECT_EQ(dir.get("q.rds"), "saved");
    EXPECT_FALSE(fs.exists(dir.file(gone)));
    EXPECT_FALSE(fs.exists(dir.file(old)));
    for (const std::string& name : kept)
        EXPECT_EQ(dir.get(name), "partial") << name;
    EXPECT_EQ(dir.entries(), 5);
}

TEST(AtomicReplace, DirectoryThatIsARegularFileFails)
{
    TempDir dir;
    dir.put("plain", "x");
    PosixFileSystem fs;
    EXPECT_FALSE(replaceFileContents(fs, dir.file("plain/quorvan.rds"), "new"));
    EXPECT_FALSE(fs.makeDirectories(dir.file("plain/sub")));
    EXPECT_EQ(dir.get("plain"), "x");
}

TEST(SettingsLocation, BesideTheExecutableWhenWritable)
{
    TempDir dir;
    PosixFileSystem fs;
    SettingsLocation loc = locateSettings(fs, dir.path() + "/", "/xdg", "/home/u");
    EXPECT_EQ(loc.readPath, dir.file("quorvan.rds"));
    EXPECT_EQ(loc.writePath, dir.file("quorvan.rds"));
    EXPECT_FALSE(loc.createDirectory);
}

TEST(SettingsLocation, UserConfigDirectoryWhenTheProgramDirectoryIsReadOnly)
{
    TempDir exe;
    TempDir config;
    FailingFileSystem fs;
    fs.readOnlyDirectories = true;

    // Nothing anywhere yet: both paths in the user's directory.
    SettingsLocation loc = locateSettings(fs, exe.path(), config.path(), "/home/u");
    EXPECT_EQ(loc.writePath, config.file("quorvan/quorvan.rds"));
    EXPECT_EQ(loc.readPath, config.file("quorvan/quorvan.rds"));
    EXPECT_TRUE(loc.createDirectory);

    // A file shipped beside the program is read until the user's own exists.
    exe.put("quorvan.rds", "[Config]\r\n");
    loc = locateSettings(fs, exe.path(), config.path(), "/home/u");
    EXPECT_EQ(loc.readPath, exe.file("quorvan.rds"));
    EXPECT_EQ(loc.writePath, config.file("quorvan/quorvan.rds"));

    config.put("quorvan/quorvan.rds", "[Config]\r\n");
    loc = locateSettings(fs, exe.path(), config.path(), "/home/u");
    EXPECT_EQ(loc.readPath, config.file("quorvan/quorvan.rds"));

    // XDG_CONFIG_HOME unset, empty or relative: $HOME/.config.
    for (const char* xdg : {"", "relative/dir"}) {
        loc = locateSettings(fs, exe.path(), xdg, "/home/u");
        EXPECT_EQ(loc.writePath, "/home/u/.config/quorvan/quorvan.rds");
    }
}

TEST(SettingsLocation, AReadOnlyFileBesideTheProgramIsReadButSavedInTheUserDirectory)
{
    TempDir exe;
    TempDir config;
    exe.put("quorvan.rds", "[Config]\r\n");
    ASSERT_EQ(::chmod(exe.file("quorvan.rds").c_str(), 0444), 0);
    PosixFileSystem fs;
    SettingsLocation loc = locateSettings(fs, exe.path() + "/", config.path(), "/home/u");
    EXPECT_EQ(loc.readPath, exe.file("quorvan.rds"));
    EXPECT_EQ(loc.writePath, config.file("quorvan/quorvan.rds"));
    EXPECT_TRUE(loc.createDirectory);
    // Saved there, the program's own file stays as it was.
    EXPECT_FALSE(replaceFileContents(fs, exe.file("quorvan.rds"), "new"));
    EXPECT_EQ(exe.get("quorvan.rds"), "[Config]\r\n");
}

// An installed program: in the bin directory it was built for (even one the
// user can write, such as root's /usr/bin or a prefix in the home
// directory), or in a directory that cannot be written.
TEST(SettingsLocation, AnInstalledProgramKeepsOneFilePerUser)
{
    TempDir bin;
    TempDir config;
    PosixFileSystem fs;
    EXPECT_TRUE(isInstalledProgram(fs, bin.path() + "/", bin.path()));
    EXPECT_TRUE(isInstalledProgram(fs, bin.path(), bin.path() + "//"));
    EXPECT_FALSE(isInstalledProgram(fs, bin.path() + "/", ""));
    EXPECT_FALSE(isInstalledProgram(fs, bin.path() + "/", bin.path() + "/other"));
    FailingFileSystem readOnly;
    readOnly.readOnlyDirectories = true;
    EXPECT_TRUE(isInstalledProgram(readOnly, bin.path() + "/", ""));

    // Writable, but installed: the user's file, not one beside the program.
    SettingsLocation loc = locateSettings(fs, bin.path() + "/", config.path(), "/home/u", /*installed=*/true);
    EXPECT_EQ(loc.writePath, config.file("quorvan/quorvan.rds"));
    EXPECT_EQ(loc.readPath, config.file("quorvan/quorvan.rds"));
    EXPECT_TRUE(loc.createDirectory);
    bin.put("quorvan.rds", "[Config]\r\n");
    loc = locateSettings(fs, bin.path() + "/", config.path(), "/home/u", true);
    EXPECT_EQ(loc.readPath, bin.file("quorvan.rds")) << "shipped values carry over to the first save";
    EXPECT_EQ(loc.writePath, config.file("quorvan/quorvan.rds"));
}

// Relative text-source names: below the program's own folder when it runs
// from there, below the settings file in use when it is installed (its
// directory is not the user's).
TEST(SettingsLocation, TextSourcesOfAnInstalledProgramAreBesideTheSettingsFile)
{
    const SettingsLocation user{"/home/u/.config/quorvan/quorvan.rds", "/home/u/.config/quorvan/quorvan.rds", true};
    EXPECT_EQ(textSourceDirectory(false, user, "/opt/q"), "/opt/q/");
    EXPECT_EQ(textSourceDirectory(false, user, "/opt/q/"), "/opt/q/");
    EXPECT_EQ(textSourceDirectory(true, user, "/usr/bin/"), "/home/u/.config/quorvan/");
    // The user file does not exist yet and the shipped one is read: still the user's directory.
    const SettingsLocation shipped{"/usr/bin/quorvan.rds", "/home/u/.config/quorvan/quorvan.rds", true};
    EXPECT_EQ(textSourceDirectory(true, shipped, "/usr/bin/"), "/home/u/.config/quorvan/");
    // quorvanctl --settings station/quorvan.rds: the named file's directory, made absolute.
    const SettingsLocation named = explicitSettingsLocation("station/quorvan.rds");
    EXPECT_EQ(textSourceDirectory(true, named, "/usr/bin/"), absolutePath("station") + "/");
    EXPECT_EQ(textSourceDirectory(true, explicitSettingsLocation("/quorvan.rds"), "/usr/bin/"), "/");
}

TEST(SettingsLocation, ExplicitFileIsMadeAbsolute)
{
    SettingsLocation loc = explicitSettingsLocation("rel/quorvan.rds");
    EXPECT_EQ(loc.readPath.front(), '/');
    EXPECT_EQ(loc.readPath, loc.writePath);
    EXPECT_EQ(loc.readPath.substr(loc.readPath.size() - 16), "/rel/quorvan.rds");
    EXPECT_EQ(explicitSettingsLocation("/a/b.rds").writePath, "/a/b.rds");
    EXPECT_EQ(executableDirectory().back(), '/');
}

TEST(ReadFile, OnlyRegularFilesAreReadAndNothingWaitsForAWriter)
{
    TempDir dir;
    dir.put("quorvan.rds", "[Config]\r\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0700), 0);
    PosixFileSystem fs;
    EXPECT_EQ(fs.readFile(dir.file("quorvan.rds")), "[Config]\r\n");
    EXPECT_EQ(fs.readFile(dir.file("fifo")), std::nullopt); // a FIFO with no writer: no wait
    EXPECT_EQ(fs.readFile(dir.file("sub")), std::nullopt);
    EXPECT_EQ(fs.readFile("/dev/zero"), std::nullopt);
    EXPECT_EQ(fs.readFile(dir.file("missing")), std::nullopt);
}
