// The manual page lists what the program offers: every command and option
// that `quorvanctl help` prints has its entry in packaging/quorvanctl.1, so
// a command added without its documentation is caught here.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

using quorvan::test::CliResult;
using quorvan::test::CliSandbox;

namespace {

std::string readManual(const std::string& name)
{
    std::ifstream in(std::string(QUORVAN_SOURCE_DIR) + "/packaging/" + name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
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
