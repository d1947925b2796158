// quorvanctl air into files and stdout: the groups of `groups`, decoded by
// the test receiver, at the rates sound cards run at; and every bad argument.
#include "cli/cli_runner.h"

#include "air/player_claim.h"
#include "air/test_demodulator.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

// A station with PS, radiotext and a clock time loaded (a 4A at the minute).
void MakeStation(const CliSandbox& box, const std::string& state)
{
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "D3", "A2", "51", "55", "4F", "52", "56", "41", "4E", "20", "0A",
                       "01", "00", "00", "01"}).code, 0);
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "rt", "On air without the chip"}).code, 0);
    ASSERT_EQ(box.run({"virtual-poke", state, "67", "40", "01", "C3", "EF", "5A", "C4"}).code, 0);
}

struct Sound {
    int rate = 0, channels = 0, format = 0;
    std::vector<float> samples;  // interleaved
};

Sound ReadSound(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    Sound s;
    if (!f)
        return s;
    s.rate = info.samplerate;
    s.channels = info.channels;
    s.format = info.format;
    s.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, s.samples.data(), info.frames);
    sf_close(f);
    return s;
}

std::vector<std::string> Hex(const std::vector<rds::Group>& groups)
{
    std::vector<std::string> out;
    for (const rds::Group& g : groups)
        out.push_back(g.hex());
    return out;
}

TEST(CliAir, FileRendersDecodeToTheGroupsOfTheGroupsCommand)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    const std::string at = "2017-04-04T23:42:57";  // a minute boundary 3 s in
    const auto expected = Lines(box.run({"groups", state, "--seconds", "8", "--at", at}).out);
    ASSERT_EQ(expected.size(), 92u);
    for (int rate : {171000, 192000, 228000}) {
        const std::string wav = box.path("x" + std::to_string(rate) + ".wav");
        const CliResult r = box.run({"air", state, "--output", wav, "--rate", std::to_string(rate), "--seconds", "8",
                                     "--at", at});
        ASSERT_EQ(r.code, 0) << r.err;
        const Sound s = ReadSound(wav);
        ASSERT_EQ(s.rate, rate);
        ASSERT_EQ(s.samples.size(), 8u * rate);  // exactly N x rate frames
        const Decoded d = DecodeRds(s.samples, rate);
        EXPECT_EQ(d.firstGroupBit, 0) << rate;
        EXPECT_EQ(d.badGroups, 0) << rate;
        // Every complete group: the 92nd begins 7.97 s in and is cut off.
        const auto got = Hex(d.groups);
        ASSERT_EQ(got.size(), 91u) << rate;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin())) << rate;
        EXPECT_NE(std::find(got.begin(), got.end(), "D3A2 4141 C3EF 5AC4"), got.end());  // the 4A
    }
    // The default state file stays as it was: a render never writes it.
    EXPECT_FALSE(std::filesystem::exists(state + ".air"));
}

