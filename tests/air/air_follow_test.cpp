// The RDS level and phase of a playing air follow the virtual encoder's
// extension record (where RDSLEVEL=, RDSPHASE= and UECP put them) in every
// kind of session: the live air on a sink, the live loop-through, and the air
// a device's callback pulls, with and without an input. Each session runs
// twice on the device's clock alone: once with the record changed half a
// second in, once with it saved unchanged at the same frame. Until the change
// the two are the same sample for sample; half a second after it the level is
// twice as high and a loop-through's RDS sits in quadrature with the pilot.
// A loop-through that a device pulls writes its pilot into the status and its
// output beside it, as the live loop-through on ALSA does.
#include "air/air_session.h"
#include "air/loop_session.h"
#include "air/pulled_session.h"

#include "air/state_looks.h"
#include "air/station_mpx.h"
#include "air/test_demodulator.h"
#include "sim/shared_state.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <optional>
#include <unistd.h>

namespace quorvan::air {
namespace {

constexpr int kRate = 192000;
constexpr std::size_t kPeriod = 1024;
constexpr std::int64_t kFrames = 2 * kRate;
constexpr std::int64_t kChangeAt = kRate / 2;
constexpr std::int64_t kFollowed = kChangeAt + kRate / 2;  // the record's values are on air from here

struct Dir {
    explicit Dir(const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("quorvan-air-follow-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

// A station on air with radiotext; the record holds a level and a phase.
EncoderState Station(int levelTenths, int phaseTenths)
{
    EncoderState s;
    s.ram[0] = 0xD3;
    s.ram[1] = 0xA2;
    for (int i = 0; i < 8; ++i)
        s.ram[3 + i] = static_cast<std::uint8_t>("QUORVAN "[i]);
    s.extension.rdsLevelTenths = levelTenths;
    s.extension.rdsPhaseTenths = phaseTenths;
    return s;
}

class MemorySource final : public Source {
public:
    explicit MemorySource(const std::vector<float>& mpx) : mpx_(mpx) {}
    std::size_t read(float* mono, std::size_t frames) override
    {
        const std::size_t n = std::min(frames, mpx_.size() - at_);
        std::copy_n(mpx_.begin() + static_cast<std::ptrdiff_t>(at_), n, mono);
        at_ += n;
        return n;
    }
    int rate() const override { return kRate; }
    std::int64_t frames() const override { return static_cast<std::int64_t>(mpx_.size()); }
    std::string description() const override { return "test MPX"; }

private:
    const std::vector<float>& mpx_;
    std::size_t at_ = 0;
};

// A device that takes every frame at once: its writes are the only clock.
class ClockSink final : public Sink {
public:
    std::function<void(std::int64_t)> after;
    std::vector<float> samples;
    bool write(const float* mono, std::size_t frames) override
    {
        samples.insert(samples.end(), mono, mono + frames);
        after(static_cast<std::int64_t>(samples.size()));
        return true;
    }
    bool close() override { return true; }
    std::string description() const override { return "test device"; }
    std::size_t period() const override { return kPeriod; }
};

enum class Kind { Live, LiveLoop, Pulled, PulledLoop };

bool Loops(Kind kind)
{
    return kind == Kind::LiveLoop || kind == Kind::PulledLoop;
}

struct Played {
    std::vector<float> out;
    AirStatus last;  // the last status the session wrote
};

// kFrames frames of one session on a state that starts at 4.5 % and 0
// degrees; at kChangeAt of the device's frames the record is saved with
// `levelTenths` and `phaseTenths`. `input`: the station's MPX of a loop.
Played Play(Kind kind, int levelTenths, int phaseTenths, const std::vector<float>& input)
{
    Dir dir(std::to_string(static_cast<int>(kind)) + "-" + std::to_string(levelTenths));
    const std::string path = dir.file("enc.state");
    std::string error;
    EXPECT_TRUE(SaveEncoderState(path, Station(45, 0), error)) << error;
    const auto shared = SharedEncoderState::Open(path, nullptr, error);
    EXPECT_TRUE(shared) << error;
    Played played;
    if (!shared)
        return played;
    bool changed = false;
    // The live sessions look at the state file on a thread of their own:
    // their device, far faster than real time, waits for a look after the
    // save as a slow card would.
    test::StateLooks looks;
    const bool followed = kind == Kind::Live || kind == Kind::LiveLoop;
    auto after = [&](std::int64_t frames) {
        if (!changed && frames >= kChangeAt) {
            changed = true;
            std::string why;
            EXPECT_TRUE(SaveEncoderState(path, Station(levelTenths, phaseTenths), why)) << why;
            if (followed) {
                EXPECT_TRUE(looks.waitForALook());
            }
        }
    };
    std::int64_t clock = 0;
    SessionHooks hooks;
    hooks.lookAtState = looks.hook();
    hooks.nowUnix = [&] { return ++clock; };  // a status at every period
    hooks.writeStatus = [&](const AirStatus& s, std::string&) {
        played.last = s;  // the status thread's, read once the session has ended
        return true;
    };
    const ModulatorConfig config{kRate, 4.5, 0};
    switch (kind) {
    case Kind::Live:
    case Kind::LiveLoop: {
        ClockSink sink;
        sink.after = after;
        MemorySource source(input);
        const bool ok = kind == Kind::Live ? PlayLive(*shared, config, sink, kFrames, hooks, error)
                                           : PlayLiveLoop(*shared, config, 0, source, sink, kFrames, hooks, error);
        EXPECT_TRUE(ok) << error;
        played.out = std::move(sink.samples);
        break;
    }
    case Kind::Pulled:
    case Kind::PulledLoop: {
        // The device's callback and the follower take turns on this thread.
        PulledAir air(*shared, config, Loops(kind), 0);
        played.out.resize(kFrames);
        PulledDevice device;
        device.description = "test device";
        device.wait = [&] {
            const auto at = static_cast<std::size_t>(air.frames());
            const std::size_t n = std::min<std::size_t>(kPeriod, played.out.size() - at);
            air.process(Loops(kind) ? input.data() + at : nullptr, played.out.data() + at, n);
            after(air.frames());
        };
        EXPECT_TRUE(FollowPulledAir(air, device, kFrames, hooks, error)) << error;
        EXPECT_EQ(air.starved(), 0);
        break;
    }
    }
    EXPECT_EQ(played.out.size(), static_cast<std::size_t>(kFrames));
    return played;
}

std::vector<float> Difference(const std::vector<float>& a, const std::vector<float>& b)
{
    std::vector<float> d(a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        d[i] = a[i] - b[i];
    return d;
}

double Power(const std::vector<float>& x, std::int64_t from, std::int64_t to)
{
    double sum = 0;
    for (std::int64_t n = from; n < to; ++n)
        sum += static_cast<double>(x[static_cast<std::size_t>(n)]) * x[static_cast<std::size_t>(n)];
    return sum;
}

const char* Name(Kind kind)
{
    switch (kind) {
    case Kind::Live:
        return "live";
    case Kind::LiveLoop:
        return "live loop";
    case Kind::Pulled:
        return "pulled";
    case Kind::PulledLoop:
        return "pulled loop";
    }
    return "";
}

TEST(AirFollow, LevelAndPhaseFollowTheRecordWithinHalfASecondInEverySession)
{
    test::StationMpxConfig station;
    station.seconds = static_cast<double>(kFrames) / kRate + 0.1;
    station.pilotHz = 19002.5;
    const test::StationMpx mpx = test::MakeStationMpx(station);
    for (const Kind kind : {Kind::Live, Kind::LiveLoop, Kind::Pulled, Kind::PulledLoop}) {
        SCOPED_TRACE(Name(kind));
        const Played kept = Play(kind, 45, 0, mpx.mpx);
        const Played moved = Play(kind, 90, 900, mpx.mpx);
        ASSERT_EQ(kept.out.size(), moved.out.size());
        // Until the change the record's start values play, the same in both.
        for (std::int64_t n = 0; n < kChangeAt; ++n)
            ASSERT_EQ(kept.out[static_cast<std::size_t>(n)], moved.out[static_cast<std::size_t>(n)]) << n;
        EXPECT_DOUBLE_EQ(kept.last.rdsLevel, 4.5);
        EXPECT_DOUBLE_EQ(moved.last.rdsLevel, 9.0);
        if (!Loops(kind)) {
            // The same groups at twice the level, sample for sample; the
            // phase is a loop-through's alone. No group broke on the way.
            double worst = 0;
            for (std::int64_t n = kFollowed; n < kFrames; ++n) {
                const auto i = static_cast<std::size_t>(n);
                worst = std::max(worst, static_cast<double>(std::abs(moved.out[i] - 2 * kept.out[i])));
            }
            EXPECT_LT(worst, 1e-6);
            const test::Decoded d = test::DecodeRds(moved.out, kRate);
            EXPECT_EQ(d.badGroups, 0);
            EXPECT_GE(d.groups.size(), 17u);
            continue;
        }
        // Output minus input is the RDS: twice the power and a quarter-cycle
        // turned against the pilot's third harmonic, from half a second after
        // the change on; in step before it.
        const std::vector<float> before = Difference(kept.out, std::vector<float>(mpx.mpx.begin(), mpx.mpx.begin() + kFrames));
        const std::vector<float> after = Difference(moved.out, std::vector<float>(mpx.mpx.begin(), mpx.mpx.begin() + kFrames));
        EXPECT_NEAR(Power(after, kFollowed, kFrames) / Power(before, kFollowed, kFrames), 4.0, 0.08);
        for (std::int64_t from = kFollowed; from + kRate / 4 <= kFrames; from += kRate / 4) {
            const auto a = static_cast<std::size_t>(from), b = static_cast<std::size_t>(from + kRate / 4);
            const double asked = test::RdsCarrierPhase(after, mpx.pilotCycles, a, b) * 180 / std::numbers::pi;
            const double kept0 = test::RdsCarrierPhase(before, mpx.pilotCycles, a, b) * 180 / std::numbers::pi;
            EXPECT_NEAR(std::remainder(asked - 90, 180.0), 0, 2.0) << from;
            EXPECT_NEAR(std::remainder(kept0, 180.0), 0, 2.0) << from;
        }
        EXPECT_DOUBLE_EQ(kept.last.rdsPhase, 0.0);
        EXPECT_DOUBLE_EQ(moved.last.rdsPhase, 90.0);
    }
}

TEST(AirFollow, TheCommandLineGivesTheStartValuesElseTheRecord)
{
    ExtensionRecord record;
    record.rdsLevelTenths = 62;
    record.rdsPhaseTenths = 900;
    {
        ModulatorConfig config;
        double phase = kDefaultRdsPhase;
        StartLevelPhase(record, false, false, config, phase);
        EXPECT_DOUBLE_EQ(config.rdsLevel, 6.2);
        EXPECT_DOUBLE_EQ(phase, 90.0);
    }
    {
        ModulatorConfig config;
        config.rdsLevel = 3;
        double phase = 45;
        StartLevelPhase(record, true, true, config, phase);
        EXPECT_DOUBLE_EQ(config.rdsLevel, 3.0);
        EXPECT_DOUBLE_EQ(phase, 45.0);
    }
    {
        // No record: the defaults; a level beyond what the pilot leaves is cut to it.
        ModulatorConfig config;
        double phase = kDefaultRdsPhase;
        StartLevelPhase(ExtensionRecord{}, false, false, config, phase);
        EXPECT_DOUBLE_EQ(config.rdsLevel, kDefaultRdsLevel);
        EXPECT_DOUBLE_EQ(phase, kDefaultRdsPhase);
        record.rdsLevelTenths = 1000;
        config.pilotLevel = 9;
        StartLevelPhase(record, false, false, config, phase);
        EXPECT_DOUBLE_EQ(config.rdsLevel, 91.0);
    }
}

TEST(PulledLoop, TheStatusHasTheInputAndThePilotAndTheOutputLiesBesideIt)
{
    test::StationMpxConfig station;
    station.seconds = static_cast<double>(kFrames) / kRate + 0.1;
    station.pilotHz = 19002.5;
    const test::StationMpx mpx = test::MakeStationMpx(station);
    Dir dir("snapshot");
    const std::string path = dir.file("enc.state");
    std::string error;
    ASSERT_TRUE(SaveEncoderState(path, Station(45, 0), error)) << error;
    const auto shared = SharedEncoderState::Open(path, nullptr, error);
    ASSERT_TRUE(shared) << error;
    PulledAir air(*shared, ModulatorConfig{kRate, 4.5, 0}, true, 0);
    std::vector<float> out(kFrames);
    std::optional<AirStatus> seen;
    std::optional<std::vector<float>> snapshot;
    std::int64_t clock = 0;
    SessionHooks hooks;
    hooks.nowUnix = [&] { return clock; };
    PulledDevice device;
    device.description = "JACK test";
    device.input = "JACK test:mpx_in";
    device.wait = [&] {
        const auto at = static_cast<std::size_t>(air.frames());
        const std::size_t n = std::min<std::size_t>(kPeriod, out.size() - at);
        air.process(mpx.mpx.data() + at, out.data() + at, n);
        // A second of the device's frames is a second of the clock.
        clock = air.frames() / kRate;
        if (!snapshot && air.frames() > kRate)
            if ((snapshot = ReadAirSnapshot(path)))
                seen = ReadAirStatus(path);
    };
    ASSERT_TRUE(FollowPulledAir(air, device, kFrames, hooks, error)) << error;
    ASSERT_TRUE(snapshot);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->input, "JACK test:mpx_in");
    EXPECT_EQ(seen->pilot, "locked");
    EXPECT_NEAR(seen->pilotHz, 19002.5, 0.2);
    EXPECT_NEAR(seen->inputPilotLevel, 8.0, 0.3);
    EXPECT_EQ(seen->pilotLevel, 0);
    EXPECT_EQ(seen->clips, 0);
    seen->pilotHz = 19002.5;
    seen->inputPilotLevel = 8.0;
    EXPECT_EQ(DescribeAirStatus(seen, seen->updatedUnix, [](std::int64_t) { return std::string("10:32"); }),
              "loop-through JACK test:mpx_in, pilot locked 19 002.5 Hz 8.0 %, RDS 4.5 % at 0.0\u00b0, 0 clips, "
              "since 10:32");
    // The snapshot is the output's last quarter of a second when it was taken.
    ASSERT_EQ(snapshot->size(), kSnapshotFrames);
    const auto at = std::search(out.begin(), out.end(), snapshot->begin(), snapshot->end());
    EXPECT_NE(at, out.end());
    // Gone with the air.
    EXPECT_FALSE(std::filesystem::exists(AirStatusPath(path)));
    EXPECT_FALSE(std::filesystem::exists(AirSnapshotPath(path)));
}

// Groups that are the same for every modulator made with them.
std::function<rds::Group()> Groups()
{
    return [n = 0]() mutable {
        ++n;
        return rds::Group{{static_cast<std::uint16_t>(0xD3A2), static_cast<std::uint16_t>(n * 0x1357),
                           static_cast<std::uint16_t>(0xE0CD), static_cast<std::uint16_t>(0x5155)}};
    };
}

TEST(AirFollow, ALevelRampsOnEveryClockAndAPhaseSlewsTheShorterWayRound)
{
    // On the modulator's own clock (a rate with exact tables and one with
    // scaled ones) and on a pilot's: the changed level against the same
    // groups at the old level, sample for sample. The gain goes from 1 to 2
    // in a straight line over kLevelRampSeconds.
    const auto ramp = [](std::int64_t k, int rate) {
        const double frames = std::floor(Modulator::kLevelRampSeconds * rate);  // whole frames
        return 1 + std::min(static_cast<double>(k), frames) / frames;
    };
    for (const int rate : {192000, 191999}) {
        SCOPED_TRACE(rate);
        // The pilot alone from a modulator without RDS: it never ramps.
        Modulator moved({rate, 4.5, 9}, Groups()), kept({rate, 4.5, 9}, Groups()), pilotOnly({rate, 0, 9}, Groups());
        std::vector<float> a(rate / 2), b(rate / 2), p(rate / 2);
        pilotOnly.render(p.data(), p.size());
        moved.render(a.data(), a.size() / 2);
        moved.setRdsLevel(9);
        EXPECT_DOUBLE_EQ(moved.peak(), 0.18);
        moved.render(a.data() + a.size() / 2, a.size() - a.size() / 2);
        kept.render(b.data(), b.size());
        const std::size_t half = a.size() / 2;
        for (std::size_t n = 0; n < a.size(); ++n) {
            const double pilot = p[n];
            const double g = n < half ? 1 : ramp(static_cast<std::int64_t>(n - half), rate);
            ASSERT_NEAR(a[n] - pilot, (b[n] - pilot) * g, 2e-6) << n;
        }
    }

    // A pilot's clock, ideal: the level doubles at 0.25 s; at 0.5 s the phase
    // turns from 0 to 90 degrees at kPhaseSlewDegreesPerSecond. The carrier
    // then is cos(t) x the RDS at 0 degrees + sin(t) x the RDS at 90.
    constexpr std::size_t kStep = kRate / 4;
    std::vector<PilotClock> clock(5 * kStep);
    for (std::size_t i = 0; i < clock.size(); ++i) {
        const double cycles = static_cast<double>(i) * 19000 / kRate;
        clock[i].cycle = static_cast<std::int64_t>(std::floor(cycles));
        clock[i].fraction = cycles - std::floor(cycles);
        clock[i].re = static_cast<float>(std::cos(2 * std::numbers::pi * clock[i].fraction));
        clock[i].im = static_cast<float>(std::sin(2 * std::numbers::pi * clock[i].fraction));
    }
    Modulator moved({kRate, 4.5, 0}, Groups()), at0({kRate, 4.5, 0}, Groups()), at90({kRate, 4.5, 0}, Groups());
    at90.setRdsPhase(90);
    std::vector<float> m(4 * kStep), r0(clock.size()), r90(clock.size());
    at0.renderLocked(r0.data(), clock.data(), clock.size());
    at90.renderLocked(r90.data(), clock.data(), clock.size());
    moved.renderLocked(m.data(), clock.data(), kStep);
    moved.setRdsLevel(9);
    moved.renderLocked(m.data() + kStep, clock.data() + kStep, kStep);
    moved.slewRdsPhase(90);
    EXPECT_DOUBLE_EQ(moved.rdsPhase(), 90);
    moved.renderLocked(m.data() + 2 * kStep, clock.data() + 2 * kStep, 2 * kStep);
    const double slew = 90 / Modulator::kPhaseSlewDegreesPerSecond * kRate;
    for (std::size_t n = 0; n < m.size(); ++n) {
        double want = r0[n];
        if (n >= kStep)
            want *= ramp(static_cast<std::int64_t>(n - kStep), kRate);
        if (n >= 2 * kStep) {
            const double t = std::min(static_cast<double>(n - 2 * kStep + 1), slew) / slew * std::numbers::pi / 2;
            want = 2 * (r0[n] * std::cos(t) + r90[n] * std::sin(t));
        }
        ASSERT_NEAR(m[n], want, 2e-6) << n;
    }
    // From 90 to 300 degrees the shorter way, back through 0.
    moved.slewRdsPhase(300);
    std::vector<float> tail(kStep);
    moved.renderLocked(tail.data(), clock.data() + 4 * kStep, kStep);
    const double back = 150 / Modulator::kPhaseSlewDegreesPerSecond * kRate;
    for (std::size_t k = 0; k < tail.size(); ++k) {
        const double degrees = 90 - 150 * std::min(static_cast<double>(k + 1), back) / back;
        const double t = degrees * std::numbers::pi / 180;
        const std::size_t n = 4 * kStep + k;
        ASSERT_NEAR(tail[k], 2 * (r0[n] * std::cos(t) + r90[n] * std::sin(t)), 2e-6) << k;
    }
    EXPECT_DOUBLE_EQ(moved.rdsPhase(), 300);
    EXPECT_THROW(moved.slewRdsPhase(360), std::invalid_argument);
}

} // namespace
} // namespace quorvan::air
