// quorvanctl groups: the virtual encoder's stream as hexadecimal blocks.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace quorvan::test {
namespace {

// "D3A2 0408 2020 5155": four blocks of four upper-case hexadecimal digits.
bool IsGroupLine(const std::string& line)
{
    if (line.size() != 19)
        return false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (i % 5 == 4 ? c != ' ' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

TEST(CliGroups, PrintsTheStreamOfTheStateFile)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    // PI 6204, PS "YLE X3M ", PTY 9, DI stereo, speech, TA; a clock time loaded.
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "62", "04", "59", "4C", "45", "20", "58", "33", "4D", "20", "09",
                       "01", "00", "00", "01"}).code, 0);
    ASSERT_EQ(box.run({"virtual-poke", state, "67", "40", "01", "C3", "EF", "5A", "C4"}).code, 0);
    CliResult r = box.run({"groups", state, "--at", "2017-04-04T23:42:57"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 115u);  // 10 s at 11.4 groups per second
    for (const std::string& l : lines)
        EXPECT_TRUE(IsGroupLine(l)) << l;
    EXPECT_EQ(lines[0], "6204 0130 E0CD 594C");
    EXPECT_EQ(lines[3], "6204 0137 E0CD 4D20");
    // The minute boundary 3 s in: the loaded 23:43 (21:43 UTC), once.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "6204 4121 C3EF 5AC4"), 1);
    EXPECT_EQ(lines[35], "6204 4121 C3EF 5AC4");

    r = box.run({"groups", state, "--seconds", "1", "--at", "2017-04-04 23:42:00"});
    EXPECT_EQ(Lines(r.out).size(), 12u);
    EXPECT_EQ(box.run({"groups", state, "--seconds", "0"}).out, "");

    // Off the air: nothing, and a line saying why.
    ASSERT_EQ(box.run({"virtual-power", state, "off"}).code, 0);
    r = box.run({"groups", state});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no power"), std::string::npos);
}

TEST(CliGroups, DamagedOrMissingStateAndBadArguments)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    EXPECT_EQ(box.run({"groups", state}).code, 1);  // no such file
    box.write("enc.state", "garbage\n");
    CliResult r = box.run({"groups", state});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("enc.state"), std::string::npos);
    EXPECT_EQ(box.read("enc.state"), "garbage\n");
    ASSERT_EQ(box.run({"virtual-poke", state + "2", "00", "11"}).code, 0);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"groups"},
             {"groups", state + "2", "--seconds", "-1"},
             {"groups", state + "2", "--seconds", "1.5"},
             {"groups", state + "2", "--seconds", "86401"},
             {"groups", state + "2", "--at", "2017-02-30T00:00:00"},
             {"groups", state + "2", "extra"}}) {
        r = box.run(args);
        EXPECT_EQ(r.code, 2) << args.back();
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
} // namespace quorvan::test