TEST(CliAir, ChannelsFormatsFlacAndRawStdout)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    CliResult r = box.run({"air", state, "--output", "s.wav", "--seconds", "2", "--channels", "2", "--format", "s32",
                           "--rds-level", "10", "--pilot-level", "9"});
    ASSERT_EQ(r.code, 0) << r.err;
    Sound s = ReadSound(box.path("s.wav"));
    ASSERT_EQ(s.channels, 2);
    EXPECT_EQ(s.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_32);
    ASSERT_EQ(s.samples.size(), 2u * 2 * 192000);
    float peak = 0;
    for (std::size_t i = 0; i < s.samples.size(); i += 2) {
        ASSERT_EQ(s.samples[i], s.samples[i + 1]);
        peak = std::max(peak, std::abs(s.samples[i]));
    }
    EXPECT_GT(peak, 0.15f);
    EXPECT_LE(peak, 0.19f);

    r = box.run({"air", state, "--output", "f.flac", "--seconds", "1", "--rate", "176400"});
    ASSERT_EQ(r.code, 0) << r.err;
    s = ReadSound(box.path("f.flac"));
    EXPECT_EQ(s.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    EXPECT_EQ(s.samples.size(), 176400u);

    r = box.run({"air", state, "--output", "-", "--seconds", "1", "--format", "float"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.out.size(), 192000u * 4);
    std::vector<float> raw(192000);
    std::memcpy(raw.data(), r.out.data(), r.out.size());
    const Decoded d = DecodeRds(raw, 192000);
    EXPECT_EQ(d.firstGroupBit, 0);
    EXPECT_EQ(d.groups.size(), 11u);  // 11 x 104 bits take 0.96 s
}

// Runs quorvanctl for at most `seconds`: a run that never ends is killed
// and counts as exit code -1.
CliResult RunWithin(const CliSandbox& box, const std::vector<std::string>& args, double seconds)
{
    const int pid = box.start(args, "within.out");
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    CliResult r;
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    r.out = box.read("within.out");
    r.err = box.read("within.out.err");
    return r;
}

std::vector<float> Floats(const std::string& bytes)
{
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

TEST(CliAir, ZeroSecondsRendersNothing)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    CliResult r = RunWithin(box, {"air", state, "--output", "zero.wav", "--seconds", "0"}, 20);
    ASSERT_EQ(r.code, 0) << r.err;
    const Sound s = ReadSound(box.path("zero.wav"));
    EXPECT_EQ(s.rate, 192000);
    EXPECT_TRUE(s.samples.empty());
    r = RunWithin(box, {"air", state, "--output", "-", "--seconds", "0"}, 20);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(CliAir, StereoRawRendersCarryTheSameSignalOnBothChannels)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    for (const std::string format : {"s16", "float"}) {
        const CliResult r = box.run({"air", state, "--output", "-", "--seconds", "1", "--channels", "2", "--format", format});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::size_t bytes = format == "s16" ? 2 : 4;
        ASSERT_EQ(r.out.size(), 192000u * 2 * bytes) << format;
        std::vector<float> left;
        bool loud = false;
        for (std::size_t i = 0; i < r.out.size(); i += 2 * bytes) {
            ASSERT_EQ(std::memcmp(r.out.data() + i, r.out.data() + i + bytes, bytes), 0) << format << " frame " << i;
            float v = 0;
            if (bytes == 2) {
                std::int16_t w = 0;
                std::memcpy(&w, r.out.data() + i, 2);
                v = static_cast<float>(w) / 32767;
            } else {
                std::memcpy(&v, r.out.data() + i, 4);
            }
            left.push_back(v);
            loud = loud || v != 0;
        }
        EXPECT_TRUE(loud) << format;
        const Decoded d = DecodeRds(left, 192000);
        EXPECT_EQ(d.groups.size(), 11u) << format;
    }
}

TEST(CliAir, CarrierOrPowerOffKeepsThePilotAlone)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "carrier", "off"}).code, 0);
    const std::string unpowered = box.path("unpowered.state");
    MakeStation(box, unpowered);
    ASSERT_EQ(box.run({"virtual-power", unpowered, "off"}).code, 0);
    for (const std::string& played : {state, unpowered}) {
        const CliResult r =
            box.run({"air", played, "--output", "-", "--seconds", "1", "--format", "float", "--pilot-level", "9"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("the pilot alone"), std::string::npos) << r.err;
        const std::vector<float> s = Floats(r.out);
        ASSERT_EQ(s.size(), 192000u);
        double worst = 0;
        for (std::size_t n = 0; n < s.size(); ++n) {
            const double pilot = 0.09 * std::sin(2 * std::numbers::pi * static_cast<double>((n * 19000) % 192000) / 192000);
            worst = std::max(worst, std::abs(s[n] - pilot));
        }
        EXPECT_LT(worst, 1e-4) << played;
    }
}

