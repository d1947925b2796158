// The loop-through on a synthetic station MPX, as a file would give it: the
// output minus the input is the RDS alone, the test's receiver decodes every
// group from the output on the input's pilot, the RDS carrier keeps the asked
// phase against the pilot's third harmonic, through a pilot gap and without a
// pilot; sums beyond full scale are clipped and counted.
#include "air/mix.h"

#include "air/station_mpx.h"
#include "air/test_demodulator.h"
#include "rds/generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace quorvan::air {

// Renders every sample of a locked modulator from its taps, as it did before
// it kept a bit's envelope by pattern.
struct ModulatorTaps {
    static void always(Modulator& m) { m.useLockedRows_ = false; }
};

namespace {

using test::MakeStationMpx;
using test::OutsideRdsBandDb;
using test::StationMpx;
using test::StationMpxConfig;

image::ImageBytes Image()
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0xD3;
    ram[image::kPI + 1] = 0xA2;
    std::memcpy(ram.data() + image::kPS, "QUORVAN ", 8);
    const char rt[] = "Loop-through: RDS on the station's own pilot.";
    std::memset(ram.data() + image::kRT, ' ', image::kRTLength);
    std::memcpy(ram.data() + image::kRT, rt, sizeof rt - 1);
    ram[image::kRTControl] = 0x01;
    return ram;
}

struct Station {
    image::ImageBytes ram = Image();
    rds::GroupGenerator generator;
    std::vector<rds::Group> sent;
    std::function<rds::Group()> pull()
    {
        return [this] {
            sent.push_back(generator.Next(ram));
            return sent.back();
        };
    }
};

struct Looped {
    std::vector<float> out;
    std::vector<float> rds;           // out - in
    std::vector<double> clockCycles;  // the clock the RDS ran on
    std::int64_t clipped = 0;
    PilotLock::State state = PilotLock::State::Searching;
    bool pilotSeen = false;
    std::int64_t groupsStarted = 0;
};

// The whole input through a loop-through, in odd pieces, the output written
// over a copy of the input as a sink's buffer would be.
Looped Loop(const std::vector<float>& in, Station& station, double phase = 0, double level = 4.5)
{
    constexpr int rate = 192000;
    PilotLock lock(rate);
    Modulator modulator({rate, level, 0}, station.pull());
    modulator.setRdsPhase(phase);
    LoopThrough loop(lock, modulator);
    Looped result;
    result.out = in;
    for (std::size_t at = 0; at < in.size();) {
        const std::size_t n = std::min<std::size_t>(in.size() - at, 1777 + at % 4096);
        loop.process(result.out.data() + at, result.out.data() + at, n);
        at += n;
    }
    result.rds.resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        result.rds[i] = result.out[i] - in[i];
    // The clock again, from a second lock on the same input: the lock is a
    // function of its input alone.
    PilotLock again(rate);
    std::vector<PilotClock> clock(in.size());
    again.process(in.data(), clock.data(), in.size());
    result.clockCycles.resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        result.clockCycles[i] = static_cast<double>(clock[i].cycle) + clock[i].fraction;
    result.clipped = loop.clipped();
    result.state = lock.state();
    result.pilotSeen = lock.pilotSeen();
    result.groupsStarted = modulator.groupsStarted();
    return result;
}

// The greatest distance of the RDS carrier's phase from `asked` (modulo
// 180 degrees) over windows of a quarter of a second in [from, to) seconds.
double WorstPhaseDegrees(const Looped& looped, const StationMpx& mpx, double asked, double from, double to)
{
    constexpr int rate = 192000;
    double worst = 0;
    for (double t = from; t + 0.25 <= to + 1e-9; t += 0.25) {
        const double p = test::RdsCarrierPhase(looped.rds, mpx.pilotCycles, static_cast<std::size_t>(t * rate),
                                               static_cast<std::size_t>((t + 0.25) * rate));
        const double off = std::remainder(p - asked * std::numbers::pi / 180, std::numbers::pi) * 180 / std::numbers::pi;
        worst = std::max(worst, std::abs(off));
    }
    return worst;
}

// The groups decoded on the station's pilot are those sent, in order and
// none bad, from one that began within the first 0.4 s (the lock) on.
void ExpectEveryGroupAfterTheLock(const test::Decoded& d, const Station& station)
{
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_GE(d.firstGroupBit, 0);
    EXPECT_LE(d.firstGroupBit, 0.4 * 1187.5 + 104);
    // The decoder counts bits on the pilot's clock, which the RDS joins
    // within a bit or so of its own: the nearest group.
    const auto first = static_cast<std::size_t>((d.firstGroupBit + 52) / 104);
    ASSERT_GE(station.sent.size(), first + d.groups.size());
    EXPECT_GE(d.groups.size() + first + 2, station.sent.size());
    EXPECT_TRUE(std::equal(d.groups.begin(), d.groups.end(), station.sent.begin() + static_cast<std::ptrdiff_t>(first)));
}

