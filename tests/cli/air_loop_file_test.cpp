// quorvanctl air --input: a synthetic station MPX in a WAV file, its pilot
// 3.7 Hz high, through the real binary. The output's groups, decoded by the
// test receiver on the input's pilot, are those `groups` lists; output minus
// input is the RDS band alone; the RDS carrier keeps its phase against the
// pilot's third harmonic; the line at the end; every refused input.
#include "cli/cli_runner.h"

#include "air/station_mpx.h"
#include "air/test_demodulator.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <regex>
#include <utility>

namespace quorvan::test {
namespace {

constexpr int kRate = 192000;
const std::string kAt = "2017-04-04T23:42:57";

void MakeStation(const CliSandbox& box, const std::string& state)
{
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "D3", "A2", "51", "55", "4F", "52", "56", "41", "4E", "20", "0A",
                       "01", "00", "00", "01"}).code, 0);
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "rt", "Looped onto the station's pilot"}).code, 0);
}

// Interleaved frames into a WAV file of `subtype` samples.
void WriteWav(const std::string& path, const std::vector<float>& interleaved, int channels, int rate, int subtype)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subtype;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / channels));
    sf_close(f);
}

struct Sound {
    int rate = 0, channels = 0, format = 0;
    std::vector<float> samples;
};

// Integer samples read as integers / (2^(bits-1) - 1), as the program scales them.
Sound ReadWav(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    Sound s;
    if (!f)
        return s;
    s.rate = info.samplerate;
    s.channels = info.channels;
    s.format = info.format;
    const bool s16 = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    if (s16)
        sf_command(f, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    s.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, s.samples.data(), info.frames);
    sf_close(f);
    if (s16)
        for (float& v : s.samples)
            v /= 32767;
    return s;
}

// The greatest distance of the RDS carrier's phase from `asked` degrees
// (modulo 180) over quarter-second windows from `from` seconds to the end.
double WorstPhaseDegrees(const std::vector<float>& rds, const StationMpx& mpx, double asked, double from)
{
    double worst = 0;
    const double seconds = static_cast<double>(rds.size()) / kRate;
    for (double t = from; t + 0.25 <= seconds + 1e-9; t += 0.25) {
        const double p = RdsCarrierPhase(rds, mpx.pilotCycles, static_cast<std::size_t>(t * kRate),
                                         static_cast<std::size_t>((t + 0.25) * kRate));
        const double off = std::remainder(p - asked * std::numbers::pi / 180, std::numbers::pi) * 180 / std::numbers::pi;
        worst = std::max(worst, std::abs(off));
    }
    return worst;
}

// The decoded groups are a run of `expected` with none bad, from one that
// began within the lock's first 0.4 s on to the end.
void ExpectTheListedGroups(const Decoded& d, const std::vector<std::string>& expected, double seconds)
{
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_GE(d.firstGroupBit, 0);
    EXPECT_LE(d.firstGroupBit, 0.4 * 1187.5 + 104);
    const auto first = static_cast<std::size_t>((d.firstGroupBit + 52) / 104);
    EXPECT_GE(static_cast<double>(d.groups.size() + first + 2), seconds * 1187.5 / 104);
    ASSERT_LE(first + d.groups.size(), expected.size());
    for (std::size_t i = 0; i < d.groups.size(); ++i)
        ASSERT_EQ(d.groups[i].hex(), expected[first + i]) << i;
}

