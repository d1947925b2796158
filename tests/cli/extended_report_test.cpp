// quorvanctl shows the software encoder's extension record: virtual-dump
// after the RAM, receive with the values it read, help with the keys.
#include "cli/cli_runner.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvan::test {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ExtendedReport, VirtualDumpAndReceiveShowTheExtendedValues)
{
    CliSandbox box;
    box.write("station.rds", "[General]\r\nPI=D3C4\r\nDefaultPS=\"RADIO\"\r\n[Config]\r\nCharset=1\r\n"
                             "[Extended]\r\nECC=E0\r\nPIN=15 09:30\r\nPTYN=Jazzbar\r\n"
                             "LongPS=Radio \xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE\r\nEON2PI=D3C5\r\n");
    const std::vector<std::string> at{"--settings", box.path("station.rds"), "--port", "virtual:" + box.path("enc.st")};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), at.begin(), at.end());
        return box.run(args);
    };
    CliResult r = run({"send"});
    ASSERT_EQ(r.code, 0) << r.err;

    // Level and phase are set where the network's RDSLEVEL= and RDSPHASE= set them.
    EncoderState state;
    std::string error;
    ASSERT_EQ(LoadEncoderState(box.path("enc.st"), state, error), StateLoad::Loaded) << error;
    state.extension.rdsLevelTenths = 45;
    state.extension.rdsPhaseTenths = 900;
    state.extension.values.eon[1].ta = true;
    ASSERT_TRUE(SaveEncoderState(box.path("enc.st"), state, error)) << error;

    r = box.run({"virtual-dump", box.path("enc.st")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> dump = Lines(r.out);
    ASSERT_GT(dump.size(), 12u) << r.out;
    EXPECT_EQ(dump[12], "Extension record:");
    for (const char* line : {"ECC: E0", "PIN: 15 09:30", "PTYN: \"Jazzbar\"", "LongPS: \"Radio \xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE\"",
                             "EON2PI: D3C5", "EON2TA: 1", "RDS level: 4.5 %", "RDS phase: 90.0 degrees"})
        EXPECT_TRUE(Has(dump, line)) << line << " in\n" << r.out;
    EXPECT_EQ(r.out.find("LIC:"), std::string::npos) << "only the values that are set";
    EXPECT_EQ(Lines(box.run({"virtual-dump", box.path("enc.st"), "--eeprom"}).out).size(), 12u);

    // receive prints what it read back (the settings file loses nothing).
    box.write("station.rds", "[General]\r\nPI=D3C4\r\n[Config]\r\nCharset=1\r\n");
    r = run({"receive"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> received = Lines(r.out);
    for (const char* line : {"ECC: E0", "PIN: 15 09:30", "PTYN: \"Jazzbar\"", "EON2PI: D3C5", "EON2TA: 1"})
        EXPECT_TRUE(Has(received, line)) << line << " in\n" << r.out;
    EXPECT_NE(box.read("station.rds").find("ECC=E0"), std::string::npos);
}

TEST(ExtendedReport, AChipsStateDumpsAsItAlwaysDid)
{
    CliSandbox box;
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "on"}).code, 0);
    EXPECT_EQ(Lines(box.run({"virtual-dump", box.path("enc.st")}).out).size(), 12u);
}

TEST(ExtendedReport, HelpListsTheExtendedKeysAndTheirNetworkCommands)
{
    CliSandbox box;
    const CliResult help = box.run({"help"});
    ASSERT_EQ(help.code, 0);
    for (const char* word : {"[Extended]", " ECC ", " LongPS ", " ERTFromRT ", " AFB1..AFB12 ", " GroupSequence",
                             " EONnPI ", " EONnTP ", " LPS= ", " EON1TA=..EON8TA= ", " GRPSEQ= ", " RDSLEVEL= ",
                             " RDSPHASE="})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace
} // namespace quorvan::test
