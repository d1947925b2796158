#include "settings/settings_file.h"

#include "settings/failing_file_system.h"
#include "settings/settings_test_util.h"
#include "settings/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvan;
using quorvan::test::crlf;
using quorvan::test::FailingFileSystem;
using quorvan::test::savedOver;
using quorvan::test::TempDir;

namespace {

// A settings file as an operator might edit it: comments, an unknown section,
// an unknown key, other letter case, blanks around "=", keys in reverse order.
const std::string kHandWritten = crlf(R"(
; Quorvan settings, edited by hand
; keep a copy in the backup folder

[radiotext]
Prefix=""
CutEnd=0
CutBeginning=0
; the texts below are sent in turn
ReadFrom=1
SourceFile=
SendOnChange=1
FromFile=0
SendNextAfter=5
AutoSendNext=0
SelRT4=0
SelRT3=0
SelRT2=0
SelRT1=1
Radiotext14=""
Radiotext13=""
Radiotext12=""
Radiotext1="Hello, world"
Enabled=0

[Station]
Owner=Radio Example
Studio = B

[DataGroups]
Byte18=00
Byte17=00
Byte16=00
Byte15=00
Byte14=00
GroupType1=0
Enabled=0

[GENERAL]
FillChar = "*"
Fill1=0
Fill0 = 1
Unknown=keep me
Justification2=1
Justification1 = 0
Justification0=0
ConvertToCapitals = 0
RemoveBrackets=0
RemoveNumbering = 0
DPSLabelsDelay=1
RT4Type = 0
RT3Type=0
RT2Type = 0
RT1Type=0
DPSLabelPeriod = 5
AF15=
AF14 =
AF13=
AF12 =
AF11=
AF10 =
AF9=
AF8 =
AF7=
AF6 =
AF5=
AF4 =
AF3=
AF2 =
AF1=
DI3 = 0
DI2=0
DI1 = 0
DI0=0
MS = 1
PTY=10
TA = 0
TP=0
PI = 12AB
DefaultPS=" RADIO "
PLLRange = 0
ClockSource=0
PhaseShift = 0

[DPS1]
Prefix=""
CutEnd=0
CutBeginning=0
ReadFrom=1
SourceFile=
SendOnChange=1
FromFile=0
Mode=2
Delay=8
Enabled=0
Text=Now playing
Label8=""
Label7=""
Label6=""
Label5=""
Label4=""
Label3=""
Label2=""
Label1=""
Label0=""

[Config]
CTState=Stop
LPT2Address=632
Slow=1
RTFromFile=
DPSFromFile=
SummerTimeOffset=1
UTCOffset=0
LogoPicture=(none)
Bidirectional=1
Port=1
PTYCodes=0
HighPriority=0
LabelColor=20
Summertime=0
Visible=1
Left=10
Top=120
)").substr(2);

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// Runs `body` in a child process that file permissions bind (as root it first
// becomes the user "nobody") and returns the child's exit status; 77 when the
// child could not give up its privileges.
int runUnprivileged(const std::function<bool()>& body)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(77);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Saves a changed value over `path` without privileges: 0 when the save failed
// with "Unable to write to <path>", 77 when privileges could not be dropped.
int unprivilegedSaveStatus(const std::string& path)
{
    return runUnprivileged([&] {
        PosixFileSystem fs;
        SettingsValues v;
        v.params.program.PI = "BEEF";
        SaveResult r = saveSettingsFile(fs, explicitSettingsLocation(path), v);
        return !r.ok && r.error == "Unable to write to " + path;
    });
}

} // namespace

