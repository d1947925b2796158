#include "cli/cli_runner.h"
#include "version/version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

std::string line(const std::string& text, int n)
{
    std::istringstream in(text);
    std::string l;
    for (int i = 0; i <= n && std::getline(in, l); ++i) {
    }
    return l;
}

int lineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// One line on stderr naming the cause.
void expectOneLineError(const CliResult& r, const std::string& cause)
{
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(cause), std::string::npos) << r.err;
}

class CliOnPort : public ::testing::TestWithParam<std::string> {};

TEST_P(CliOnPort, WriteReachesTheVirtualEncoderAndDumpShowsIt)
{
    CliSandbox box;
    const std::string port = GetParam() + box.path("enc.state");
    CliResult r = box.run({"--port", port, "write", "02", "52", "41", "44", "49", "4F"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = box.run({"virtual-dump", box.path("enc.state")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(lineCount(r.out), 12);
    EXPECT_EQ(line(r.out, 0), "00: 00 00 52 41 44 49 4F 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(line(r.out, 11), "B0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST_P(CliOnPort, PoweredOffEncoderEndsNotReady)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    ASSERT_EQ(box.run({"virtual-power", state, "off"}).code, 0);
    const CliResult r = box.run({"--port", GetParam() + state, "write", "00", "12"});
    EXPECT_EQ(r.code, 3);
    expectOneLineError(r, "!Ready");
}

TEST_P(CliOnPort, StoreSurvivesAPowerCycle)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    const std::string port = GetParam() + state;
    ASSERT_EQ(box.run({"--port", port, "write", "00", "12", "34"}).code, 0);
    ASSERT_EQ(box.run({"--port", port, "write", "71", "45"}).code, 0);
    ASSERT_EQ(box.run({"--port", port, "write", "00", "AB"}).code, 0);
    ASSERT_EQ(box.run({"virtual-power", state, "off"}).code, 0);
    ASSERT_EQ(box.run({"virtual-power", state, "on"}).code, 0);
    EXPECT_EQ(line(box.run({"virtual-dump", state}).out, 0).substr(0, 9), "00: 12 34");
    EXPECT_EQ(line(box.run({"virtual-dump", state, "--eeprom"}).out, 0).substr(0, 9), "00: 12 34");
}

INSTANTIATE_TEST_SUITE_P(BothPorts, CliOnPort, ::testing::Values("virtual:", "virtual-serial:"),
                         [](const auto& info) { return info.param == "virtual:" ? "Parallel" : "Serial"; });

TEST(CliRecord, ParallelAccessesAreAppendedOnePerLine)
{
    CliSandbox box;
    const std::string port = "virtual:" + box.path("enc.state");
    ASSERT_EQ(box.run({"--port", port, "--record", "rec.txt", "write", "10", "A5"}).code, 0);
    const std::string rec = box.read("rec.txt");
    // Idle bus, start, three bytes with an acknowledge read each, stop.
    EXPECT_EQ(lineCount(rec), 1 + 2 + 3 * 19 + 3);
    EXPECT_EQ(rec.substr(0, 15), "W 24\nW 8\nW 0\nW ");
    EXPECT_EQ(line(rec, 20), "R 0") << "the acknowledge of 0xD6 pulls data in low";
    EXPECT_EQ(rec.substr(rec.size() - 13), "W 0\nW 8\nW 24\n");
    ASSERT_EQ(box.run({"--port", port, "--record", "rec.txt", "write", "10", "A5"}).code, 0);
    EXPECT_EQ(box.read("rec.txt"), rec + rec) << "appended, not replaced";
}

TEST(CliRecord, SerialLinesAreNamed)
{
    CliSandbox box;
    ASSERT_EQ(box.run({"--port", "virtual-serial:" + box.path("enc.state"), "--record", "rec.txt", "write", "10", "FF"})
                  .code,
              0);
    const std::string rec = box.read("rec.txt");
    EXPECT_EQ(rec.substr(0, 26), "RTS 1\nDTR 1\nDTR 0\nRTS 0\nRT");
    EXPECT_NE(rec.find("CTS 0\n"), std::string::npos);
    EXPECT_EQ(rec.find("W "), std::string::npos);
}

TEST(CliRecord, ARecordThatCannotBeWrittenIsAFailureNotReady)
{
    CliSandbox box;
    const std::string port = "virtual:" + box.path("enc.state");
    // Every write of the record fails: the run must not look like a success.
    const CliResult full = box.run({"--port", port, "--record", "/dev/full", "write", "10", "A5"});
    EXPECT_EQ(full.code, 1);
    expectOneLineError(full, "/dev/full");
    // A FIFO that nobody reads: refused at once instead of waiting for a reader.
    ASSERT_EQ(::mkfifo(box.path("rec.fifo").c_str(), 0600), 0);
    const CliResult fifo = box.run({"--port", port, "--record", box.path("rec.fifo"), "write", "10", "A5"});
    EXPECT_EQ(fifo.code, 1);
    expectOneLineError(fifo, "rec.fifo");
}

TEST(CliSignals, SigintDuringAnOperationEndsTheProgramOnlyAfterTheStateIsSaved)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    const std::string fifo = box.path("rec.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The record goes through a small pipe that this test drains: the program
    // is held in the middle of its transaction until the test reads on.
    const int rec = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(rec, 0);
    ::fcntl(rec, F_SETPIPE_SZ, 4096);
    ::fcntl(rec, F_SETFL, 0);
    // A writer of our own until the record flows: the program's check that a
    // reader is there opens and closes the FIFO, which must not read as its end.
    const int hold = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(hold, 0);
    std::vector<std::string> args = {box.program, "--port", "virtual:" + state, "--record", fifo, "write", "00"};
    for (int i = 0; i < 255; ++i)
        args.push_back("41");
    const std::string errPath = box.path("err.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    std::string record;
    char buf[512];
    pollfd p{rec, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, -1), 1);
    ssize_t n = ::read(rec, buf, sizeof buf);
    ASSERT_GT(n, 0);
    record.append(buf, static_cast<std::size_t>(n));
    ::close(hold);
    ASSERT_EQ(::kill(pid, SIGINT), 0); // the transaction is far from its end now
    while ((n = ::read(rec, buf, sizeof buf)) > 0)
        record.append(buf, static_cast<std::size_t>(n));
    ::close(rec);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);

    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "a shell must see the interruption";
    EXPECT_EQ(lineCount(record), 1 + 2 + 257 * 19 + 3) << "the whole transaction ran";
    const CliResult dump = box.run({"virtual-dump", state});
    ASSERT_EQ(dump.code, 0) << "the state was saved: " << dump.err;
    EXPECT_EQ(line(dump.out, 0), "00: 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41");
    EXPECT_NE(box.read("err.txt").find("stopped after the operation ended"), std::string::npos);
}

TEST(CliUsage, BadCommandLinesExitTwo)
{
    CliSandbox box;
    const std::string port = "virtual:" + box.path("enc.state");
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"--bogus", "write", "00", "00"},
        {"--port"},
        {"--port", port, "write"},
        {"--port", port, "write", "00"},
        {"--port", port, "write", "00", "100"},
        {"--port", port, "write", "zz", "00"},
        {"--port", "lpt9", "write", "00", "00"},
        {"virtual-power", box.path("enc.state"), "maybe"},
        {"virtual-poke", box.path("enc.state"), "FF", "01", "02"},
        {"virtual-dump"},
        {"--settings", box.path("missing.rds"), "--port", port, "write", "00", "00"},
    };
    for (const auto& args : bad) {
        const CliResult r = box.run(args);
        EXPECT_EQ(r.code, 2) << (args.empty() ? "(none)" : args[0]) << " " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(box.path("enc.state"))) << "nothing ran";
    for (const char* help : {"help", "-h", "--help"}) {
        const CliResult r = box.run({help});
        EXPECT_EQ(r.code, 0) << help;
        EXPECT_NE(r.out.find("usage: quorvanctl"), std::string::npos) << help;
    }
    // --version after the options too, and without reading the settings file.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, {"--settings", box.path("missing.rds"), "--version"}}) {
        const CliResult r = box.run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, std::string("quorvanctl ") + quorvan::programVersion() + "\n");
    }
}