TEST(CliAirLoopFile, TheStationsMpxGetsTheListedGroupsOnItsPilot)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    StationMpxConfig config;
    config.seconds = 4;
    config.pilotHz = 19003.7;
    config.pilotLevel = 0.09;
    const StationMpx mpx = MakeStationMpx(config);
    WriteWav(box.path("mpx.wav"), mpx.mpx, 1, kRate, SF_FORMAT_FLOAT);
    const auto expected = Lines(box.run({"groups", state, "--seconds", "5", "--at", kAt}).out);

    const CliResult r = box.run({"air", state, "--input", "mpx.wav", "--output", "out.wav", "--at", kAt});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    // The line at the end.
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.err, m, std::regex("pilot 19003\\.7 Hz, locked ([0-9.]+) of 4\\.0 s, "
                                                      "RDS phase 0\\.0\u00b0, 0 clipped samples\n")))
        << r.err;
    EXPECT_GE(std::stod(m[1]), 3.5);
    // The whole file at its rate, in its own format.
    const Sound out = ReadWav(box.path("out.wav"));
    ASSERT_EQ(out.rate, kRate);
    ASSERT_EQ(out.channels, 1);
    EXPECT_EQ(out.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
    ASSERT_EQ(out.samples.size(), mpx.mpx.size());
    ExpectTheListedGroups(DecodeRdsOnPilot(out.samples, kRate, mpx.pilotCycles), expected, config.seconds);
    // out - in: the RDS at its level, nothing of the programme, the pilot or
    // the stereo subcarrier.
    std::vector<float> rds(out.samples.size());
    float peak = 0;
    for (std::size_t i = 0; i < rds.size(); ++i) {
        rds[i] = out.samples[i] - mpx.mpx[i];
        peak = std::max(peak, std::abs(rds[i]));
    }
    EXPECT_LE(peak, 0.045f * 1.0001f);
    EXPECT_GE(peak, 0.045f * 0.9f);
    EXPECT_LE(OutsideRdsBandDb(rds, kRate), -60);
    // Where the station's MPX has its own content (programme, pilot, stereo
    // subcarrier), from the first second on: no more than the float sum's
    // rounding and the RDS's own floor (mean squares of -154, -186 and -141 dB
    // of full scale here; the bound is -130 dB). A sample of delay, any filter
    // or a 16-bit rounding of the input leaves 20 dB and more above it.
    const std::vector<float> settled(rds.begin() + kRate, rds.end());
    for (const auto& [from, to] : {std::pair{20.0, 15000.0}, {18000.0, 20000.0}, {23000.0, 53000.0}})
        EXPECT_LE(BandPower(settled, kRate, from, to), 1e-13) << from << "-" << to << " Hz";
    EXPECT_LE(WorstPhaseDegrees(rds, mpx, 0, 1), 2.0);

    // Without RDS the float samples come out as they went in, to the bit.
    const CliResult none = box.run({"air", state, "--input", "mpx.wav", "--rds-level", "0", "--output", "same.wav"});
    ASSERT_EQ(none.code, 0) << none.err;
    const Sound same = ReadWav(box.path("same.wav"));
    ASSERT_EQ(same.samples.size(), mpx.mpx.size());
    for (std::size_t i = 0; i < same.samples.size(); ++i)
        ASSERT_EQ(same.samples[i], mpx.mpx[i]) << i;
}