TEST(SettingsSave, NewFileHasTheSectionsAndKeysInTableOrder)
{
    std::string file = savedOver("", SettingsValues{});
    std::istringstream in(file);
    std::string line;
    std::vector<std::string> headers;
    std::vector<std::string> keys;
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        if (line.empty())
            continue;
        if (line.front() == '[')
            headers.push_back(line);
        else
            keys.push_back(headers.back() + line.substr(0, line.find('=')));
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"[Config]", "[General]", "[DPS1]", "[DataGroups]", "[Radiotext]"}));
    std::vector<std::string> expected;
    for (const SettingKey& k : settingKeys())
        if (!k.omitWhenDefault)
            expected.push_back("[" + std::string(k.section) + "]" + k.key);
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(file.substr(0, 30), "[Config]\r\nTop=10\r\nLeft=10\r\nVis");
    EXPECT_NE(file.find("\r\n\r\n[General]\r\nPhaseShift=0\r\nClockSource=0\r\n"), std::string::npos);
    EXPECT_NE(file.find("LogoPicture=(none)\r\n"), std::string::npos);
    EXPECT_NE(file.find("FillChar=\"*\"\r\n\r\n[DPS1]\r\nLabel0=\"\"\r\n"), std::string::npos);
}

TEST(SettingsSave, HandWrittenFileKeepsEverythingButTheChangedValues)
{
    TempDir dir;
    dir.put("quorvan.rds", kHandWritten);
    PosixFileSystem fs;
    SettingsLocation where = explicitSettingsLocation(dir.file("quorvan.rds"));

    SettingsValues v;
    bool found = false;
    loadSettingsFile(fs, where, v, &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(v.params.program.PI, "12AB");
    EXPECT_EQ(v.params.program.PSDEF, " RADIO ");
    EXPECT_EQ(v.params.preferences.RGPORT, 1);
    EXPECT_EQ(v.params.program.PTY, 10);
    EXPECT_EQ(v.params.dynamicPs.DPS1B, "Now playing");
    EXPECT_EQ(v.params.radiotext.RT1, "Hello, world");
    EXPECT_EQ(v.window.Top, 120);
    EXPECT_EQ(v.params.preferences.CBCHARSET, 0);  // a file without Charset holds Latin-1 texts

    // Saving what was loaded changes nothing at all (no Charset key is added).
    ASSERT_TRUE(saveSettingsFile(fs, where, v).ok);
    EXPECT_EQ(dir.get("quorvan.rds"), kHandWritten);

    v.params.program.PI = "ABCD";
    v.params.preferences.RGPORT = 2;
    v.params.radiotext.RT4 = " four ";
    v.params.system.CTRunning = true;
    ASSERT_TRUE(saveSettingsFile(fs, where, v).ok);
    std::string expected = kHandWritten;
    expected = replaced(expected, "PI = 12AB\r\n", "PI = ABCD\r\n");
    expected = replaced(expected, "Port=1\r\n", "Port=2\r\n");
    expected = replaced(expected, "Radiotext14=\"\"\r\n", "Radiotext14=\" four \"\r\n");
    expected = replaced(expected, "CTState=Stop\r\n", "CTState=Start\r\n");
    EXPECT_EQ(dir.get("quorvan.rds"), expected);
    EXPECT_EQ(dir.entries(), 1);
}

TEST(SettingsSave, AFailedSaveLeavesTheOldFileAndReportsTheFullPath)
{
    TempDir dir;
    dir.put("quorvan.rds", kHandWritten);
    SettingsLocation where = explicitSettingsLocation(dir.file("quorvan.rds"));
    SettingsValues v;
    v.params.program.PI = "BEEF";

    FailingFileSystem fs; // a directory that refuses new files
    fs.failTemporary = true;
    SaveResult r = saveSettingsFile(fs, where, v);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Unable to write to " + dir.file("quorvan.rds"));
    EXPECT_EQ(dir.get("quorvan.rds"), kHandWritten);

    fs.failTemporary = false; // the rename fails
    fs.failReplace = true;
    r = saveSettingsFile(fs, where, v);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(dir.get("quorvan.rds"), kHandWritten);
    EXPECT_EQ(dir.entries(), 1);
}

TEST(SettingsSave, AReadOnlyDirectoryKeepsTheOldFileByteForByteAndReportsTheError)
{
    TempDir dir;
    dir.put("quorvan.rds", kHandWritten);
    const std::string path = dir.file("quorvan.rds");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);

    const int status = unprivilegedSaveStatus(path);
    ::chmod(dir.path().c_str(), 0755);
    if (status == 77)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(status, 0) << "the save did not fail with \"Unable to write to " << path << "\"";
    EXPECT_EQ(dir.get("quorvan.rds"), kHandWritten);
    EXPECT_EQ(dir.entries(), 1);
}

