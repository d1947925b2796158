// A station with every extended feature set, from the settings file through
// `quorvanctl send` to the air: the groups `quorvanctl groups` lists and
// those a test receiver demodulates from a rendered WAV are the same, and
// the test's own decoder (written from the standards) reads from both the
// country, language, programme item, PTYN, Long PS, eRT in UTF-8, the AF
// method B lists and the other networks, each within the time a listener may
// wait for it, while PS and radiotext stay complete and keep their shares.
#include "cli/cli_runner.h"

#include "air/test_demodulator.h"
#include "support/hex_group.h"
#include "support/rds_test_decoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quorvan::test {
namespace {

// 128 bytes of UTF-8 in four scripts, and 74.
const std::string kErt128 = "Кино – Группа крови · Ελληνικά · 日本語 · عربي · Zürich · Виктор Цой, 1988 год";
const std::string kErt74 = "Кино – Группа крови · Ελληνικά · 日本語 · Z";
const std::string kLongPs = "Радио Кино – 24/7";  // 28 bytes
const std::string kRt = "On air with every feature of the standard";

constexpr const char* kAt = "2026-03-01T12:00:30";
constexpr int kRenderSeconds = 35;
constexpr int kRate = 192000;
constexpr int kLongSeconds = 900;  // 10 000 groups and more

std::string Settings(const std::string& ert)
{
    return "[General]\r\n"
           "PI=D3A2\r\n"
           "DefaultPS=\"QUORVAN\"\r\n"
           "PTY=10\r\n"
           "[Radiotext]\r\n"
           "Enabled=1\r\n"
           "Radiotext1=\"" + kRt + "\"\r\n"
           "[Extended]\r\n"
           "ECC=E0\r\n"
           "LIC=08\r\n"
           "PIN=15 09:30\r\n"
           "PTYN=Jazzbar\r\n"
           "LongPS=" + kLongPs + "\r\n"
           "ERT=" + ert + "\r\n"
           "AFMethod=B\r\n"
           "AFB1=98.5: 87.6 101.2 104.1R\r\n"
           "AFB2=101.2: 98.5 89.0R\r\n"
           "EON1PI=D3C4\r\nEON1PS=Partner\r\nEON1AF=87.6 95.0\r\nEON1PTY=10\r\nEON1TP=1\r\n"
           "EON2PI=D3C5\r\nEON2PS=JAZZ FM\r\nEON2AF=89.1\r\nEON2PTY=14\r\nEON2TP=0\r\n"
           "EON3PI=C201\r\nEON3PS=Kultur\r\nEON3AF=90.3 93.7 106.1\r\nEON3PTY=7\r\nEON3TP=1\r\n";
}

struct OtherNetworkSeen {
    std::uint16_t pi;
    std::string ps;
    std::set<int> af;
    int pty;
    bool tp;
};
const std::vector<OtherNetworkSeen> kNetworks{
    {0xD3C4, "Partner ", {1, 75}, 10, true},
    {0xD3C5, "JAZZ FM ", {16}, 14, false},
    {0xC201, "Kultur  ", {28, 62, 186}, 7, true},
};

std::vector<float> ReadMono(const std::string& path, int& rate)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples;
    if (!f)
        return samples;
    rate = info.samplerate;
    samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, samples.data(), info.frames);
    sf_close(f);
    return samples;
}

RdsTestDecoder DecodeLines(const std::vector<std::string>& lines)
{
    RdsTestDecoder d;
    for (const std::string& l : lines)
        d.feed(HexGroup(l));
    return d;
}

RdsTestDecoder DecodeGroups(const std::vector<rds::Group>& groups)
{
    RdsTestDecoder d;
    for (const rds::Group& g : groups)
        d.feed(g);
    return d;
}

double Seconds(std::int64_t groups)
{
    return double(groups) * kSecondsPerGroup;
}

// A completion for the log: its seconds, or "never" (-1).
std::string Shown(std::int64_t groups)
{
    if (groups < 0)
        return "  never";
    char text[16];
    std::snprintf(text, sizeof text, "%5.2f s", Seconds(groups));
    return text;
}

