// What quorvanctl tells the operator and puts on air for a station: the A/B
// flag of a new radiotext in the group stream, what Receive read, settings
// values corrected at load, a follower with nothing to follow, and a state
// file made by switching a fresh virtual encoder on.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace quorvan::test {
namespace {

struct StationReport : ::testing::Test {
    CliResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--settings", box.path("station.rds"), "--port", "virtual:" + box.path("enc.st")});
        return box.run(args);
    }
    // The A/B flags of the radiotext groups (2A) the encoder sends over `seconds`,
    // each change once: "AB" after a toggle from A to B.
    std::string radiotextFlags(int seconds)
    {
        const CliResult r = box.run({"groups", box.path("enc.st"), "--seconds", std::to_string(seconds)});
        std::istringstream in(r.out);
        std::string flags;
        for (std::string pi, b2, b3, b4; in >> pi >> b2 >> b3 >> b4;) {
            const unsigned block2 = static_cast<unsigned>(std::stoul(b2, nullptr, 16));
            if ((block2 >> 11) != 0x4)  // group type 2, version A
                continue;
            const char flag = (block2 & 0x10) != 0 ? 'B' : 'A';
            if (flags.empty() || flags.back() != flag)
                flags += flag;
        }
        return flags;
    }
    CliSandbox box;
};

TEST_F(StationReport, ANewRadiotextTogglesTheABFlagOnAir)
{
    box.write("station.rds", "[Radiotext]\r\nEnabled=1\r\nToggleAB=1\r\nRadiotext1=\"Old\"\r\n");
    ASSERT_EQ(run({"send"}).code, 0);
    EXPECT_EQ(radiotextFlags(2), "A");
    ASSERT_EQ(run({"rt", "Beatles - Let It Be"}).code, 0);
    EXPECT_EQ(radiotextFlags(2), "B");
    ASSERT_EQ(run({"rt", "Adele - Hello"}).code, 0);
    EXPECT_EQ(radiotextFlags(2), "A");
    // The same text again keeps the flag: receivers keep what they show.
    ASSERT_EQ(run({"rt", "Adele - Hello"}).code, 0);
    EXPECT_EQ(radiotextFlags(2), "A");
    // A type given on the command line stands as given.
    ASSERT_EQ(run({"rt", "News", "--type", "A"}).code, 0);
    EXPECT_EQ(radiotextFlags(2), "A");
}

TEST_F(StationReport, AnOlderFileWithoutToggleABSendsTheSameBytesAsBefore)
{
    box.write("station.rds", "[Radiotext]\r\nEnabled=1\r\nRadiotext1=\"Old\"\r\n");
    ASSERT_EQ(run({"send"}).code, 0);
    // The bus sees exactly what a radiotext of a chosen type A puts on it.
    const auto recorded = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--settings", box.path("station.rds"), "--port", "virtual:" + box.path("enc.st"),
                                   "--record", box.path("bus.txt")});
        std::filesystem::remove(box.path("bus.txt"));
        EXPECT_EQ(box.run(args).code, 0);
        return box.read("bus.txt");
    };
    const std::string plain = recorded({"rt", "Beatles - Let It Be"});
    EXPECT_EQ(radiotextFlags(2), "A");
    EXPECT_EQ(plain, recorded({"rt", "Beatles - Let It Be", "--type", "A"}));
}

TEST_F(StationReport, ReceivePrintsWhatItReadAndNamesTheFile)
{
    box.write("station.rds", "[Config]\r\nCharset=1\r\n[General]\r\nPI=D3C2\r\nDefaultPS=\"KVÄLL\"\r\nPTY=10\r\n"
                             "TP=1\r\nDI0=1\r\nAF1=98.5\r\nAF2=101.1\r\nRT1Type=1\r\n"
                             "[Radiotext]\r\nEnabled=1\r\nRadiotext1=\"Žižkov – 100 €\"\r\n"
                             "[DPS1]\r\nEnabled=1\r\nMode=2\r\nText=Björk Jóga\r\n");
    ASSERT_EQ(run({"send"}).code, 0);
    const CliResult r = run({"receive"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "PI: D3C2\n"
                     "PS: \"KVÄLL\"\n"
                     "PTY: 10 (Pop M)\n"
                     "TP: 1\n"
                     "TA: 0\n"
                     "MS: Music\n"
                     "DI: 1\n"
                     "AF: 98.5, 101.1\n"
                     "Radiotext: \"Žižkov - 100 €\" (B, enabled)\n"
                     "Dynamic PS: \"Björk Jóga\" (mode 2)\n"
                     "Settings file updated: " +
                         std::filesystem::absolute(box.path("station.rds")).string() + "\n");
}

TEST_F(StationReport, SettingsValuesTheFieldsCannotHoldAreCorrectedAndSaidOnce)
{
    box.write("station.rds", "[General]\r\nPI=ZZZZ\r\nAF1=200\r\nAF2=abc\r\nAF3=99.1\r\n"
                             "DefaultPS=\"THIS IS WAY TOO LONG\"\r\n");
    const CliResult r = run({"send"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "quorvanctl: settings: PI 'ZZZZ' is not hexadecimal; FFFF used, "
                     "AF1 '200' is not a frequency of 87.6 to 107.9 MHz; left out, "
                     "AF2 'abc' is not a frequency of 87.6 to 107.9 MHz; left out, "
                     "DefaultPS 'THIS IS WAY TOO LONG' is longer than 8 characters; 'THIS IS ' used\n");
    // On air as before: PI FFFF, "THIS IS ", one AF.
    const CliResult dump = box.run({"virtual-dump", box.path("enc.st")});
    EXPECT_EQ(dump.out.substr(0, 34), "00: FF FF 54 48 49 53 20 49 53 20 ");
    // A file without such values says nothing.
    box.write("station.rds", "[General]\r\nPI=1234\r\nAF1=99.1\r\n");
    EXPECT_EQ(run({"send"}).err, "");
}

TEST_F(StationReport, FollowWithNothingToFollowExitsWithTwo)
{
    box.write("station.rds", "[Config]\r\nCTState=Stop\r\n");
    const CliResult r = run({"follow"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.rfind("quorvanctl: nothing to follow: no text source, radiotext switching, clock time, "
                          "network port or UECP port is switched on in ",
                          0),
              0u)
        << r.err;
}

TEST_F(StationReport, SwitchingAFreshVirtualEncoderOnCreatesItsStateFile)
{
    const std::string state = box.path("fresh.st");
    ASSERT_EQ(box.run({"virtual-power", state, "on"}).code, 0);
    EXPECT_TRUE(std::filesystem::exists(state));
    const CliResult r = box.run({"virtual-dump", state});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 4), "00: ");
}

} // namespace
} // namespace quorvan::test
