#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <sys/stat.h>

namespace quorvan::test {
namespace {

// The virtual encoder's memory as the dump shows it, one "HH" per address.
std::vector<std::string> dump(const CliSandbox& box, bool eeprom = false)
{
    std::vector<std::string> args{"virtual-dump", box.path("enc.st")};
    if (eeprom)
        args.push_back("--eeprom");
    std::istringstream in(box.run(args).out);
    std::vector<std::string> bytes;
    std::string word;
    while (in >> word)
        if (word.back() != ':')
            bytes.push_back(word);
    return bytes;
}

// The bytes at address..address+count-1 as "HH HH".
std::string dumpBytes(const CliSandbox& box, int address, int count, bool eeprom = false)
{
    const std::vector<std::string> bytes = dump(box, eeprom);
    std::string out;
    for (int i = address; i < address + count && i < static_cast<int>(bytes.size()); ++i)
        out += (out.empty() ? "" : " ") + bytes[static_cast<std::size_t>(i)];
    return out;
}

struct EncoderCommands : ::testing::Test {
    EncoderCommands()
    {
        box.write("station.rds", "[General]\r\n"
                                 "PI=1A2B\r\n"
                                 "DefaultPS=\"RADIO\"\r\n"
                                 "AF1=87.6\r\n"
                                 "AF2=xx\r\n"
                                 "AF3=100\r\n"
                                 "RT1Type=1\r\n"
                                 "[Radiotext]\r\n"
                                 "Enabled=1\r\n"
                                 "Radiotext1=\"Hello\"\r\n"
                                 "[Config]\r\n"
                                 "; kept as it is\r\n"
                                 "Unknown=value\r\n"
                                 "UTCOffset=1\r\n"
                                 "Summertime=1\r\n"
                                 "SummerTimeOffset=1\r\n");
    }
    CliResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--settings", box.path("station.rds"), "--port", "virtual:" + box.path("enc.st")});
        return box.run(args);
    }
    CliSandbox box;
};

TEST_F(EncoderCommands, SendWritesTheStationValues)
{
    const CliResult r = run({"send"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "quorvanctl: settings: AF2 'xx' is not a frequency of 87.6 to 107.9 MHz; left out\n");
    EXPECT_EQ(dumpBytes(box, 0x00, 16), "1A 2B 52 41 44 49 4F 20 20 20 00 00 01 00 00 02");
    EXPECT_EQ(dumpBytes(box, 0x10, 2), "01 7D");
    EXPECT_EQ(dumpBytes(box, 0x1F, 1), "03");
    EXPECT_EQ(dumpBytes(box, 0x20, 6), "48 65 6C 6C 6F 20");
}

TEST_F(EncoderCommands, NonHexadecimalDigitsInTheSettingsCountAsF)
{
    box.write("station.rds", "[General]\nPI=1a2b\n[DataGroups]\nByte16=zz\n");
    ASSERT_EQ(run({"send"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x00, 2), "1F 2F");
    EXPECT_EQ(dumpBytes(box, 0x64, 1), "FF");
    // Five characters keep their last four unchecked: "2G45" is sent as 2F 45.
    box.write("station.rds", "[General]\nPI=12G45\n");
    ASSERT_EQ(run({"send"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x00, 2), "2F 45");
}

TEST_F(EncoderCommands, StoreThenPowerCycleThenReceiveWritesTheSettings)
{
    ASSERT_EQ(run({"send"}).code, 0);
    ASSERT_EQ(run({"store"}).code, 0);
    ASSERT_EQ(box.run({"virtual-poke", box.path("enc.st"), "02", "4C", "4F", "53", "54"}).code, 0);
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "off"}).code, 0);
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "on"}).code, 0);
    box.write("station.rds", "[General]\nDefaultPS=\"OTHER\"\n[Config]\n; kept as it is\nUnknown=value\n");
    const CliResult r = run({"receive"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string settings = box.read("station.rds");
    EXPECT_NE(settings.find("DefaultPS=\"RADIO\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("PI=1A2B"), std::string::npos);
    EXPECT_NE(settings.find("AF2=100.0"), std::string::npos);
    EXPECT_NE(settings.find("Radiotext1=\"Hello\""), std::string::npos);
    EXPECT_NE(settings.find("; kept as it is\nUnknown=value\n"), std::string::npos);
}

TEST_F(EncoderCommands, ReceiveFromASilentEncoderEndsNotReadyAndLeavesTheSettings)
{
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "off"}).code, 0);
    const std::string before = box.read("station.rds");
    const CliResult r = run({"receive"});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("!Ready"), std::string::npos);
    EXPECT_EQ(box.read("station.rds"), before);
}

TEST_F(EncoderCommands, ReceiveFromABlankEncoderPutsNoNulIntoTheSettings)
{
    ASSERT_EQ(run({"receive"}).code, 0);
    const std::string settings = box.read("station.rds");
    EXPECT_EQ(settings.find('\0'), std::string::npos);
    EXPECT_NE(settings.find("DefaultPS=\"\"\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Radiotext1=\"\"\r\n"), std::string::npos);
}

TEST_F(EncoderCommands, ReadingNeedsBidirectional)
{
    box.write("station.rds", "[Config]\nBidirectional=0\n");
    for (const char* command : {"receive", "status"}) {
        const CliResult r = run({command});
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_NE(r.err.find("Bidirectional"), std::string::npos) << r.err;
    }
}

TEST_F(EncoderCommands, StatusPrintsThreeLines)
{
    ASSERT_EQ(box.run({"virtual-poke", box.path("enc.st"), "70", "83"}).code, 0);
    const CliResult r = run({"status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Status byte value: 131\nPilot tone: 1\nTA: 1\n");
}

TEST_F(EncoderCommands, StatusOfASilentEncoderPrintsNothing)
{
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "off"}).code, 0);
    const CliResult r = run({"status"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "");
}