TEST(CliAirLoopFile, OneChannelOfSeveralInQuadratureAndS16Unchanged)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    StationMpxConfig config;
    config.seconds = 3;
    config.pilotHz = 19003.7;
    config.seed = 7;
    const StationMpx mpx = MakeStationMpx(config);
    // Channel 1 a loud tone without pilot, channel 2 the MPX with its peak
    // at 0.95 of full scale (every bit of a 16-bit sample in use), as 16-bit
    // samples.
    float peak = 0;
    for (const float v : mpx.mpx)
        peak = std::max(peak, std::abs(v));
    std::vector<float> two(2 * mpx.mpx.size());
    std::vector<float> in(mpx.mpx.size());
    for (std::size_t i = 0; i < mpx.mpx.size(); ++i) {
        two[2 * i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1000 * static_cast<double>(i) / kRate));
        in[i] = std::round(mpx.mpx[i] * 0.95f / peak * 32767) / 32767;
        two[2 * i + 1] = in[i];
    }
    WriteWav(box.path("two.wav"), two, 2, kRate, SF_FORMAT_PCM_16);
    const auto expected = Lines(box.run({"groups", state, "--seconds", "3", "--at", kAt}).out);

    const CliResult r = box.run({"air", state, "--input", "two.wav", "--input-channel", "2", "--rds-phase", "90",
                                 "--output", "out.wav", "--at", kAt, "--seconds", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find(" of 2.0 s, RDS phase 90.0\u00b0, 0 clipped samples\n"), std::string::npos) << r.err;
    const Sound out = ReadWav(box.path("out.wav"));
    EXPECT_EQ(out.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    ASSERT_EQ(out.samples.size(), 2u * kRate);  // --seconds 2 of the 3 s
    in.resize(out.samples.size());
    std::vector<float> rds(out.samples.size());
    for (std::size_t i = 0; i < rds.size(); ++i)
        rds[i] = out.samples[i] - in[i];
    EXPECT_LE(OutsideRdsBandDb(rds, kRate), -40);
    EXPECT_LE(WorstPhaseDegrees(rds, mpx, 90, 1), 2.0);
    ExpectTheListedGroups(DecodeRdsOnPilot(out.samples, kRate, mpx.pilotCycles), expected, 2);

    // With the RDS at 0 %, the 16-bit samples come out as they went in.
    const CliResult none = box.run({"air", state, "--input", "two.wav", "--input-channel", "2", "--rds-level", "0",
                                    "--output", "same.wav", "--seconds", "1"});
    ASSERT_EQ(none.code, 0) << none.err;
    const Sound same = ReadWav(box.path("same.wav"));
    ASSERT_EQ(same.samples.size(), static_cast<std::size_t>(kRate));
    for (std::size_t i = 0; i < same.samples.size(); ++i)
        ASSERT_EQ(std::lround(same.samples[i] * 32767), std::lround(in[i] * 32767)) << i;
}

TEST(CliAirLoopFile, WithoutAPilotItSaysSoAndTheRdsRunsAtTheNominalRate)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    StationMpxConfig config;
    config.seconds = 2;
    config.pilotLevel = 0;
    config.stereoLevel = 0;
    config.monoLevel = 0;  // the plain receiver has no band filter
    const StationMpx mpx = MakeStationMpx(config);
    WriteWav(box.path("mono.wav"), mpx.mpx, 1, kRate, SF_FORMAT_FLOAT);
    const auto expected = Lines(box.run({"groups", state, "--seconds", "2", "--at", kAt}).out);
    const CliResult r = box.run({"air", state, "--input", "mono.wav", "--output", "out.wav", "--at", kAt});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "no pilot: RDS runs free at the nominal rate, RDS phase 0.0\u00b0, 0 clipped samples\n");
    const Sound out = ReadWav(box.path("out.wav"));
    const Decoded d = DecodeRds(out.samples, kRate);
    EXPECT_EQ(d.firstGroupBit, 0);
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_EQ(d.groups.size(), 22u);  // 2 s at 1187.5 bit/s
    for (std::size_t i = 0; i < d.groups.size(); ++i)
        EXPECT_EQ(d.groups[i].hex(), expected[i]) << i;
}

TEST(CliAirLoopFile, TheStatesLevelAndPhaseAreTheStartValuesUnlessTheCommandLineGivesThem)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    // The level and phase that RDSLEVEL=, RDSPHASE= or UECP keep with the state.
    box.write("enc.state", box.read("enc.state") + "ext level 62\next phase 900\n");
    StationMpxConfig config;
    config.seconds = 2;
    const StationMpx mpx = MakeStationMpx(config);
    WriteWav(box.path("mono.wav"), mpx.mpx, 1, kRate, SF_FORMAT_FLOAT);
    struct Case {
        std::vector<std::string> options;
        double level, phase;
    };
    for (const Case& c : {Case{{}, 6.2, 90}, Case{{"--rds-level", "3", "--rds-phase", "0"}, 3, 0}}) {
        std::vector<std::string> args{"air", state, "--input", "mono.wav", "--output", "out.wav", "--at", kAt};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult r = box.run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        char phase[32];
        std::snprintf(phase, sizeof phase, "RDS phase %.1f\u00b0", c.phase);
        EXPECT_NE(r.err.find(phase), std::string::npos) << r.err;
        const Sound out = ReadWav(box.path("out.wav"));
        ASSERT_EQ(out.samples.size(), mpx.mpx.size());
        std::vector<float> rds(out.samples.size());
        double peak = 0;
        for (std::size_t i = 0; i < rds.size(); ++i) {
            rds[i] = out.samples[i] - mpx.mpx[i];
            peak = std::max(peak, static_cast<double>(std::abs(rds[i])));
        }
        EXPECT_LE(peak, c.level / 100 * 1.0001) << c.level;
        EXPECT_GE(peak, c.level / 100 * 0.9) << c.level;
        EXPECT_LE(WorstPhaseDegrees(rds, mpx, c.phase, 1), 2.0) << c.phase;
    }
    // A render without an input takes the state's level too.
    ASSERT_EQ(box.run({"air", state, "--output", "rds.wav", "--seconds", "1", "--at", kAt}).code, 0);
    const Sound rds = ReadWav(box.path("rds.wav"));
    double peak = 0;
    for (const float v : rds.samples)
        peak = std::max(peak, static_cast<double>(std::abs(v)));
    EXPECT_LE(peak, 0.062 + 1.0 / 32767);  // s16: half a step of rounding either way
    EXPECT_GE(peak, 0.062 * 0.9);
}

