#include "sim/sim_rig.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("quorvan-state-" + std::to_string(::getpid()) + "-"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

EncoderState sampleState()
{
    EncoderState s;
    for (int i = 0; i < 256; ++i) {
        s.ram[i] = static_cast<std::uint8_t>(i);
        s.eeprom[i] = static_cast<std::uint8_t>(255 - i);
    }
    s.status = 0x83;
    s.carrier = false;
    s.power = false;
    s.lastCommand = 0x45;
    s.clockTime = {0x40, 1, 2, 3, 4, 5, 1};
    s.clockTimeLatches = 12;
    return s;
}

TEST(StateFile, RoundTripsEveryField)
{
    TempDir dir;
    const std::string path = dir.file("enc.state");
    std::string error;
    ASSERT_TRUE(SaveEncoderState(path, sampleState(), error)) << error;
    EncoderState back;
    EXPECT_EQ(LoadEncoderState(path, back, error), StateLoad::Loaded) << error;
    EXPECT_EQ(back, sampleState());
    EXPECT_EQ(fs::directory_iterator(dir.path)->path().filename(), "enc.state") << "no temporary left behind";
}

TEST(StateFile, MissingIsNotDamaged)
{
    TempDir dir;
    EncoderState s;
    std::string error;
    EXPECT_EQ(LoadEncoderState(dir.file("none"), s, error), StateLoad::Missing);
}

TEST(StateFile, TruncatedOrGarbageFilesAreReportedAndLeftAlone)
{
    TempDir dir;
    const std::string full = FormatEncoderState(sampleState());
    const std::vector<std::string> bad = {
        "",
        "hello world\n",
        full.substr(0, full.size() / 2),
        full.substr(0, full.size() - 10),
        full + "ram 00 00\n",
        std::string("quorvan-virtual-encoder 1\npower maybe\n"),
        full + "extra 1\n",
    };
    for (const std::string& text : bad) {
        const std::string path = dir.file("bad.state");
        std::ofstream(path, std::ios::binary) << text;
        EncoderState s = sampleState();
        std::string error;
        EXPECT_EQ(LoadEncoderState(path, s, error), StateLoad::Damaged) << text.substr(0, 40);
        EXPECT_NE(error.find("bad.state"), std::string::npos) << error;
        EXPECT_EQ(s, sampleState()) << "state untouched on failure";
        EXPECT_EQ(slurp(path), text);
    }
}

TEST(StateFile, FifosDevicesDirectoriesAndOversizedFilesAreDamagedNotWaitedOn)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0); // no writer: a plain open would wait
    fs::create_directories(dir.file("sub"));
    // A valid state followed by blank lines: too big to be one, never parsed whole.
    std::ofstream(dir.file("huge.state"), std::ios::binary)
        << FormatEncoderState(sampleState()) << std::string(kMaxStateFileBytes, '\n');
    for (const std::string& path : {dir.file("fifo"), dir.file("sub"), std::string("/dev/zero"), dir.file("huge.state")}) {
        EncoderState s = sampleState();
        std::string error;
        EXPECT_EQ(LoadEncoderState(path, s, error), StateLoad::Damaged) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(s, sampleState());
    }
}

TEST(StateFile, ASymbolicLinkIsSavedThroughAndStaysALink)
{
    TempDir dir;
    fs::create_directories(dir.file("real"));
    std::string error;
    ASSERT_TRUE(SaveEncoderState(dir.file("real/enc.state"), EncoderState{}, error)) << error;
    fs::create_symlink("real/enc.state", dir.file("enc.state"));
    ASSERT_TRUE(SaveEncoderState(dir.file("enc.state"), sampleState(), error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.file("enc.state")));
    EncoderState back;
    ASSERT_EQ(LoadEncoderState(dir.file("real/enc.state"), back, error), StateLoad::Loaded) << error;
    EXPECT_EQ(back, sampleState());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), fs::directory_iterator()), 1);
}

TEST(StateFile, AFailedSaveNamesTheStateFile)
{
    TempDir dir;
    std::string error;
    // A missing folder is made; one that is a file cannot be.
    std::ofstream(dir.file("plain")) << "x";
    const std::string path = dir.file("plain/enc.state");
    EXPECT_FALSE(SaveEncoderState(path, sampleState(), error));
    EXPECT_NE(error.find(path + ":"), std::string::npos) << error;
}

TEST(StateFile, DumpShowsTwelveRowsOfUpperCaseHex)
{
    EncoderState s = sampleState();
    const std::string dump = DumpMemory(s.ram);
    std::istringstream in(dump);
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (rows == 0) {
            EXPECT_EQ(line, "00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
        }
        if (rows == 11) {
            EXPECT_EQ(line, "B0: B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF");
        }
        ++rows;
    }
    EXPECT_EQ(rows, 12);
}

