// Files no program wrote: random bytes, huge files and lines, NUL bytes,
// duplicates, odd line ends. Loading never fails, bad values give defaults,
// and a save keeps every line it does not own.
#include "settings/settings_file.h"

#include "settings/settings_test_util.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace quorvan;
using namespace std::string_literals;
using quorvan::test::loadedFrom;
using quorvan::test::savedOver;

namespace {

std::string randomBytes(std::size_t size, std::uint64_t seed, const std::string& alphabet = "")
{
    std::string out(size, '\0');
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ULL + 1;
    for (char& c : out) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = alphabet.empty() ? static_cast<char>(x >> 56) : alphabet[(x >> 40) % alphabet.size()];
    }
    return out;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r' && nl != std::string::npos)
            line.pop_back();
        out.push_back(line);
        pos = end + 1;
    }
    return out;
}

// Every line of `before` is in `after`, in order, unchanged or (a key line)
// with only the text after its "=" changed; the lines between are additions.
::testing::AssertionResult keepsEveryLine(const std::string& before, const std::string& after)
{
    std::vector<std::string> a = lines(before);
    std::vector<std::string> b = lines(after);
    std::size_t j = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::size_t eq = a[i].find('=');
        while (j < b.size() && b[j] != a[i] &&
               !(eq != std::string::npos && b[j].compare(0, eq + 1, a[i], 0, eq + 1) == 0))
            ++j;
        if (j == b.size())
            return ::testing::AssertionFailure() << "line " << i << " lost: " << a[i].substr(0, 80);
        ++j;
    }
    return ::testing::AssertionSuccess();
}

// The values after the start-up: the clock-time button caption becomes the state.
SettingsValues startedWith(const std::string& text)
{
    SettingsValues v = loadedFrom(text);
    v.params.system.CTRunning = ctStateStartsTransmission(v.window.CTState);
    v.window.CTState = ctStateText(v.params.system.CTRunning);
    return v;
}

void expectRoundTrip(const std::string& text)
{
    SettingsValues first = startedWith(text);
    std::string saved = savedOver(text, first);
    EXPECT_TRUE(keepsEveryLine(text, saved));
    EXPECT_EQ(startedWith(saved), first);
    EXPECT_EQ(savedOver(saved, first), saved); // a second save changes nothing
}

} // namespace

TEST(SettingsBadInput, RandomBytes)
{
    for (std::uint64_t seed = 1; seed <= 6; ++seed)
        expectRoundTrip(randomBytes(64 * 1024, seed));
    // Random text made of the INI characters, which forms sections and keys.
    for (std::uint64_t seed = 1; seed <= 20; ++seed)
        expectRoundTrip(randomBytes(4096, seed, "[]=;\"\r\n \t0x$1-PortSlowSelRT2TextConfigGeneralDPS1"));
}

TEST(SettingsBadInput, FiftyMegabyteFile)
{
    std::string text = "[Config]\r\nPort=2\r\n[General]\r\nPTY=9\r\n" + randomBytes(50u << 20, 7);
    SettingsValues v = loadedFrom(text);
    EXPECT_EQ(v.params.preferences.RGPORT, 2);
    EXPECT_EQ(v.params.program.PTY, 9);
    v.params.preferences.RGPORT = 3;
    std::string saved = savedOver(text, v);
    EXPECT_GE(saved.size(), text.size());
    EXPECT_EQ(saved.rfind("[Config]\r\nPort=3\r\nTop=10\r\n", 0), 0u);
    EXPECT_NE(saved.find(text.substr(text.size() - 1000)), std::string::npos);
}

TEST(SettingsBadInput, NulBytes)
{
    const std::string text = "[Config]\0\r\nPort=\0 2\r\nLPT2Address=6\0003\r\n\0\0\0\r\n[General]\r\nPTY=1\0\r\n"s;
    SettingsValues v = loadedFrom(text);
    EXPECT_EQ(v.params.preferences.RGPORT, 0);
    EXPECT_EQ(v.params.preferences.ELPTA, std::string("6\0003", 3));
    EXPECT_EQ(v.params.program.PTY, 0);
    expectRoundTrip(text);
}

TEST(SettingsBadInput, HundredThousandCharacterLines)
{
    const std::string longValue(100000, 'x');
    const std::string text = "[General]\r\nDefaultPS=" + longValue + "\r\n" + std::string(100000, ';') + "\r\n" +
                             std::string(100000, 'K') + "=1\r\n[" + std::string(100000, 'S') + "]\r\nPTY=" +
                             std::string(100000, '9') + "\r\n";
    SettingsValues v = loadedFrom(text);
    EXPECT_EQ(v.params.program.PSDEF, longValue);
    EXPECT_EQ(v.params.program.PTY, 0);
    expectRoundTrip(text);
}

TEST(SettingsBadInput, DuplicateSectionsAndKeysFirstOneWins)
{
    const std::string text = "[Config]\r\nPort=2\r\nPort=3\r\n[General]\r\nPTY=1\r\n[CONFIG]\r\nPort=4\r\nSlow=0\r\n";
    SettingsValues v = loadedFrom(text);
    EXPECT_EQ(v.params.preferences.RGPORT, 2);
    EXPECT_FALSE(v.params.preferences.CBSS); // found in the second [Config]
    v.params.preferences.RGPORT = 5;
    v.params.preferences.CBSS = true;
    std::string saved = savedOver(text, v);
    EXPECT_EQ(saved.rfind("[Config]\r\nPort=5\r\nPort=3\r\nTop=10\r\nLeft=", 0), 0u);
    EXPECT_NE(saved.find("[CONFIG]\r\nPort=4\r\nSlow=1\r\n"), std::string::npos);
    expectRoundTrip(text);
}

TEST(SettingsBadInput, LineFeedsOnlyAndNoFinalNewline)
{
    const std::string text = "[Config]\nPort=2\n[General]\nPTY=5";
    SettingsValues v = loadedFrom(text);
    EXPECT_EQ(v.params.preferences.RGPORT, 2);
    EXPECT_EQ(v.params.program.PTY, 5);
    std::string saved = savedOver(text, v);
    EXPECT_EQ(saved.find('\r'), std::string::npos);
    EXPECT_NE(saved.find("[General]\nPTY=5\nPhaseShift=0\n"), std::string::npos);
    expectRoundTrip(text);
}

TEST(SettingsBadInput, TextsWithLineBreaksCannotInjectKeys)
{
    SettingsValues v;
    v.window.RTFromFile = "song\n[Config]\nPort=5";
    v.params.radiotext.RT1 = "one\r\ntwo";
    SettingsValues back = loadedFrom(savedOver("", v));
    EXPECT_EQ(back.params.preferences.RGPORT, 0);
    EXPECT_EQ(back.window.RTFromFile, "song [Config] Port=5");
    EXPECT_EQ(back.params.radiotext.RT1, "one\r two");
}
