// The status file of a software encoder on air and the monitor's line from it.
#include "air/air_status.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::air {
namespace {

AirStatus Sample()
{
    AirStatus s;
    s.device = "ALSA default";
    s.rate = 192000;
    s.rdsLevel = 4.5;
    s.startedUnix = 1700000000;
    s.updatedUnix = 1700000100;
    s.groups = 1141;
    s.underruns = 0;
    s.pid = 4242;
    return s;
}

std::string Clock(std::int64_t unix)
{
    return unix == 1700000000 ? "10:32" : "??";
}

TEST(AirStatus, RoundTripsThroughItsFileAndDescribesItself)
{
    AirStatus s = Sample();
    EXPECT_EQ(ParseAirStatus(FormatAirStatus(s)), s);
    EXPECT_EQ(DescribeAirStatus(s, 1700000101, Clock), "ALSA default, 192 kHz, RDS 4.5 %, pilot off, 0 underruns, since 10:32");
    s.rate = 176400;
    s.pilotLevel = 9;
    s.underruns = 1;
    s.device = "file x.wav";
    EXPECT_EQ(DescribeAirStatus(s, 1700000101, Clock), "file x.wav, 176.4 kHz, RDS 4.5 %, pilot 9 %, 1 underrun, since 10:32");
    // Three seconds without a new status: no longer on air; nor without one.
    EXPECT_EQ(DescribeAirStatus(s, 1700000103, Clock), "not on air");
    EXPECT_EQ(DescribeAirStatus(std::nullopt, 1700000101, Clock), "not on air");

    const auto dir = std::filesystem::temp_directory_path() / ("quorvan-air-status-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string state = (dir / "enc.state").string();
    EXPECT_EQ(AirStatusPath(state), state + ".air");
    EXPECT_FALSE(ReadAirStatus(state));
    ASSERT_TRUE(WriteAirStatus(state, s));
    EXPECT_EQ(ReadAirStatus(state), s);
    std::filesystem::remove_all(dir);
}

// A loop-through's keys come back as written, also where the pilot's state
// is not yet known and where the phase rounds up to a whole turn.
TEST(AirStatus, ALoopThroughsKeysRoundTrip)
{
    AirStatus s = Sample();
    s.input = "ALSA hw:MPX";
    s.pilot = "locked";
    s.pilotHz = 19000.3;
    s.inputPilotLevel = 8.9;
    s.rdsPhase = 90;
    s.latencyMs = 6;
    s.latencyPeriods = 3;
    s.latencyInMs = 1.5;
    s.latencyOutMs = 4.5;
    s.backlogDrops = 2;
    s.driftKnown = true;
    s.driftPpm = -12.5;
    s.clips = 2;
    EXPECT_EQ(ParseAirStatus(FormatAirStatus(s)), s);
    // The On air line tells the drops after the over- and underruns.
    s.updatedUnix = 1700000100;
    EXPECT_NE(DescribeAirStatus(s, 1700000101, Clock).find("6 ms, 2 clips, drift -12.5 ppm, 2 backlog drops"),
              std::string::npos)
        << DescribeAirStatus(s, 1700000101, Clock);
    s.pilot.clear();
    EXPECT_EQ(ParseAirStatus(FormatAirStatus(s)), s);
    s.rdsPhase = 359.96;
    const auto again = ParseAirStatus(FormatAirStatus(s));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->rdsPhase, 0.0);
}

TEST(AirStatus, DamagedTextIsNoStatus)
{
    EXPECT_FALSE(ParseAirStatus(""));
    EXPECT_FALSE(ParseAirStatus("device=ALSA default\n"));  // no rate
    EXPECT_FALSE(ParseAirStatus("device=x\nrate=fast\n"));
    EXPECT_FALSE(ParseAirStatus("device=x\nrate=192000\nrds_level=-1\n"));
    EXPECT_FALSE(ParseAirStatus("device=x\nrate=192000\ngroups=12x\n"));
    // Unknown keys and stray lines are a newer writer's: ignored.
    const auto s = ParseAirStatus("device=x\r\nrate=192000\nnew_key=1\njunk\n");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->rate, 192000);
    // A carriage return or tab inside a device name (a file name may hold
    // one) reads back as '?', and the name stays the same on every round.
    const auto odd = ParseAirStatus("device=file a\tb\r\r\r\nrate=192000\n");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->device, "file a?b??");
    EXPECT_EQ(ParseAirStatus(FormatAirStatus(*odd)), odd);
    AirStatus named = Sample();
    named.device = "file x\ny.wav";
    EXPECT_EQ(ParseAirStatus(FormatAirStatus(named))->device, "file x?y.wav");
}