TEST(CliAir, MessagesNameTheFix)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    CliResult r = box.run({"air", state, "--output", "/nonexistent/x.wav", "--seconds", "1"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("the folder /nonexistent does not exist"), std::string::npos) << r.err;
    r = box.run({"air", state, "--device", "nosuchcard"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("(see aplay -L)"), std::string::npos) << r.err;
    r = box.run({"air", state, "--output", "-", "--seconds", "1", "--rds-level", "0"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("--rds-level 0: no RDS goes on air"), std::string::npos) << r.err;
}

TEST(CliAir, ASecondLivePlayerOnOneStateFileIsRefusedNamingTheFirst)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    // A process that runs, named by the status file as its player.
    const pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        ::pause();
        ::_exit(0);
    }
    box.write("enc.state.air", "device=ALSA hw:0\nrate=192000\npid=" + std::to_string(first) + "\n");
    CliResult r = RunWithin(box, {"air", state, "--output", "-"}, 10);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("process " + std::to_string(first)), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(box.read("enc.state.air").find("pid=" + std::to_string(first)), std::string::npos);
    // A render is no live player: it goes ahead.
    r = RunWithin(box, {"air", state, "--output", "-", "--seconds", "1"}, 20);
    EXPECT_EQ(r.code, 0) << r.err;
    ::kill(first, SIGKILL);
    int status = 0;
    ::waitpid(first, &status, 0);
    // Its player gone, a live air starts (and ends on SIGTERM).
    const int pid = box.start({"air", state, "--output", "-"}, "live.raw");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::error_code ec;
    while ((std::filesystem::file_size(box.path("live.raw"), ec) < 192000 || ec) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << box.read("live.raw.err");
    EXPECT_GE(std::filesystem::file_size(box.path("live.raw")), 192000u);
}

TEST(CliAir, TwoLivePlayersStartedTogetherCannotBothPlay)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    // Started in the same instant, before either has a status file: one
    // plays, the other is refused and names the claim or the first.
    const int a = box.start({"air", state, "--output", "-"}, "a.raw");
    const int b = box.start({"air", state, "--output", "-"}, "b.raw");
    int refused = 0, player = 0, status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::error_code ec;
    auto bytes = [&](const char* name) {
        const auto n = std::filesystem::file_size(box.path(name), ec);
        return ec ? 0u : static_cast<std::size_t>(n);
    };
    while (!refused && std::chrono::steady_clock::now() < end &&
           (bytes("a.raw") < 4 * 192000u || bytes("b.raw") < 4 * 192000u)) {
        for (const int pid : {a, b})
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                refused = pid;
                player = pid == a ? b : a;
            }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(refused, 0) << "both played: " << bytes("a.raw") << " and " << bytes("b.raw") << " bytes";
    const std::string err = box.read(refused == a ? "a.raw.err" : "b.raw.err");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << err;
    EXPECT_NE(err.find("is already on air by"), std::string::npos) << err;
    ::kill(player, SIGTERM);
    ASSERT_EQ(::waitpid(player, &status, 0), player);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    // Whoever holds the claim, every live way is refused before it opens a
    // device or a server: JACK, the live loop-through and --output -.
    air::PlayerClaim held;
    std::string error, note;
    ASSERT_TRUE(held.take(state, error, note)) << error;
    ASSERT_TRUE(held.held()) << note;
    for (const std::vector<std::string>& way :
         {std::vector<std::string>{"--jack"}, {"--input-device", "null", "--device", "null"}, {"--output", "-"}}) {
        std::vector<std::string> args = {"air", state};
        args.insert(args.end(), way.begin(), way.end());
        const CliResult r = RunWithin(box, args, 10);
        EXPECT_EQ(r.code, 2) << way.front() << ": " << r.err;
        EXPECT_NE(r.err.find("another air process (it holds " + air::PlayerClaimPath(state) + ")"), std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
    }
    // A render is no live player: it goes ahead.
    EXPECT_EQ(RunWithin(box, {"air", state, "--output", "-", "--seconds", "1"}, 20).code, 0);
    // Let go (the process that held it ends), the claim is free again.
    held = air::PlayerClaim();
    air::PlayerClaim again;
    EXPECT_TRUE(again.take(state, error, note) && again.held()) << error;
}

TEST(CliAir, ThePortOrTheSettingsNameTheStateFile)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    // One fixed time: without it the groups follow the wall clock and two renders may differ.
    const std::vector<std::string> render = {"--output", "-", "--seconds", "1", "--at", "2026-05-10T12:00:00"};
    auto air = [&](std::vector<std::string> front, std::vector<std::string> back) {
        front.push_back("air");
        front.insert(front.end(), back.begin(), back.end());
        front.insert(front.end(), render.begin(), render.end());
        return box.run(front);
    };
    const CliResult typed = air({}, {state});
    ASSERT_EQ(typed.code, 0) << typed.err;
    ASSERT_EQ(typed.out.size(), 192000u * 2);
    for (const CliResult& r : {air({"--port", "virtual:" + state}, {}), air({}, {"--port", "virtual:" + state}),
                               air({"--port", "virtual-serial:" + state}, {})}) {
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, typed.out);
    }
    // The settings' Port on the virtual encoder and its VirtualEncoder file.
    box.write("s.rds", "[Config]\nPort=6\nVirtualEncoder=" + state + "\n");
    CliResult r = air({"--settings", box.path("s.rds")}, {});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, typed.out);
    r = air({"--settings", box.path("s.rds"), "--port", "virtual"}, {});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, typed.out);
    // A port that is no virtual encoder, or two names for the file.
    for (const CliResult& bad : {air({"--port", "lpt1"}, {}), air({}, {state, "--port", "virtual:" + state})}) {
        EXPECT_EQ(bad.code, 2) << bad.err;
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    }
}