// One station sent from its settings file: the groups listed for the
// render's span and for a long one, and the groups of its render.
struct Station {
    CliSandbox box;
    std::string state = box.path("enc.state");
    std::string sendErr;
    int sendCode = -1;
    std::vector<std::string> listed, listedLong;
    std::vector<float> wav;
    int wavRate = 0;
    Decoded fromWav;

    explicit Station(const std::string& ert, int renderSeconds)
    {
        box.write("station.rds", Settings(ert));
        const CliResult sent =
            box.run({"--settings", box.path("station.rds"), "--port", "virtual:" + state, "send"});
        sendCode = sent.code;
        sendErr = sent.err;
        listed = Lines(box.run({"groups", state, "--at", kAt, "--seconds", std::to_string(renderSeconds)}).out);
        listedLong = Lines(box.run({"groups", state, "--at", kAt, "--seconds", std::to_string(kLongSeconds)}).out);
        if (renderSeconds == 0)
            return;
        const std::string out = box.path("out.wav");
        const CliResult r = box.run({"air", state, "--output", out, "--rate", std::to_string(kRate), "--at", kAt,
                                     "--seconds", std::to_string(renderSeconds)});
        if (r.code != 0)
            return;
        wav = ReadMono(out, wavRate);
        fromWav = DecodeRds(wav, wavRate);
    }
};

// The full station: rendered once, its groups shared by every case.
class ExtendedOnAir : public ::testing::Test {
protected:
    static void SetUpTestSuite() { station = std::make_unique<Station>(kErt128, kRenderSeconds); }
    static void TearDownTestSuite() { station.reset(); }
    static std::unique_ptr<Station> station;
};
std::unique_ptr<Station> ExtendedOnAir::station;

TEST_F(ExtendedOnAir, TheRenderCarriesTheListedGroups)
{
    ASSERT_EQ(kErt128.size(), 128u);
    ASSERT_EQ(station->sendCode, 0) << station->sendErr;
    EXPECT_EQ(station->sendErr, "");
    ASSERT_EQ(station->wavRate, kRate);
    ASSERT_EQ(station->wav.size(), std::size_t(kRenderSeconds) * kRate);
    const Decoded& d = station->fromWav;
    EXPECT_EQ(d.firstGroupBit, 0);
    EXPECT_EQ(d.badGroups, 0);
    // Every whole group of 35 s: 399, the 400th is cut off by the end.
    ASSERT_EQ(d.groups.size(), 399u);
    ASSERT_GE(station->listed.size(), d.groups.size());
    for (std::size_t i = 0; i < d.groups.size(); ++i)
        ASSERT_EQ(d.groups[i].hex(), station->listed[i]) << "group " << i;
    // The long listing begins with the same groups.
    ASSERT_GE(station->listedLong.size(), 10000u);
    EXPECT_TRUE(std::equal(station->listed.begin(), station->listed.end(), station->listedLong.begin()));
}