TEST(SettingsSave, AReadOnlyFileInAWritableDirectoryIsNotReplaced)
{
    TempDir dir;
    dir.put("quorvan.rds", kHandWritten);
    const std::string path = dir.file("quorvan.rds");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    // Anyone may create files in the directory, so a rename over the file would work.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);

    const int status = unprivilegedSaveStatus(path);
    if (status == 77)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(status, 0) << "the save did not fail with \"Unable to write to " << path << "\"";
    EXPECT_EQ(dir.get("quorvan.rds"), kHandWritten);
    EXPECT_EQ(dir.entries(), 1);
}

TEST(SettingsSave, ADirectoryThatCannotExistReportsTheError)
{
    TempDir dir;
    dir.put("notadir", "plain file");
    PosixFileSystem fs;
    SettingsLocation where = explicitSettingsLocation(dir.file("notadir/quorvan.rds"));
    SaveResult r = saveSettingsFile(fs, where, SettingsValues{});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Unable to write to " + dir.file("notadir/quorvan.rds"));

    where.createDirectory = true;
    EXPECT_FALSE(saveSettingsFile(fs, where, SettingsValues{}).ok);
    EXPECT_EQ(dir.get("notadir"), "plain file");
}

TEST(SettingsSave, InstalledProgramSavesInTheUserDirectoryKeepingTheShippedLines)
{
    TempDir exe;
    TempDir config;
    exe.put("quorvan.rds", crlf("; shipped with the program\n[Config]\nPort=1\n[Studio]\nName=B\n"));
    FailingFileSystem fs;
    fs.readOnlyDirectories = true;
    SettingsLocation where = locateSettings(fs, exe.path() + "/", config.path(), "");

    SettingsValues v;
    loadSettingsFile(fs, where, v);
    EXPECT_EQ(v.params.preferences.RGPORT, 1);
    v.params.preferences.RGPORT = 3;
    ASSERT_TRUE(saveSettingsFile(fs, where, v).ok);

    std::string saved = config.get("quorvan/quorvan.rds");
    const std::string head = crlf("; shipped with the program\n[Config]\nPort=3\nTop=10\n");
    EXPECT_EQ(saved.substr(0, head.size()), head);
    EXPECT_NE(saved.find("[Studio]\r\nName=B\r\n"), std::string::npos);
    EXPECT_EQ(exe.get("quorvan.rds"), crlf("; shipped with the program\n[Config]\nPort=1\n[Studio]\nName=B\n"));

    // From now on the user's file is the one read.
    where = locateSettings(fs, exe.path() + "/", config.path(), "");
    SettingsValues again;
    loadSettingsFile(fs, where, again);
    EXPECT_EQ(again.params.preferences.RGPORT, 3);
}

TEST(SettingsSave, AMissingFileLoadsDefaultsAndTheFirstSaveCreatesIt)
{
    TempDir dir;
    PosixFileSystem fs;
    SettingsLocation where = explicitSettingsLocation(dir.file("quorvan.rds"));
    SettingsValues v;
    bool found = true;
    loadSettingsFile(fs, where, v, &found);
    EXPECT_FALSE(found);
    ASSERT_TRUE(saveSettingsFile(fs, where, v).ok);
    EXPECT_EQ(dir.get("quorvan.rds"), savedOver("", v));
}
