// The manual page lists what the program offers: every command and option
// that `quorvanctl help` prints has its entry in packaging/quorvanctl.1, and
// every network command of the README's table stands in it, so a command
// added without its documentation is caught here.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using quorvan::test::CliResult;
using quorvan::test::CliSandbox;

namespace {

// A file of the source tree, by its path below the top.
std::string readSource(const std::string& path)
{
    std::ifstream in(std::string(QUORVAN_SOURCE_DIR) + "/" + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string readManual(const std::string& name)
{
    return readSource("packaging/" + name);
}

// "--at" as roff writes it: "\-\-at".
std::string roff(const std::string& word)
{
    std::string out;
    for (char c : word)
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

} // namespace

TEST(Manual, EveryCommandAndOptionOfTheHelpIsDocumented)
{
    CliSandbox box;
    const CliResult help = box.run({"help"});
    ASSERT_EQ(help.code, 0);
    const std::string page = readManual("quorvanctl.1");
    ASSERT_FALSE(page.empty()) << "packaging/quorvanctl.1 is missing";

    std::istringstream lines(help.out);
    std::string line;
    std::set<std::string> commands;
    bool inCommands = false;
    while (std::getline(lines, line)) {
        if (line == "commands:") {
            inCommands = true;
            continue;
        }
        if (inCommands && line.rfind("  ", 0) == 0) {
            const std::string name = line.substr(2, line.find(' ', 2) - 2);
            commands.insert(name);
            // The entry of the command: a tagged paragraph that opens with its name.
            bool entry = false;
            for (const char* macro : {".B ", ".BI ", ".BR "})
                for (const char* after : {" ", "\n"})
                    entry = entry || page.find("\n.TP\n" + std::string(macro) + roff(name) + after) != std::string::npos;
            EXPECT_TRUE(entry) << "no entry for the command " << name;
        }
        // Every option word of the usage and of the commands' synopses.
        for (std::size_t at = line.find("--"); at != std::string::npos; at = line.find("--", at)) {
            std::size_t end = at + 2;
            while (end < line.size() && (std::islower(static_cast<unsigned char>(line[end])) || line[end] == '-'))
                ++end;
            const std::string word = line.substr(at, end - at);
            if (word.size() > 2) {
                EXPECT_NE(page.find(roff(word)), std::string::npos) << "the option " << word << " is not documented";
            }
            at = end;
        }
    }
    EXPECT_GE(commands.size(), 15u) << help.out;
    EXPECT_TRUE(commands.count("follow"));
}

namespace {

// The backquoted words of the first column of the README's network command table.
std::vector<std::string> networkCommandsOfTheReadme()
{
    const std::string readme = readSource("README.md");
    std::vector<std::string> words;
    std::size_t at = readme.find("\n| Command | Does |");
    if (at == std::string::npos)
        return words;
    at = readme.find('\n', at + 1);
    at = readme.find('\n', at + 1); // past the rule under the head
    while (at != std::string::npos && readme.compare(at, 2, "\n|") == 0) {
        const std::size_t lineEnd = readme.find('\n', at + 1);
        const std::size_t cellEnd = readme.find('|', at + 2);
        const std::string cell = readme.substr(at + 2, std::min(cellEnd, lineEnd) - at - 2);
        for (std::size_t q = cell.find('`'); q != std::string::npos; q = cell.find('`', q + 1)) {
            const std::size_t close = cell.find('`', q + 1);
            if (close == std::string::npos)
                break;
            words.push_back(cell.substr(q + 1, close - q - 1));
            q = close;
        }
        at = lineEnd;
    }
    return words;
}

} // namespace

TEST(Manual, EveryNetworkCommandStandsInTheManualPage)
{
    const std::vector<std::string> commands = networkCommandsOfTheReadme();
    ASSERT_GE(commands.size(), 25u) << "the README's network command table was not found";
    const std::string page = readManual("quorvanctl.1");
    for (const std::string& command : commands) {
        bool found = false;
        for (const char* macro : {"\n.B ", "\n.BR "})
            for (const char* after : {"\n", " "})
                found = found || page.find(macro + roff(command) + after) != std::string::npos;
        EXPECT_TRUE(found) << "the network command " << command << " is not in quorvanctl.1";
    }
}

// Each FILES entry of both pages has a tag of its own, and its text starts a
// new paragraph under it instead of running on from the tag.
TEST(Manual, FilesEntriesStandApart)
{
    for (const char* name : {"quorvan.1", "quorvanctl.1"}) {
        const std::string page = readManual(name);
        const std::size_t files = page.find("\n.SH FILES\n");
        ASSERT_NE(files, std::string::npos) << name;
        const std::size_t end = page.find("\n.SH ", files + 1);
        std::istringstream section(page.substr(files, end - files));
        std::string line, previous, beforePrevious;
        int entries = 0;
        while (std::getline(section, line)) {
            if (beforePrevious == ".TP") {
                ++entries;
                // The line after the tag opens the description.
                EXPECT_TRUE(!line.empty() && (std::isupper(static_cast<unsigned char>(line[0])) || line[0] == '.'))
                    << name << ": the entry " << previous << " runs on into \"" << line << '"';
            }
            beforePrevious = previous;
            previous = line;
        }
        EXPECT_GE(entries, 3) << name;
    }
}

// The program's manual page speaks of what its Help page does: the character
// set, the network port and the receiver.
TEST(Manual, WindowManualCoversCharsetNetworkAndReceiver)
{
    const std::string page = readManual("quorvan.1");
    for (const char* topic : {".SS Character set", ".SS Network command port", ".SS Receiver", "Traffic announcement"})
        EXPECT_NE(page.find(topic), std::string::npos) << topic;
}
