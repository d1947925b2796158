// quorvanctl ps, pi, pty, tp and af through the built binary against the
// virtual encoder: each writes its value's bytes of the data image and nothing
// else, keeps the value in the settings file, and refuses a bad value without
// touching either. Also every command's --help and the missing state file's
// message.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace quorvan::test {
namespace {

std::vector<std::string> ramBytes(const CliSandbox& box)
{
    std::istringstream in(box.run({"virtual-dump", box.path("enc.st")}).out);
    std::vector<std::string> bytes;
    std::string word;
    while (in >> word)
        if (word.back() != ':')
            bytes.push_back(word);
    return bytes;
}

std::string ram(const CliSandbox& box, int address, int count)
{
    const std::vector<std::string> bytes = ramBytes(box);
    std::string out;
    for (int i = address; i < address + count && i < static_cast<int>(bytes.size()); ++i)
        out += (out.empty() ? "" : " ") + bytes[static_cast<std::size_t>(i)];
    return out;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

struct StationValueCommands : ::testing::Test {
    StationValueCommands()
    {
        box.write("station.rds", "[General]\r\n"
                                 "PI=1A2B\r\n"
                                 "DefaultPS=\"RADIO\"\r\n"
                                 "PTY=3\r\n"
                                 "AF1=87.6\r\n"
                                 "[Radiotext]\r\n"
                                 "Enabled=1\r\n"
                                 "Radiotext1=\"Hello\"\r\n"
                                 "[Config]\r\n"
                                 "Charset=1\r\n"
                                 "Unknown=value\r\n");
        const CliResult sent = run({"send"});
        EXPECT_EQ(sent.code, 0) << sent.err;
        before = ramBytes(box);
    }
    CliResult run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--settings", box.path("station.rds"), "--port", "virtual:" + box.path("enc.st")});
        return box.run(args);
    }
    // The addresses whose byte differs from the RAM after the first Send.
    std::vector<int> changedAddresses() const
    {
        const std::vector<std::string> now = ramBytes(box);
        std::vector<int> changed;
        for (std::size_t i = 0; i < now.size() && i < before.size(); ++i)
            if (now[i] != before[i])
                changed.push_back(static_cast<int>(i));
        return changed;
    }
    CliSandbox box;
    std::vector<std::string> before;
};

TEST_F(StationValueCommands, EachValueWritesItsOwnBytesAndKeepsTheValueInTheSettings)
{
    CliResult r = run({"ps", "NEWS 24"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Settings file updated: " + std::filesystem::absolute(box.path("station.rds")).string() + "\n");
    EXPECT_EQ(ram(box, 0x02, 8), "4E 45 57 53 20 32 34 20");
    EXPECT_EQ(changedAddresses(), (std::vector<int>{0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}));

    r = run({"pi", "c201"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ram(box, 0x00, 2), "C2 01");

    r = run({"pty", "10"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ram(box, 0x0A, 1), "0A");

    r = run({"tp", "on"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ram(box, 0x0D, 1), "01");

    r = run({"af", "88.0", "101.5"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ram(box, 0x0F, 3), "02 05 8C");

    const std::string settings = box.read("station.rds");
    EXPECT_TRUE(contains(settings, "DefaultPS=\"NEWS 24\"")) << settings;
    EXPECT_TRUE(contains(settings, "PI=C201")) << settings;
    EXPECT_TRUE(contains(settings, "PTY=10")) << settings;
    EXPECT_TRUE(contains(settings, "TP=1")) << settings;
    EXPECT_TRUE(contains(settings, "AF1=88.0")) << settings;
    EXPECT_TRUE(contains(settings, "AF2=101.5")) << settings;
    EXPECT_TRUE(contains(settings, "Unknown=value")) << settings;  // other lines stay

    // The radiotext of the first Send is untouched by all of it.
    EXPECT_EQ(ram(box, 0x20, 5), "48 65 6C 6C 6F");

    // The next Send sends what the commands kept.
    ASSERT_EQ(run({"send"}).code, 0);
    EXPECT_EQ(ram(box, 0x00, 16), "C2 01 4E 45 57 53 20 32 34 20 0A 00 01 01 00 02");

    r = run({"tp", "off"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ram(box, 0x0D, 1), "00");
    r = run({"af", "none"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ram(box, 0x0F, 1), "00");
    EXPECT_TRUE(contains(box.read("station.rds"), "TP=0"));
    EXPECT_FALSE(contains(box.read("station.rds"), "AF1=88.0"));
}

TEST_F(StationValueCommands, ABadValueChangesNeitherTheEncoderNorTheSettings)
{
    const std::string settings = box.read("station.rds");
    const std::vector<std::vector<std::string>> refused{
        {"ps", "TOO LONG PS"}, {"ps", "        "}, {"ps", ""},     {"pi", "12345"}, {"pi", "XYZ"},
        {"pty", "32"},         {"pty", "news"},     {"tp", "1"},    {"af", "87.5"},  {"af", "88.0,90.0"},
        {"af"},                {"ps"},              {"ps", "A\nB"},
    };
    for (const std::vector<std::string>& args : refused) {
        const CliResult r = run(args);
        EXPECT_EQ(r.code, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(changedAddresses().empty());
    EXPECT_EQ(box.read("station.rds"), settings);
}

TEST_F(StationValueCommands, AValueTheEncoderDidNotTakeIsNotKept)
{
    const std::string settings = box.read("station.rds");
    ASSERT_EQ(box.run({"virtual-power", box.path("enc.st"), "off"}).code, 0);
    const CliResult r = run({"ps", "OTHER"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(contains(r.err, "!Ready")) << r.err;
    EXPECT_EQ(box.read("station.rds"), settings);
}

TEST(CommandHelp, EveryCommandPrintsItsUsage)
{
    CliSandbox box;
    const CliResult help = box.run({"help"});
    ASSERT_EQ(help.code, 0);
    std::istringstream lines(help.out);
    std::string line;
    bool inCommands = false;
    int seen = 0;
    while (std::getline(lines, line)) {
        if (line == "commands:") {
            inCommands = true;
            continue;
        }
        if (!inCommands || line.rfind("  ", 0) != 0)
            continue;
        const std::string entry = line.substr(2);
        const std::string name = entry.substr(0, entry.find(' '));
        // Beside other arguments too, and without touching a settings file or a port.
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{name, "--help"}, std::vector<std::string>{name, "x", "--help"}}) {
            const CliResult r = box.run(args);
            EXPECT_EQ(r.code, 0) << name << ": " << r.err;
            const std::vector<std::string> out = Lines(r.out);
            EXPECT_EQ(out.empty() ? "" : out.front(),
                      "usage: quorvanctl [--settings FILE] [--port PORT] [--record FILE] [--timed] " + entry)
                << name;
            EXPECT_EQ(r.err, "") << name;
        }
        ++seen;
    }
    EXPECT_GT(seen, 15);
    EXPECT_FALSE(std::filesystem::exists(box.path("quorvan.rds")));
}

TEST(MissingStateFile, TheMessageSaysHowToCreateOne)
{
    CliSandbox box;
    const std::string state = box.path("none.st");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"virtual-dump", state}, std::vector<std::string>{"groups", state}}) {
        const CliResult r = box.run(args);
        EXPECT_NE(r.code, 0);
        EXPECT_EQ(r.err, "quorvanctl: no virtual encoder state file " + state + " (quorvanctl virtual-power " + state +
                             " on creates one)\n")
            << args[0];
    }
}

} // namespace
} // namespace quorvan::test
