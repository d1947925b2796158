// The pilot lock against a synthetic station MPX whose pilot the test knows:
// the lock range and time with programme and stereo present, the phase error,
// a wandering pilot, a pilot that stops for 5 s and comes back, and none.
#include "air/pilot_lock.h"

#include "air/station_mpx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numbers>
#include <cmath>
#include <vector>

namespace quorvan::air {
namespace {

using test::MakeStationMpx;
using test::StationMpx;
using test::StationMpxConfig;

// The clock for every sample, in odd pieces as a sound card hands them over;
// the lock's state after each whole tenth of a second.
struct LockRun {
    std::vector<PilotClock> clock;
    std::vector<PilotLock::State> states;  // at 0.1 s, 0.2 s, ...
    std::vector<double> frequencies;
};

LockRun Lock(PilotLock& lock, const std::vector<float>& mpx)
{
    LockRun run;
    run.clock.resize(mpx.size());
    const auto tenth = static_cast<std::size_t>(lock.rate() / 10);
    for (std::size_t at = 0; at < mpx.size();) {
        const std::size_t next = std::min(mpx.size(), (at / tenth + 1) * tenth);
        for (std::size_t piece = at; piece < next;) {
            const std::size_t n = std::min<std::size_t>(next - piece, 613 + piece % 1500);
            lock.process(mpx.data() + piece, run.clock.data() + piece, n);
            piece += n;
        }
        at = next;
        if (at % tenth == 0) {
            run.states.push_back(lock.state());
            run.frequencies.push_back(lock.frequency());
        }
    }
    return run;
}

// The clock's phase minus the pilot's, degrees of the pilot, -180..180.
double ErrorDegrees(const PilotClock& c, double truth)
{
    return 360 * std::remainder(c.fraction - (truth - std::floor(truth)), 1.0);
}

// Greatest and rms error over [from, to) seconds.
std::pair<double, double> Errors(const LockRun& run, const StationMpx& mpx, int rate, double from, double to)
{
    double most = 0, sum = 0;
    const auto a = static_cast<std::size_t>(from * rate), b = static_cast<std::size_t>(to * rate);
    for (std::size_t i = a; i < b; ++i) {
        const double e = ErrorDegrees(run.clock[i], mpx.pilotCycles[i]);
        most = std::max(most, std::abs(e));
        sum += e * e;
    }
    return {most, std::sqrt(sum / static_cast<double>(b - a))};
}

// The clock's frequency between consecutive samples, Hz.
double Step(const PilotClock& a, const PilotClock& b, int rate)
{
    return (static_cast<double>(b.cycle - a.cycle) + b.fraction - a.fraction) * rate;
}

TEST(PilotLock, LocksOverTenHertzWithinHalfASecondUnderProgrammeAndStereo)
{
    constexpr int rate = 192000;
    for (const double offset : {-10.0, -4.0, 0.0, 3.7, 4.0, 10.0}) {
        for (const double level : {0.06, 0.10}) {
            StationMpxConfig config;
            config.seconds = 1.5;
            config.pilotHz = 19000 + offset;
            config.pilotLevel = level;
            config.startCycles = 0.1 + level + offset / 31;  // some phase or other
            const StationMpx mpx = MakeStationMpx(config);
            PilotLock lock(rate);
            const LockRun run = Lock(lock, mpx.mpx);
            const std::string what = std::to_string(offset) + " Hz, level " + std::to_string(level);
            EXPECT_EQ(run.states[4], PilotLock::State::Locked) << what;  // at 0.5 s
            const auto [most, rms] = Errors(run, mpx, rate, 0.5, 1.5);
            EXPECT_LE(rms, 1.0) << what;
            EXPECT_LE(most, 2.0) << what;
            EXPECT_NEAR(lock.frequency(), config.pilotHz, 0.02) << what;
            EXPECT_NEAR(lock.level(), level, level * 0.02) << what;
            EXPECT_EQ(lock.framesProcessed(), static_cast<std::int64_t>(mpx.mpx.size()));
            EXPECT_GE(lock.framesLocked(), static_cast<std::int64_t>(1.0 * rate)) << what;
        }
    }
}

TEST(PilotLock, FollowsASlowlyWanderingPilotWithoutAStandingError)
{
    constexpr int rate = 192000;
    StationMpxConfig config;
    config.seconds = 8;
    config.pilotHz = 19001;
    config.wanderHz = 2;
    config.wanderSeconds = 20;
    const StationMpx mpx = MakeStationMpx(config);
    PilotLock lock(rate);
    const LockRun run = Lock(lock, mpx.mpx);
    const auto [most, rms] = Errors(run, mpx, rate, 1, 8);
    // 2 degrees of the 57 kHz carrier are 0.67 of the pilot.
    EXPECT_LE(most, 0.6);
    EXPECT_LE(rms, 0.3);
    for (std::size_t s = 5; s < run.states.size(); ++s)
        EXPECT_EQ(run.states[s], PilotLock::State::Locked) << s;
}

TEST(PilotLock, HoldsThroughAFiveSecondGapThenSlewsBackOntoThePilot)
{
    // A stereo encoder that falls back to mono from 2 s to 7 s.
    constexpr int rate = 192000;
    StationMpxConfig config;
    config.seconds = 9.5;
    config.pilotHz = 19004;
    config.gapFrom = 2;
    config.gapTo = 7;
    const StationMpx mpx = MakeStationMpx(config);
    PilotLock lock(rate);
    const LockRun run = Lock(lock, mpx.mpx);
    EXPECT_EQ(run.states[18], PilotLock::State::Locked);    // 1.9 s
    EXPECT_EQ(run.states[20], PilotLock::State::Holdover);  // 2.1 s
    EXPECT_EQ(run.states[68], PilotLock::State::Holdover);  // 6.9 s
    // The last frequency for 2 s, then a slew to 19 000 Hz, reached at 6 s.
    EXPECT_NEAR(run.frequencies[25], 19004, 0.02);
    EXPECT_NEAR(run.frequencies[39], 19004, 0.02);
    EXPECT_NEAR(run.frequencies[50], 19002, 0.1);
    EXPECT_NEAR(run.frequencies[62], 19000, 1e-9);
    // Locked again within 1 s, and on the pilot's phase.
    EXPECT_EQ(run.states[79], PilotLock::State::Locked);  // 8.0 s
    const auto [most, rms] = Errors(run, mpx, rate, 8, 9.5);
    EXPECT_LE(most, 0.6);
    EXPECT_LE(rms, 0.3);
    // Phase-continuous all through: the clock never steps, and its frequency
    // never leaves the pilot's and 19 000 Hz by more than the slew.
    double low = 1e9, high = 0;
    for (std::size_t i = 1; i < run.clock.size(); ++i) {
        const double f = Step(run.clock[i - 1], run.clock[i], rate);
        low = std::min(low, f);
        high = std::max(high, f);
    }
    EXPECT_GE(low, 19000 - kAlignSlew - 0.1);
    EXPECT_LE(high, 19004 + kAlignSlew + 0.1);
}

TEST(PilotLock, WithoutAPilotTheClockRunsAt19000HertzExactly)
{
    constexpr int rate = 192000;
    StationMpxConfig config;
    config.seconds = 3;
    config.pilotLevel = 0;
    config.stereoLevel = 0;
    const StationMpx mpx = MakeStationMpx(config);
    PilotLock lock(rate);
    const LockRun run = Lock(lock, mpx.mpx);
    EXPECT_EQ(lock.state(), PilotLock::State::Searching);
    EXPECT_FALSE(lock.pilotSeen());
    EXPECT_EQ(lock.frequency(), 19000);
    EXPECT_EQ(lock.framesLocked(), 0);
    EXPECT_LT(lock.level(), kPilotWeak);
    // 3 s hold 57 000 cycles, to the rounding of a sum of 576 000 steps.
    const PilotClock& last = run.clock.back();
    const double cycles = static_cast<double>(last.cycle) + last.fraction;
    EXPECT_NEAR(cycles, 19000.0 * static_cast<double>(run.clock.size() - 1) / rate, 1e-6);
}

TEST(PilotLock, HostileInputKeepsTheClockBoundedAndFinite)
{
    constexpr int rate = 128000;
    PilotLock lock(rate);
    std::vector<float> x(rate);
    std::vector<PilotClock> clock(x.size());
    auto check = [&] {
        lock.process(x.data(), clock.data(), x.size());
        for (std::size_t i = 1; i < clock.size(); ++i) {
            const double f = Step(clock[i - 1], clock[i], rate);
            ASSERT_TRUE(f >= kPilotFrequency - kPullRange - kAlignSlew - 0.1 &&
                        f <= kPilotFrequency + kPullRange + kAlignSlew + 0.1)
                << f;
            ASSERT_TRUE(std::isfinite(clock[i].re) && std::abs(clock[i].re * clock[i].re + clock[i].im * clock[i].im - 1) < 1e-4);
        }
        EXPECT_TRUE(std::isfinite(lock.frequency()));
    };
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = (i / 7) % 2 ? 3e38f : -3e38f;  // a square wave at the extremes
    check();
    std::fill(x.begin(), x.end(), 1.0f);  // DC
    check();
    for (std::size_t i = 0; i < x.size(); ++i)  // a pilot beyond the range
        x[i] = static_cast<float>(0.1 * std::sin(2 * std::numbers::pi * (19000 + 3 * kPullRange) * static_cast<double>(i) / rate));
    check();
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = i % 3 ? std::numeric_limits<float>::infinity() : std::numeric_limits<float>::quiet_NaN();
    check();
    EXPECT_THROW(PilotLock(48000), std::invalid_argument);
}

} // namespace
} // namespace quorvan::air