TEST(StateFile, ALinkPlantedWhereATemporaryFileCouldBeIsNeverFollowed)
{
    TempDir dir;
    const std::string path = dir.file("enc.state");
    const std::string victim = dir.file("victim");
    { std::ofstream(victim) << "keep me"; }
    // The names a save of this process could pick by its process number.
    for (const std::string& name : {path + ".tmp" + std::to_string(::getpid()), path + ".tmp"})
        fs::create_symlink(victim, name);
    std::string error;
    ASSERT_TRUE(SaveEncoderState(path, sampleState(), error)) << error;
    ASSERT_TRUE(SaveEncoderState(path, sampleState(), error)) << error;
    std::ifstream in(victim);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "keep me");
    EncoderState loaded;
    EXPECT_EQ(LoadEncoderState(path, loaded, error), StateLoad::Loaded) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 4)
        << "the file, the victim and the two links: no temporary file is left";
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_read, fs::perms::others_read);
}


// Every value of the extension record, with texts that need escaping.
EncoderState stateWithRecord()
{
    EncoderState s = sampleState();
    ExtensionRecord& r = s.extension;
    r.rtPlus = {0x03, 4, 0, 4, 1, 8, 7};
    r.rdsLevelTenths = 45;
    r.rdsPhaseTenths = 900;
    ExtendedValues& v = r.values;
    v.ecc = 0xE0;
    v.lic = 0x08;
    v.pin = ProgrammeItem{15, 9, 30};
    v.ptyn = "Jazz bar";
    v.longPs = "Radio Caf\xC3\xA9 100%";
    v.ert = "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE - a\tb\nc";
    v.ertFromRt = true;
    v.afMethod = AfMethod::B;
    v.afB = {{110, {{1, false}, {137, true}}}, {11, {}}};
    v.eon[0] = {0xD3A2, "-", {12, 45}, 10, true, false};
    v.eon[7] = {0x1234, "", {}, 0, false, true};
    v.groupSequence = {SequenceGroup::G0A, SequenceGroup::G2A, SequenceGroup::User, SequenceGroup::G15A};
    return s;
}

TEST(StateFile, TheExtensionRecordRoundTripsAndADefaultOneWritesNothing)
{
    TempDir dir;
    const std::string path = dir.file("enc.state");
    std::string error;
    ASSERT_TRUE(SaveEncoderState(path, stateWithRecord(), error)) << error;
    EncoderState back;
    ASSERT_EQ(LoadEncoderState(path, back, error), StateLoad::Loaded) << error;
    EXPECT_EQ(back.extension, stateWithRecord().extension);
    EXPECT_EQ(back, stateWithRecord());
    // A state without extended values keeps today's file: no "ext" line.
    EXPECT_EQ(FormatEncoderState(sampleState()).find("ext "), std::string::npos);
}

TEST(StateFile, ABadExtensionLineIsADamagedFileNeverACrash)
{
    TempDir dir;
    const std::string full = FormatEncoderState(sampleState());
    const std::vector<std::string> bad = {
        "ext\n", "ext nonsense 1\n", "ext rtplus 01 02\n", "ext level 1001\n", "ext phase 3600\n",
        "ext ecc 00\n", "ext ecc E\n", "ext pin 32 1 1\n", "ext pin 1 24 0\n", "ext pin 1 1\n",
        "ext ptyn ABCDEFGHI\n", "ext ptyn %4\n", "ext ptyn %ZZ\n", "ext afmethod C\n", "ext afb 205\n",
        "ext afb 100 0\n", "ext afb 100 1 2 3 4 5 6 7 8 9 10 11 12 13\n", "ext eon 9 D3A2 0 0 0 -\n",
        "ext eon 1 D3A2 32 0 0 -\n", "ext eon 1 D3A2 0 0 0 - 0\n", "ext eon 1 D3A2 0 0 0 -\next eon 1 D3A2 0 0 0 -\n",
        "ext sequence 5A\n", "ext ert " + std::string(129, 'x') + "\n",
    };
    for (const std::string& line : bad) {
        const std::string path = dir.file("bad.state");
        std::ofstream(path, std::ios::binary) << full + line;
        EncoderState s;
        std::string error;
        EXPECT_EQ(LoadEncoderState(path, s, error), StateLoad::Damaged) << line;
    }
    // Thirteen method B lists: one more than there are.
    std::string many;
    for (int i = 0; i < 13; ++i)
        many += "ext afb 100 1\n";
    const std::string path = dir.file("many.state");
    std::ofstream(path, std::ios::binary) << full + many;
    EncoderState s;
    std::string error;
    EXPECT_EQ(LoadEncoderState(path, s, error), StateLoad::Damaged);
}

} // namespace
} // namespace quorvan::test