TEST_F(EncoderCommands, ClockTimeAtAGivenLocalTime)
{
    // UTC offset 1 and summertime 1: +2 hours.
    const CliResult r = run({"ct", "--at", "2005-10-15T12:00:20"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(dumpBytes(box, 0x67, 6), "40 01 A3 34 A0 44");
    EXPECT_EQ(run({"ct", "--at=2005-02-30T12:00:00"}).code, 2);
    EXPECT_EQ(run({"ct", "--at", "noon"}).code, 2);
}

TEST_F(EncoderCommands, RadiotextUpdateWithTypeAndLatin1)
{
    ASSERT_EQ(run({"rt", "Gr\xC3\xBC\xC3\x9F" "e", "--type", "A"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x1F, 7), "01 47 72 FC DF 65 20");
    ASSERT_EQ(run({"rt", "Next"}).code, 0);  // the type of the current radiotext: B
    EXPECT_EQ(dumpBytes(box, 0x1F, 1), "03");
    EXPECT_EQ(run({"rt", "x", "--type", "C"}).code, 2);
    EXPECT_EQ(run({"rt", "\xE2\x82\xAC"}).code, 2);  // the euro sign has no single byte
}

TEST_F(EncoderCommands, TextsInTheRdsCharacterSet)
{
    box.write("station.rds", "[Config]\r\nCharset=1\r\n");
    // ș goes out as the table's ş. é is 0x82, € 0xA9 in the RDS table.
    ASSERT_EQ(run({"rt", "Timi\xC8\x99oara \xC3\xA9 \xE2\x82\xAC", "--type", "A"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x1F, 15), "01 54 69 6D 69 9C 6F 61 72 61 20 82 20 A9 20");
    // An argument that is not UTF-8 is read as Latin-1.
    ASSERT_EQ(run({"dps", "Kv\xE4ll"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x76, 7), "05 4B 76 91 6C 6C 20");
}

TEST_F(EncoderCommands, DynamicPSUpdate)
{
    ASSERT_EQ(run({"dps", "RADIO ONE"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x76, 11), "09 52 41 44 49 4F 20 4F 4E 45 20");
    const CliResult r = run({"dps", std::string(80, 'A')});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dumpBytes(box, 0x76, 1), "48");
    EXPECT_EQ(dumpBytes(box, 0xBF, 1), "20");
}

TEST_F(EncoderCommands, DirectControls)
{
    ASSERT_EQ(run({"carrier", "off"}).code, 0);
    ASSERT_EQ(run({"ta", "on"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x0E, 1), "01");
    ASSERT_EQ(run({"ta", "off"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x0E, 1), "00");
    ASSERT_EQ(run({"carrier", "on"}).code, 0);
    ASSERT_EQ(run({"reset"}).code, 0);
    EXPECT_EQ(run({"carrier", "maybe"}).code, 2);
    EXPECT_EQ(run({"send", "extra"}).code, 2);
}

TEST_F(EncoderCommands, SilentEncoderMakesEveryWriteExitThree)
{
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "off"}).code, 0);
    for (std::vector<std::string> args : {std::vector<std::string>{"send"}, {"store"}, {"reset"}, {"ta", "on"},
                                          {"ct"}, {"rt", "x"}, {"dps", "x"}}) {
        const CliResult r = run(args);
        EXPECT_EQ(r.code, 3) << args[0];
    }
}

TEST_F(EncoderCommands, UnreadableSettingsFileIsAUsageError)
{
    const CliResult r = box.run({"--settings", box.path("missing.rds"), "--port", "virtual:" + box.path("enc.st"),
                                 "send"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("missing.rds"), std::string::npos);
    // A directory is no settings file either: nothing is sent.
    std::filesystem::create_directory(box.path("folder.rds"));
    const CliResult d = box.run({"--settings", box.path("folder.rds"), "--port", "virtual:" + box.path("enc.st"),
                                 "send"});
    EXPECT_EQ(d.code, 2);
    EXPECT_NE(d.err.find("not a regular file"), std::string::npos) << d.err;
    // Nor is a FIFO, and one without a writer must not hold the program.
    ASSERT_EQ(::mkfifo(box.path("pipe.rds").c_str(), 0600), 0);
    const CliResult f = box.run({"--settings", box.path("pipe.rds"), "--port", "virtual:" + box.path("enc.st"),
                                 "send"});
    EXPECT_EQ(f.code, 2);
    EXPECT_NE(f.err.find("not a regular file"), std::string::npos) << f.err;
    EXPECT_FALSE(std::filesystem::exists(box.path("enc.st")));
}

TEST_F(EncoderCommands, WithoutSettingsTheProgramsOwnFileBesideItIsUsed)
{
    // quorvanctl lies beside quorvan (built and installed so) and takes its quorvan.rds.
    std::filesystem::create_directory(box.path("bin"));
    std::filesystem::copy_file(QUORVAN_CLI_PATH, box.path("bin/quorvanctl"));
    box.program = box.path("bin/quorvanctl");
    box.write("bin/quorvan.rds", "[General]\r\nPI=ABCD\r\n");
    const std::string port = "virtual:" + box.path("enc.st");
    ASSERT_EQ(box.run({"--port", port, "send"}).code, 0);
    EXPECT_EQ(dumpBytes(box, 0x00, 2), "AB CD");
    ASSERT_EQ(box.run({"virtual-poke", box.path("enc.st"), "00", "12", "34"}).code, 0);
    const CliResult r = box.run({"--port", port, "receive"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(box.read("bin/quorvan.rds").find("PI=1234"), std::string::npos);
}

} // namespace
} // namespace quorvan::test