// A live air started before its state file exists (the first day of a
// service) says so once and plays as soon as the file appears.
TEST(CliAir, ALiveAirWaitsForItsStateFile)
{
    CliSandbox box;
    const std::string state = box.path("later.state");
    const int pid = box.start({"air", state, "--output", "-"}, "live.raw");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (box.read("live.raw.err").empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(box.read("live.raw.err"), "quorvanctl: waiting for the virtual encoder state file " + state +
                                            " (quorvanctl virtual-power " + state + " on creates one)\n");
    EXPECT_EQ(box.read("live.raw"), "");
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0);  // still waiting
    MakeStation(box, state);
    std::error_code ec;
    while ((std::filesystem::file_size(box.path("live.raw"), ec) < 192000 || ec) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << box.read("live.raw.err");
    EXPECT_GE(std::filesystem::file_size(box.path("live.raw")), 192000u);
    // SIGTERM while waiting ends it at once, normally.
    const int waiting = box.start({"air", box.path("never.state"), "--output", "-"}, "never.raw");
    while (box.read("never.raw.err").empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(waiting, SIGTERM);
    ASSERT_EQ(::waitpid(waiting, &status, 0), waiting);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(CliAir, EachBadArgumentEndsWithOneLineAndExit2)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    MakeStation(box, state);
    box.write("bad.state", "garbage\n");
    const std::string wav = box.path("x.wav");
    const std::vector<std::vector<std::string>> cases = {
        {"air"},
        {"air", state, "--output", wav, "--seconds", "1", "--rate", "127999"},
        {"air", state, "--output", wav, "--seconds", "1", "--rate", "fast"},
        {"air", state, "--output", wav, "--seconds", "1", "--rds-level", "95", "--pilot-level", "9"},
        {"air", state, "--output", wav, "--seconds", "1", "--rds-level", "abc"},
        {"air", state, "--output", wav, "--seconds", "1", "--pilot-level", "101"},
        {"air", state, "--output", wav, "--seconds", "1", "--format", "s24"},
        {"air", state, "--output", wav, "--seconds", "1", "--channels", "3"},
        {"air", state, "--output", box.path("x.mp3"), "--seconds", "1"},
        {"air", state, "--output", box.path("x.flac"), "--seconds", "1", "--format", "float"},
        {"air", state, "--output", wav},
        {"air", state, "--output", wav, "--seconds", "1", "--device", "default"},
        {"air", state, "--at", "2017-04-04T23:42:57"},
        {"air", state, "--output", wav, "--seconds", "1", "--at", "2017-02-30T00:00:00"},
        {"air", box.path("missing.state"), "--output", wav, "--seconds", "1"},
        {"air", box.path("bad.state"), "--output", wav, "--seconds", "1"},
        {"air", state, "--device", "no_such_pcm_quorvan"},
        {"air", state, "--output", box.path("no/such/dir/x.wav"), "--seconds", "1"},
    };
    for (const auto& args : cases) {
        const CliResult r = box.run(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + ' ';
        EXPECT_EQ(r.code, 2) << joined << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << joined << r.err;
        EXPECT_EQ(r.out, "") << joined;
    }
    EXPECT_EQ(box.read("bad.state"), "garbage\n");
}

} // namespace
} // namespace quorvan::test