// What a listener's radio shows, read from both streams.
// The PTY(ON) of a network with AFs shares its turn with the AF(ON) blocks
// and comes round more slowly than 35 s: checked where it has arrived, and
// in the long listing always.
void ExpectEverythingDecoded(const RdsTestDecoder& d, const std::string& from, bool everyEonPty)
{
    SCOPED_TRACE(from);
    EXPECT_EQ(d.ps, "QUORVAN ");
    std::string rt = d.rtText();
    rt.erase(rt.find_last_not_of(' ') + 1);
    EXPECT_EQ(rt, kRt);
    EXPECT_EQ(d.ecc, 0xE0);
    EXPECT_EQ(d.lic, 0x08);
    EXPECT_EQ(d.pin, (15 << 11) | (9 << 6) | 30);  // day 15, 09:30
    EXPECT_EQ(d.ptyn, "Jazzbar ");
    EXPECT_EQ(d.longPsText(), kLongPs);
    EXPECT_TRUE(d.ertAnnouncedUtf8());
    EXPECT_EQ(d.ertText(), kErt128);
    // 98.5: 87.6 101.2 104.1R and 101.2: 98.5 89.0R as codes.
    EXPECT_FALSE(d.afBOrderBroken);
    EXPECT_EQ(d.afB, (std::map<int, std::map<int, bool>>{{110, {{1, false}, {137, false}, {166, true}}},
                                                          {137, {{110, false}, {15, true}}}}));
    for (const OtherNetworkSeen& on : kNetworks) {
        SCOPED_TRACE(on.pi);
        ASSERT_TRUE(d.eonPs.count(on.pi));
        EXPECT_EQ(d.eonPs.at(on.pi), on.ps);
        EXPECT_EQ(d.eonAf.count(on.pi) ? d.eonAf.at(on.pi) : std::set<int>{}, on.af);
        if (everyEonPty || d.eonPty.count(on.pi)) {
            EXPECT_EQ(d.eonPty.count(on.pi) ? d.eonPty.at(on.pi) : -1, on.pty);
        }
        EXPECT_EQ(d.eonTp.at(on.pi), on.tp);
    }
    EXPECT_EQ(d.eonPs.size(), kNetworks.size());
}

TEST_F(ExtendedOnAir, BothStreamsDecodeToEveryValueInUtf8)
{
    ASSERT_FALSE(station->fromWav.groups.empty());
    const RdsTestDecoder wav = DecodeGroups(station->fromWav.groups);
    ExpectEverythingDecoded(wav, "render", false);
    EXPECT_TRUE(wav.eonPty.count(0xD3C5));  // the network with one AF
    ExpectEverythingDecoded(DecodeLines(station->listed), "groups", false);
    ExpectEverythingDecoded(DecodeLines(station->listedLong), "groups over 900 s", true);
}

struct Limit {
    std::string feature;
    double seconds;
};

std::vector<Limit> Limits()
{
    // The radiotext keeps 20 % of the groups: its 16 segments within 80.
    std::vector<Limit> limits{{"PS", 1.0},  {"RT", 80 * kSecondsPerGroup}, {"ECC", 5}, {"LIC", 5}, {"PIN", 5},
                              {"PTYN", 10}, {"LPS", 12},                   {"ERT", 30}};
    for (const OtherNetworkSeen& on : kNetworks)
        limits.push_back({EonFeature("EON", on.pi), 15});
    return limits;
}

TEST_F(ExtendedOnAir, EachFeatureIsCompleteWithinItsTime)
{
    const RdsTestDecoder wav = DecodeGroups(station->fromWav.groups);
    const RdsTestDecoder listed = DecodeLines(station->listedLong);
    ASSERT_GT(wav.groups, 0);
    std::string times;
    for (const Limit& l : Limits()) {
        SCOPED_TRACE(l.feature);
        // From the start of the render, as a radio tuned in at its first group.
        const std::int64_t first = wav.completion(l.feature, 0);
        ASSERT_GE(first, 0);
        EXPECT_LE(Seconds(first), l.seconds);
        // And from any moment in 10 000 groups and more.
        ASSERT_GE(listed.completion(l.feature, 0), 0);
        const std::int64_t worst = listed.worstCompletion(l.feature);
        EXPECT_LE(Seconds(worst), l.seconds);
        char line[120];
        std::snprintf(line, sizeof line, "  %-11s render %s, worst %s (limit %4.1f s)\n", l.feature.c_str(),
                      Shown(first).c_str(), Shown(worst).c_str(), l.seconds);
        times += line;
    }
    // Without a time of their own: measured, and complete in the render.
    std::vector<std::string> untimed{"AFB"};
    for (const OtherNetworkSeen& on : kNetworks) {
        untimed.push_back(EonFeature("EONAF", on.pi));
        untimed.push_back(EonFeature("EONPTY", on.pi));
    }
    for (const std::string& f : untimed) {
        SCOPED_TRACE(f);
        const std::int64_t first = wav.completion(f, 0);
        EXPECT_GE(listed.completion(f, 0), 0);
        if (f == "AFB") {
            EXPECT_GE(first, 0);
        }
        char line[120];
        std::snprintf(line, sizeof line, "  %-11s render %s, worst %s\n", f.c_str(), Shown(first).c_str(),
                      Shown(listed.worstCompletion(f)).c_str());
        times += line;
    }
    std::printf("completion times:\n%s", times.c_str());
}