TEST(LoopThrough, OutputIsTheInputPlusRdsOnTheStationsPilot)
{
    // The pilot 3.7 Hz high, stereo programme; the phase in step and in quadrature.
    StationMpxConfig config;
    config.seconds = 6;
    config.pilotHz = 19003.7;
    const StationMpx mpx = MakeStationMpx(config);
    for (const double phase : {0.0, 90.0}) {
        Station station;
        const Looped looped = Loop(mpx.mpx, station, phase);
        EXPECT_EQ(looped.state, PilotLock::State::Locked) << phase;
        EXPECT_EQ(looped.clipped, 0) << phase;
        // out - in: the RDS signal, at its level, and nothing of the programme.
        double peak = 0;
        for (const float v : looped.rds)
            peak = std::max(peak, static_cast<double>(std::abs(v)));
        EXPECT_LE(peak, 0.045 * 1.0001) << phase;
        EXPECT_GE(peak, 0.045 * 0.9) << phase;
        EXPECT_LE(OutsideRdsBandDb(looped.rds, 192000), -40) << phase;
        // Every group from the output itself, on the input's pilot, from
        // the lock on (before it, the RDS ran on the clock's own 19 000 Hz).
        ExpectEveryGroupAfterTheLock(test::DecodeRdsOnPilot(looped.out, 192000, mpx.pilotCycles), station);
        // Every group from the first on the clock the RDS ran on: 6 s of a
        // 19003.7 Hz pilot are 7126 bits, 68 whole groups.
        const test::Decoded all = test::DecodeRdsOnPilot(looped.out, 192000, looped.clockCycles);
        EXPECT_EQ(all.firstGroupBit, 0) << phase;
        EXPECT_EQ(all.badGroups, 0) << phase;
        ASSERT_EQ(all.groups.size(), 68u) << phase;
        EXPECT_TRUE(std::equal(all.groups.begin(), all.groups.end(), station.sent.begin())) << phase;
        EXPECT_EQ(looped.groupsStarted, 69) << phase;
        // The carrier against the pilot's third harmonic, after the first second.
        EXPECT_LE(WorstPhaseDegrees(looped, mpx, phase, 1, 6), 2.0) << phase;
    }
}

TEST(LoopThrough, AWanderingPilotKeepsThePhase)
{
    StationMpxConfig config;
    config.seconds = 6;
    config.pilotHz = 18998;
    config.wanderHz = 2;
    config.wanderSeconds = 15;
    config.pilotLevel = 0.06;
    const StationMpx mpx = MakeStationMpx(config);
    Station station;
    const Looped looped = Loop(mpx.mpx, station, 90);
    EXPECT_LE(WorstPhaseDegrees(looped, mpx, 90, 1, 6), 2.0);
    ExpectEveryGroupAfterTheLock(test::DecodeRdsOnPilot(looped.out, 192000, mpx.pilotCycles), station);
}

TEST(LoopThrough, APilotGapBreaksNoGroupAndThePhaseIsBackWithinASecond)
{
    StationMpxConfig config;
    config.seconds = 10;
    config.pilotHz = 18996;
    config.gapFrom = 2;
    config.gapTo = 7;
    const StationMpx mpx = MakeStationMpx(config);
    Station station;
    const Looped looped = Loop(mpx.mpx, station);
    EXPECT_LE(WorstPhaseDegrees(looped, mpx, 0, 1, 2), 2.0);
    EXPECT_LE(WorstPhaseDegrees(looped, mpx, 0, 8, 10), 2.0);
    // Every bit through the gap, on the clock the RDS ran on: no group
    // broken, none dropped.
    const test::Decoded d = test::DecodeRdsOnPilot(looped.out, 192000, looped.clockCycles);
    EXPECT_EQ(d.firstGroupBit, 0);
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_EQ(d.groups.size(), static_cast<std::size_t>(looped.groupsStarted - 1));
    EXPECT_TRUE(std::equal(d.groups.begin(), d.groups.end(), station.sent.begin()));
}

TEST(LoopThrough, WithoutAPilotTheRdsRunsFreeAtTheNominalRate)
{
    StationMpxConfig config;
    config.seconds = 4;
    config.pilotLevel = 0;
    config.stereoLevel = 0;
    config.monoLevel = 0;  // the plain receiver below has no band filter
    const StationMpx mpx = MakeStationMpx(config);
    Station station;
    const Looped looped = Loop(mpx.mpx, station);
    EXPECT_FALSE(looped.pilotSeen);
    // The test's receiver at exactly 57 kHz and 1187.5 bit/s.
    const test::Decoded d = test::DecodeRds(looped.out, 192000);
    EXPECT_EQ(d.firstGroupBit, 0);
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_EQ(d.groups.size(), 45u);
    EXPECT_TRUE(std::equal(d.groups.begin(), d.groups.end(), station.sent.begin()));
}