struct Dir {
    Dir() : path(std::filesystem::temp_directory_path() / ("quorvan-air-status-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AirStatus, RdsOffAndTheSoundServerRateRoundTripAndShow)
{
    AirStatus s = Sample();
    s.rdsOn = false;
    s.serverRate = 48000;
    s.note = "ALSA pulse is a sound server: make sure its sink runs at 192 kHz (pactl list sinks), or use hw:CARD";
    EXPECT_EQ(ParseAirStatus(FormatAirStatus(s)), s);
    EXPECT_EQ(DescribeAirStatus(s, 1700000101, Clock),
              "ALSA default, 192 kHz (sound server at 48 kHz), RDS off, pilot off, 0 underruns, since 10:32");
    s.serverRate = 0;
    EXPECT_EQ(DescribeAirStatus(s, 1700000101, Clock),
              "ALSA default, 192 kHz (sound server rate unknown), RDS off, pilot off, 0 underruns, since 10:32");
    // An older writer's file: RDS on, no server known.
    const auto old = ParseAirStatus("device=x\nrate=192000\n");
    ASSERT_TRUE(old);
    EXPECT_TRUE(old->rdsOn);
    EXPECT_EQ(old->serverRate, 0);
    EXPECT_FALSE(ParseAirStatus("device=x\nrate=192000\nrds=maybe\n"));
}

TEST(AirStatus, NeverWritesThroughALinkAndLeavesADirectoryInItsPlace)
{
    Dir dir;
    const std::string state = dir.file("enc.state");
    const std::string victim = dir.file("victim");
    {
        std::ofstream(victim) << "precious\n";
    }
    std::filesystem::create_symlink(victim, AirStatusPath(state));
    ASSERT_TRUE(WriteAirStatus(state, Sample()));
    EXPECT_EQ(Slurp(victim), "precious\n");
    EXPECT_FALSE(std::filesystem::is_symlink(AirStatusPath(state)));
    EXPECT_EQ(ReadAirStatus(state), Sample());

    std::filesystem::remove(AirStatusPath(state));
    std::filesystem::create_directory(AirStatusPath(state));
    std::string why;
    EXPECT_FALSE(WriteAirStatus(state, Sample(), &why));
    EXPECT_NE(why.find("is a directory"), std::string::npos) << why;
    EXPECT_TRUE(std::filesystem::is_directory(AirStatusPath(state)));
    EXPECT_FALSE(ReadAirStatus(state));
    // Nothing left beside it: the state file's folder holds the victim and the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);
}

TEST(AirStatus, ReadsAtMost4KiBOfAHugeFile)
{
    Dir dir;
    const std::string state = dir.file("enc.state");
    // A valid status, then a sparse 2 GB tail.
    {
        std::ofstream(AirStatusPath(state)) << FormatAirStatus(Sample());
    }
    std::filesystem::resize_file(AirStatusPath(state), std::uintmax_t{2} << 30);
    // A child with far less address space than the file: reading it whole fails there.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        unsigned long pages = 0;
        statm >> pages;
        const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (256u << 20);
        const rlimit limit{room, room};
        ::setrlimit(RLIMIT_AS, &limit);
        try {
            ::_exit(ReadAirStatus(state) ? 1 : 0);
        } catch (...) {
            ::_exit(2);
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // 4096 bytes are a status; 4097 are not.
    std::string text = FormatAirStatus(Sample());
    text += "x=" + std::string(4096 - text.size() - 3, 'y') + "\n";
    ASSERT_EQ(text.size(), 4096u);
    {
        std::ofstream(AirStatusPath(state), std::ios::trunc) << text;
    }
    EXPECT_EQ(ReadAirStatus(state), Sample());
    {
        std::ofstream(AirStatusPath(state), std::ios::app) << "z";
    }
    EXPECT_FALSE(ReadAirStatus(state));
}

TEST(AirStatus, ALivePlayerIsTheRunningProcessItsStatusNames)
{
    Dir dir;
    const std::string state = dir.file("enc.state");
    EXPECT_FALSE(LiveAirPlayer(state));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    AirStatus s = Sample();
    s.pid = child;
    ASSERT_TRUE(WriteAirStatus(state, s));
    EXPECT_EQ(LiveAirPlayer(state), child);
    EXPECT_NE(ProcessState(child), 0);
    ::kill(child, SIGSTOP);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    EXPECT_EQ(ProcessState(child), 'T');
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(LiveAirPlayer(state));  // it no longer runs
    EXPECT_EQ(ProcessState(child), 0);
    s.pid = static_cast<int>(::getpid());
    ASSERT_TRUE(WriteAirStatus(state, s));
    EXPECT_FALSE(LiveAirPlayer(state));  // this process's own
}

} // namespace
} // namespace quorvan::air
