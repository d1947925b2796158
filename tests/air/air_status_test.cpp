// The status file of a software encoder on air and the monitor's line from it.
#include "air/air_status.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
} // namespace quorvan::air