TEST(LoopThrough, SumsBeyondFullScaleAreClippedAndCounted)
{
    // A hot programme with its peaks at 0.995 of full scale under 8 % RDS.
    StationMpxConfig config;
    config.seconds = 1;
    config.monoLevel = 0.5;
    config.stereoLevel = 0.39;
    StationMpx mpx = MakeStationMpx(config);
    float peak = 0;
    for (std::size_t i = 0; i < mpx.mpx.size(); ++i) {
        // A loud 100 Hz tone: broad peaks at the top of the scale.
        mpx.mpx[i] += static_cast<float>(0.6 * std::sin(2 * std::numbers::pi * 100 * static_cast<double>(i) / 192000));
        peak = std::max(peak, std::abs(mpx.mpx[i]));
    }
    for (float& v : mpx.mpx)
        v *= 0.995f / peak;
    // The RDS alone, at a level that cannot clip: the same lock on the same
    // input, so the same clock (the level is linear).
    Station quiet;
    const Looped rdsOnly = Loop(mpx.mpx, quiet, 0, 0.8);
    Station station;
    const Looped looped = Loop(mpx.mpx, station, 0, 8);
    std::int64_t expected = 0;
    for (std::size_t i = 0; i < mpx.mpx.size(); ++i) {
        const float sum = mpx.mpx[i] + 10 * rdsOnly.rds[i];
        if (std::abs(sum) > 1.0f)
            ++expected;
        ASSERT_LE(std::abs(looped.out[i]), 1.0f);
        ASSERT_NEAR(looped.out[i], std::clamp(sum, -1.0f, 1.0f), 1e-6) << i;
    }
    EXPECT_GT(expected, 0);
    EXPECT_EQ(looped.clipped, expected);

    Mix mix;
    const float in[] = {0.5f, 0.99f, -0.99f, std::numeric_limits<float>::quiet_NaN(), 1.0f};
    const float rds[] = {0.04f, 0.04f, -0.04f, 0.04f, 0.0f};
    float out[5];
    mix.add(in, rds, out, 5);
    EXPECT_EQ(out[0], 0.54f);
    EXPECT_EQ(out[1], 1.0f);
    EXPECT_EQ(out[2], -1.0f);
    EXPECT_EQ(out[3], 0.0f);
    EXPECT_EQ(out[4], 1.0f);
    EXPECT_EQ(mix.clipped(), 3);
}

TEST(LoopThrough, TheEnvelopeByPatternIsTheSumOverTheTaps)
{
    // A wandering pilot with a gap: the clock locks, holds, slews back and
    // locks again; in quadrature, in odd pieces.
    StationMpxConfig config;
    config.seconds = 4;
    config.pilotHz = 19003;
    config.wanderHz = 2;
    config.wanderSeconds = 3;
    config.gapFrom = 1.5;
    config.gapTo = 2.5;
    const StationMpx mpx = MakeStationMpx(config);
    PilotLock lock(192000);
    std::vector<PilotClock> clock(mpx.mpx.size());
    lock.process(mpx.mpx.data(), clock.data(), clock.size());
    Station a, b;
    Modulator rows({192000, 4.5, 0}, a.pull()), taps({192000, 4.5, 0}, b.pull());
    ModulatorTaps::always(taps);
    std::vector<float> x(clock.size()), y(clock.size());
    for (Modulator* m : {&rows, &taps}) {
        m->setRdsPhase(90);
        float* out = m == &rows ? x.data() : y.data();
        for (std::size_t at = 0; at < clock.size();) {
            const std::size_t n = std::min<std::size_t>(clock.size() - at, 333 + at % 2048);
            m->renderLocked(out + at, clock.data() + at, n);
            at += n;
        }
    }
    float worst = 0, peak = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        worst = std::max(worst, std::abs(x[i] - y[i]));
        peak = std::max(peak, std::abs(y[i]));
    }
    // The same sums in the same order: equal, within a few roundings of a
    // float should a compiler fuse or order them otherwise.
    EXPECT_LE(worst, 4 * std::numeric_limits<float>::epsilon() * peak);
    EXPECT_GE(peak, 0.045f * 0.9f);
    EXPECT_EQ(rows.groupsStarted(), taps.groupsStarted());
}

TEST(LoopThrough, TheModulatorRendersOnOneClockOnly)
{
    Station station;
    Modulator own({192000, 4.5, 0}, station.pull());
    std::vector<float> x(100);
    own.render(x.data(), x.size());
    std::vector<PilotClock> clock(100);
    EXPECT_THROW(own.renderLocked(x.data(), clock.data(), clock.size()), std::logic_error);
    Modulator locked({192000, 4.5, 0}, station.pull());
    locked.renderLocked(x.data(), clock.data(), clock.size());
    EXPECT_THROW(locked.render(x.data(), x.size()), std::logic_error);
    EXPECT_THROW(locked.setRdsPhase(360), std::invalid_argument);
    EXPECT_THROW(locked.setRdsPhase(12.34), std::invalid_argument);
    EXPECT_THROW(locked.setRdsPhase(-0.1), std::invalid_argument);
    locked.setRdsPhase(359.9);
    EXPECT_EQ(locked.rdsPhase(), 359.9);
    EXPECT_EQ(CheckRdsPhase(90), "");
}

} // namespace
} // namespace quorvan::air