TEST(CliUsage, BadLpt2AddressWritesNothing)
{
    CliSandbox box;
    for (const char* spec : {"lpt2:abc", "lpt2:255", "lpt2:65536", "lpt2:3"}) {
        const CliResult r = box.run({"--port", spec, "--record", "rec.txt", "write", "00", "01"});
        EXPECT_EQ(r.code, 2) << spec;
        expectOneLineError(r, "LPT2 address");
    }
    EXPECT_EQ(box.read("rec.txt"), "");
}

TEST(CliPorts, SerialDeviceThatCannotBeOpenedIsNotReady)
{
    CliSandbox box;
    const CliResult r = box.run({"--port", box.path("ttyUSB7"), "write", "00", "01"});
    EXPECT_EQ(r.code, 3);
    expectOneLineError(r, "ttyUSB7");
}

TEST(CliStateFile, DamagedFileIsReportedAndNeverOverwritten)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "11"}).code, 0);
    const std::string good = box.read("enc.state");
    for (const std::string& damaged : {good.substr(0, good.size() / 3), std::string("\x01\x02garbage")}) {
        box.write("enc.state", damaged);
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"--port", "virtual:" + state, "write", "00", "01"},
                 {"virtual-poke", state, "00", "01"},
                 {"virtual-power", state, "off"},
                 {"virtual-dump", state}}) {
            const CliResult r = box.run(args);
            EXPECT_EQ(r.code, 2) << args[0];
            expectOneLineError(r, "enc.state");
            EXPECT_EQ(box.read("enc.state"), damaged);
        }
    }
}

TEST(CliVirtual, PokeSetsTheStatusByteAndDumpOfAMissingFileFails)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    EXPECT_EQ(box.run({"virtual-dump", state}).code, 1);
    ASSERT_EQ(box.run({"virtual-poke", state, "70", "83"}).code, 0);
    ASSERT_EQ(box.run({"virtual-poke", state, "0x1E", "aa", "Bb"}).code, 0);
    const std::string dump = box.run({"virtual-dump", state}).out;
    EXPECT_EQ(line(dump, 7), "70: 83 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(line(dump, 1), "10: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 AA BB");
}

} // namespace
} // namespace quorvan::test