TEST_F(ExtendedOnAir, PsAndRadiotextKeepTheirShares)
{
    for (const RdsTestDecoder& d : {DecodeGroups(station->fromWav.groups), DecodeLines(station->listedLong)}) {
        SCOPED_TRACE(d.groups);
        EXPECT_GE(d.share(0), 0.40);
        EXPECT_GE(d.share(2), 0.20);
        std::printf("shares over %lld groups: 0A %.1f %%, 2A %.1f %%\n", static_cast<long long>(d.groups),
                    100 * d.share(0), 100 * d.share(2));
    }
    // No group the decoder cannot place: each is one the standard defines.
    const RdsTestDecoder d = DecodeLines(station->listedLong);
    for (const auto& [code, count] : d.typeCount) {
        const int type = code / 2;
        EXPECT_FALSE(code % 2) << type << "B";
        EXPECT_TRUE(type == 0 || type == 1 || type == 2 || type == 3 || type == 4 || type == 10 || type == 12 ||
                    type == 14 || type == 15)
            << type << "A x " << count;
    }
}

// The eRT's time grows with its length: 74 bytes within 20 s, 128 within
// 30 s, each read whole from a render and from a long listing.
TEST(ExtendedOnAirErt, ShortAndLongTextsWithinTheirTimes)
{
    ASSERT_EQ(kErt74.size(), 74u);
    for (const auto& [text, limit] : std::vector<std::pair<std::string, double>>{{kErt74, 20.0}, {kErt128, 30.0}}) {
        SCOPED_TRACE(text.size());
        const Station s(text, text.size() == 74 ? 25 : 0);
        ASSERT_EQ(s.sendCode, 0) << s.sendErr;
        const RdsTestDecoder listed = DecodeLines(s.listedLong);
        EXPECT_EQ(listed.ertText(), text);
        // Segments up to the end mark, and no more: 19 for 74 bytes, 32 for 128.
        EXPECT_EQ(listed.pieces.at("ERT").size(), text.size() == 74 ? 19u : 32u);
        const std::int64_t worst = listed.worstCompletion("ERT");
        EXPECT_LE(Seconds(worst), limit);
        std::printf("eRT of %zu bytes: worst %.2f s (limit %.0f s)\n", text.size(), Seconds(worst), limit);
        if (!s.wav.empty()) {
            EXPECT_EQ(s.fromWav.badGroups, 0);
            const RdsTestDecoder wav = DecodeGroups(s.fromWav.groups);
            EXPECT_EQ(wav.ertText(), text);
            const std::int64_t first = wav.completion("ERT", 0);
            ASSERT_GE(first, 0);
            EXPECT_LE(Seconds(first), limit);
            std::printf("eRT of %zu bytes: from the render's start %.2f s\n", text.size(), Seconds(first));
        }
    }
}

// --- a station without [Extended] -------------------------------------------
// Sends the chip's groups in the chip's round of ten, whatever the state file
// held before and whether the section is there empty.

const std::string kPlainRt = "Hello there";

std::string PlainSettings()
{
    return "[General]\r\n"
           "PI=D3A2\r\n"
           "DefaultPS=\"QUORVAN\"\r\n"
           "PTY=10\r\n"
           "AF1=98.5\r\n"
           "AF2=101.2\r\n"
           "[Radiotext]\r\n"
           "Enabled=1\r\n"
           "Radiotext1=\"" + kPlainRt + "\"\r\n";
}

