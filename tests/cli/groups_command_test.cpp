// quorvanctl groups: the virtual encoder's stream as hexadecimal blocks.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

namespace quorvan::test {
namespace {

// Blocks 2..4 of a "PPPP BBBB CCCC DDDD" line.
std::array<unsigned, 3> BlocksOf(const std::string& line)
{
    return {unsigned(std::stoul(line.substr(5, 4), nullptr, 16)), unsigned(std::stoul(line.substr(10, 4), nullptr, 16)),
            unsigned(std::stoul(line.substr(15, 4), nullptr, 16))};
}

TEST(CliGroups, RadiotextPlusOfTheVirtualEncoderDecodesToItsTags)
{
    CliSandbox box;
    box.write("station.rds", "[Radiotext]\r\nEnabled=1\r\nPrefix=\"Now: \"\r\nRTPlus=1\r\nRTPlusPattern=\"%a - %t\"\r\n"
                             "[Config]\r\nCharset=0\r\n");
    const std::string state = box.path("enc.state");
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--settings", box.path("station.rds"), "--port", "virtual:" + state});
        return box.run(args);
    };
    ASSERT_EQ(run({"send"}).code, 0);
    ASSERT_EQ(run({"rt", "Now: Bj\xC3\xB6rk - J\xC3\xB3ga"}).code, 0);
    const CliResult r = box.run({"groups", state, "--seconds", "6"});
    ASSERT_EQ(r.code, 0) << r.err;
    // Decoded here from the layouts: 3A names AID 4BD7 on 11A; 11A carries the tags.
    bool announced = false;
    int tagGroups = 0;
    std::string rt(64, ' '), tagged;
    for (const std::string& line : Lines(r.out)) {
        const auto [b2, b3, b4] = BlocksOf(line);
        const unsigned type = b2 >> 11;
        if (type == 2 * 2) {
            const unsigned seg = b2 & 0xF;
            rt[4 * seg] = char(b3 >> 8), rt[4 * seg + 1] = char(b3 & 0xFF);
            rt[4 * seg + 2] = char(b4 >> 8), rt[4 * seg + 3] = char(b4 & 0xFF);
        } else if (type == 3 * 2 && b4 == 0x4BD7) {
            EXPECT_EQ(b2 & 0x1F, 11u << 1);
            EXPECT_EQ(b3, 0u);
            announced = true;
        } else if (type == 11 * 2) {
            ++tagGroups;
            EXPECT_TRUE(b2 & 0x08);  // running
            const unsigned type1 = ((b2 & 7) << 3) | (b3 >> 13), start1 = (b3 >> 7) & 0x3F, len1 = ((b3 >> 1) & 0x3F) + 1;
            const unsigned type2 = ((b3 & 1) << 5) | (b4 >> 11), start2 = (b4 >> 5) & 0x3F, len2 = (b4 & 0x1F) + 1;
            EXPECT_EQ(type1, 4u);
            EXPECT_EQ(start1, 5u);
            EXPECT_EQ(len1, 5u);
            EXPECT_EQ(type2, 1u);
            EXPECT_EQ(start2, 13u);
            EXPECT_EQ(len2, 4u);
            tagged = rt.substr(start1, len1) + "|" + rt.substr(start2, len2);
        }
    }
    EXPECT_EQ(tagged, "Bj\xF6rk|J\xF3ga");
    EXPECT_TRUE(announced);
    EXPECT_GE(tagGroups, 3);  // at least every 2 s over 6 s

    // A radiotext the pattern does not fit takes the tags of the one before
    // off the air: no 11A may point into the traffic text as an artist.
    ASSERT_EQ(run({"rt", "Traffic: A1 closed near Linz"}).code, 0);
    const CliResult after = box.run({"groups", state, "--seconds", "6"});
    ASSERT_EQ(after.code, 0) << after.err;
    int running = 0;
    for (const std::string& line : Lines(after.out)) {
        const auto [b2, b3, b4] = BlocksOf(line);
        if ((b2 >> 11) == 11 * 2 && (b2 & 0x08) && (b3 | b4) != 0)
            ++running;
    }
    EXPECT_EQ(running, 0) << "11A groups still carry the tags of \"Bj\xF6rk - J\xF3ga\"";
}

} // namespace
} // namespace quorvan::test