TEST(CliAirLoopFile, ClippedSumsAreCountedOnTheLineAtTheEnd)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    // Half a second at 0.98 of full scale: 4.5 % of RDS on top clips often.
    std::vector<float> hot(kRate / 2, 0.98f);
    WriteWav(box.path("hot.wav"), hot, 1, kRate, SF_FORMAT_FLOAT);
    const CliResult r = box.run({"air", state, "--input", "hot.wav", "--output", "out.wav"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Sound out = ReadWav(box.path("out.wav"));
    ASSERT_EQ(out.samples.size(), hot.size());
    long long clipped = 0;
    for (const float v : out.samples) {
        ASSERT_LE(v, 1.0f);
        clipped += v == 1.0f;
    }
    EXPECT_GT(clipped, 1000);
    EXPECT_EQ(r.err, "no pilot: RDS runs free at the nominal rate, RDS phase 0.0\u00b0, " + std::to_string(clipped) +
                         " clipped samples\n");
}

TEST(CliAirLoopFile, EachRefusedInputEndsWithOneLineAndExit2)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    const std::vector<float> quiet(2 * 4800, 0.0f);
    WriteWav(box.path("cd.wav"), quiet, 1, 48000, SF_FORMAT_PCM_16);
    WriteWav(box.path("mono.wav"), quiet, 1, kRate, SF_FORMAT_PCM_16);
    WriteWav(box.path("two.wav"), quiet, 2, kRate, SF_FORMAT_PCM_16);
    box.write("text.wav", "not a sound\n");
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--input", "cd.wav"}, "runs at 48000 Hz, below the 128000 Hz"},
        {{"--input", "mono.wav", "--rate", "176400"}, "runs at 192000 Hz, not at --rate 176400"},
        {{"--input", "missing.wav"}, "missing.wav: no such file"},
        {{"--input", "text.wav"}, "not a WAV or FLAC file"},
        {{"--input", "two.wav", "--input-channel", "3"}, "there is no input channel 3 (--input-channel 1 to 2)"},
        {{"--input", "mono.wav", "--input-channel", "2"}, "there is no input channel 2"},
        {{"--input", "two.wav"}, "has 2 channels: choose the MPX by --input-channel 1 to 2"},
        {{"--input", "mono.wav", "--input-channel", "0"}, "--input-channel '0'"},
        {{"--input", "mono.wav", "--rds-phase", "360"}, "--rds-phase '360'"},
        {{"--input", "mono.wav", "--rds-phase", "12.34"}, "--rds-phase '12.34'"},
        {{"--input", "mono.wav", "--pilot-level", "9"}, "carries its own pilot"},
        {{"--rds-phase", "90"}, "--rds-phase belongs to a loop-through"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"air", state};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--output", "out.wav"});
        std::string joined;
        for (const auto& a : args)
            joined += a + ' ';
        const CliResult r = box.run(args);
        EXPECT_EQ(r.code, 2) << joined << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << joined << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << joined << r.err;
        EXPECT_EQ(r.out, "") << joined;
    }
    // --input without --output.
    const CliResult r = box.run({"air", state, "--input", "mono.wav"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("needs --output"), std::string::npos) << r.err;
}

} // namespace
} // namespace quorvan::test