TEST(ExtendedOffAir, ASettingsFileWithoutTheSectionSendsTheChipsRound)
{
    CliSandbox box;
    const std::string plain = PlainSettings();
    box.write("plain.rds", plain);
    // The section there with every key empty (or at its default) sets nothing.
    box.write("empty.rds", plain + "[Extended]\r\nECC=\r\nLIC=\r\nPIN=\r\nPTYN=\r\nLongPS=\r\nERT=\r\n"
                                   "ERTFromRT=0\r\nAFMethod=A\r\nGroupSequence=\r\n");
    box.write("full.rds", Settings(kErt74) + "GroupSequence=0A 2A 0A 1A 0A 15A 0A 12A 0A 14A\r\n");
    auto send = [&](const std::string& file, const std::string& state) {
        const CliResult r = box.run({"--settings", box.path(file), "--port", "virtual:" + box.path(state), "send"});
        EXPECT_EQ(r.code, 0) << file << ": " << r.err;
    };
    auto listing = [&](const std::string& state, int seconds) {
        return Lines(box.run({"groups", box.path(state), "--at", kAt, "--seconds", std::to_string(seconds)}).out);
    };
    send("plain.rds", "plain.state");
    send("empty.rds", "empty.state");
    // A state that carried every extended value, then the file without them.
    send("full.rds", "after.state");
    const std::vector<std::string> before = listing("after.state", 5);
    send("plain.rds", "after.state");

    const std::vector<std::string> groups = listing("plain.state", 60);
    ASSERT_EQ(groups.size(), 686u);  // the groups that begin within 60 s
    EXPECT_EQ(listing("empty.state", 60), groups);
    EXPECT_EQ(listing("after.state", 60), groups);
    EXPECT_NE(std::vector<std::string>(groups.begin(), groups.begin() + 57), before);

    // Today's first round: PI D3A2; block 2 with PTY 10 and music (0x0148);
    // 0A with the AF method A list (224 + 2 codes, 98.5 MHz; 101.2 MHz and
    // the filler 205), "QUORVAN "; 2A version A, text A/B flag 0.
    const std::vector<std::string> firstRound{
        "D3A2 0148 E26E 5155", "D3A2 2140 4865 6C6C", "D3A2 0149 89CD 4F52", "D3A2 2141 6F20 7468",
        "D3A2 014A E26E 5641", "D3A2 2142 6572 6520", "D3A2 014B 89CD 4E20", "D3A2 2143 2020 2020",
        "D3A2 0148 E26E 5155", "D3A2 2144 2020 2020"};
    EXPECT_EQ(std::vector<std::string>(groups.begin(), groups.begin() + 10), firstRound);

    // The round of ten: 0A in the even places, 2A in the odd ones (place 9
    // too: radiotext on, no user group), nothing else.
    const RdsTestDecoder d = DecodeLines(groups);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const int type = HexGroup(groups[i]).blocks[1] >> 11;  // type * 2 + B
        ASSERT_EQ(type, i % 2 ? 2 * 2 : 0) << "group " << i << ": " << groups[i];
    }
    EXPECT_EQ(d.ps, "QUORVAN ");
    std::string rt = d.rtText();
    rt.erase(rt.find_last_not_of(' ') + 1);
    EXPECT_EQ(rt, kPlainRt);
    EXPECT_EQ(d.pieces.at("RT").size(), 16u);
    EXPECT_EQ(d.af0A[0], 0xE26E);
    EXPECT_EQ(d.af0A[1], 0x89CD);

    // And the air carries them.
    const std::string out = box.path("plain.wav");
    const CliResult r = box.run(
        {"air", box.path("plain.state"), "--output", out, "--rate", std::to_string(kRate), "--at", kAt, "--seconds", "5"});
    ASSERT_EQ(r.code, 0) << r.err;
    int rate = 0;
    const std::vector<float> samples = ReadMono(out, rate);
    ASSERT_EQ(rate, kRate);
    const Decoded fromWav = DecodeRds(samples, rate);
    EXPECT_EQ(fromWav.badGroups, 0);
    ASSERT_EQ(fromWav.groups.size(), 57u);
    for (std::size_t i = 0; i < fromWav.groups.size(); ++i)
        ASSERT_EQ(fromWav.groups[i].hex(), groups[i]) << "group " << i;
}

} // namespace
} // namespace quorvan::test
