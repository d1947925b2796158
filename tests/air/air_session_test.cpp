// The live session on the device's clock: a sink that takes the frames as a
// device would (its writes are the clock), a state file changed between two
// writes, and a status writer and a look at the state file that stall like
// a slow disk.
#include "air/air_session.h"
#include "air/loop_session.h"

#include "air/state_looks.h"
#include "sim/shared_state.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numbers>
#include <unistd.h>

namespace quorvan::air {
namespace {

constexpr int kRate = 192000;

struct Dir {
    Dir() : path(std::filesystem::temp_directory_path() / ("quorvan-air-session-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

// A station on air: PS and the carrier on.
EncoderState Station()
{
    EncoderState s;
    s.ram[0] = 0xD3;
    s.ram[1] = 0xA2;
    for (int i = 0; i < 8; ++i)
        s.ram[3 + i] = static_cast<std::uint8_t>("QUORVAN "[i]);
    return s;
}

void Save(const std::string& path, const EncoderState& s)
{
    std::string error;
    ASSERT_TRUE(SaveEncoderState(path, s, error)) << error;
}

// A device that takes every frame at once; after each write it calls `after`
// with the frames taken so far. Its writes are the only clock.
class ClockSink final : public Sink {
public:
    std::function<void(std::int64_t)> after;
    std::vector<float> samples;
    bool write(const float* mono, std::size_t frames) override
    {
        samples.insert(samples.end(), mono, mono + frames);
        if (after)
            after(static_cast<std::int64_t>(samples.size()));
        return true;
    }
    bool close() override { return true; }
    std::string description() const override { return "test device"; }
    std::size_t period() const override { return 1024; }
};

double Pilot(double level, std::int64_t n)
{
    // sin(2 pi 19000 n / rate), its phase from integers as the modulator's.
    const std::int64_t cycle = (n * 19000) % kRate;
    return level / 100 * std::sin(2 * std::numbers::pi * static_cast<double>(cycle) / kRate);
}

// The largest distance from the pilot alone over [from, to).
double FromPilot(const std::vector<float>& s, double level, std::int64_t from, std::int64_t to)
{
    double worst = 0;
    for (std::int64_t n = from; n < to; ++n)
        worst = std::max(worst, std::abs(s[static_cast<std::size_t>(n)] - Pilot(level, n)));
    return worst;
}

TEST(AirSession, CarrierAndPowerOffMuteTheSubcarrierWithin100msAndKeepThePilot)
{
    for (const bool powerOff : {false, true}) {
        Dir dir;
        const std::string state = dir.file("enc.state");
        Save(state, Station());
        std::string error;
        const auto shared = SharedEncoderState::Open(state, nullptr, error);
        ASSERT_TRUE(shared) << error;
        ModulatorConfig config;
        config.pilotLevel = 9;
        ClockSink sink;
        std::int64_t changedAt = -1, backAt = -1;
        std::int64_t clock = 0;
        std::vector<AirStatus> written;
        std::mutex lock;
        std::condition_variable wroteOff;
        test::StateLooks looks;
        sink.after = [&](std::int64_t frames) {
            EncoderState s = Station();
            if (changedAt < 0 && frames >= kRate / 2) {
                // The device takes frames far faster than real time: wait
                // until the status thread has written an "RDS on" status, so
                // that a busy machine cannot make the off one its first.
                std::unique_lock<std::mutex> g(lock);
                wroteOff.wait_for(g, std::chrono::seconds(10), [&] { return !written.empty(); });
                g.unlock();
                (powerOff ? s.power : s.carrier) = false;
                Save(state, s);
                // The state follower looks at the file on its own thread:
                // the device waits until it has, as a slow card would.
                ASSERT_TRUE(looks.waitForALook());
                changedAt = frames;
            } else if (backAt < 0 && frames >= kRate) {
                // The status thread writes the newest status when it gets
                // to it; the device waits here (as a slow card would) until
                // an "RDS off" one has been written, before RDS comes back.
                std::unique_lock<std::mutex> g(lock);
                wroteOff.wait_for(g, std::chrono::seconds(10), [&] {
                    return std::any_of(written.begin(), written.end(), [](const AirStatus& w) { return !w.rdsOn; });
                });
                g.unlock();
                Save(state, s);
                ASSERT_TRUE(looks.waitForALook());
                backAt = frames;
            }
        };
        SessionHooks hooks;
        hooks.nowUnix = [&] { return ++clock; };  // a new second at every write: a status each time
        hooks.lookAtState = looks.hook();
        hooks.writeStatus = [&](const AirStatus& s, std::string&) {
            std::lock_guard<std::mutex> g(lock);
            written.push_back(s);
            wroteOff.notify_all();
            return true;
        };
        ASSERT_TRUE(PlayLive(*shared, config, sink, 3 * kRate / 2, hooks, error)) << error;
        ASSERT_EQ(sink.samples.size(), 3u * kRate / 2);
        // RDS on air before: far from the pilot alone.
        EXPECT_GT(FromPilot(sink.samples, 9, 0, changedAt), 0.02) << powerOff;
        // The state file is looked at within 100 ms of the device's time; from
        // then the pilot goes on alone, in phase.
        EXPECT_LT(FromPilot(sink.samples, 9, changedAt + kRate / 10, backAt), 1e-4) << powerOff;
        // Back on within 100 ms too.
        EXPECT_GT(FromPilot(sink.samples, 9, backAt + kRate / 10, backAt + kRate / 5), 0.02) << powerOff;
        std::lock_guard<std::mutex> g(lock);
        ASSERT_FALSE(written.empty());
        EXPECT_TRUE(std::any_of(written.begin(), written.end(), [](const AirStatus& s) { return !s.rdsOn; }));
        EXPECT_TRUE(written.front().rdsOn);
    }
}

TEST(AirSession, AStalledStatusWriteNeverHoldsUpTheDevice)
{
    Dir dir;
    const std::string state = dir.file("enc.state");
    Save(state, Station());
    std::string error;
    const auto shared = SharedEncoderState::Open(state, nullptr, error);
    ASSERT_TRUE(shared) << error;
    std::mutex lock;
    std::condition_variable change;
    bool stalled = false, released = false, waited = false;
    std::int64_t framesWhileStalled = 0;
    ClockSink sink;
    sink.after = [&](std::int64_t frames) {
        std::unique_lock<std::mutex> g(lock);
        // The status posted after the first write is on its way: let its write begin.
        if (!waited && frames > 1024)
            change.wait_for(g, std::chrono::seconds(20), [&] { return stalled || released; });
        waited = waited || frames > 1024;
        if (stalled && !released && (framesWhileStalled += 1024) >= kRate) {
            released = true;
            change.notify_all();
        }
    };
    SessionHooks hooks;
    hooks.nowUnix = [] { return std::int64_t{1}; };
    hooks.writeStatus = [&](const AirStatus&, std::string&) {
        std::unique_lock<std::mutex> g(lock);
        stalled = true;
        change.notify_all();
        // A disk that hangs until the device has taken a second more; the
        // bound only ends a broken run.
        change.wait_for(g, std::chrono::seconds(5), [&] { return released; });
        stalled = false;
        return true;
    };
    ASSERT_TRUE(PlayLive(*shared, ModulatorConfig{}, sink, 2 * kRate, hooks, error)) << error;
    std::lock_guard<std::mutex> g(lock);
    EXPECT_TRUE(released);
    EXPECT_GE(framesWhileStalled, kRate);
}

// A capture that hands over silence at once, without end: no pilot, so the
// RDS of a loop-through runs free on it.
class SilentCapture final : public Source {
public:
    std::size_t read(float* mono, std::size_t frames) override
    {
        std::fill_n(mono, frames, 0.0f);
        return frames;
    }
    int rate() const override { return kRate; }
    std::string description() const override { return "test capture"; }
};

TEST(AirSession, AStalledLookAtTheStateFileNeverHoldsUpTheDevice)
{
    // The live air on a sound card, and the live loop-through.
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "live loop-through" : "live air");
        Dir dir;
        const std::string state = dir.file("enc.state");
        Save(state, Station());
        std::string error;
        const auto shared = SharedEncoderState::Open(state, nullptr, error);
        ASSERT_TRUE(shared) << error;
        std::mutex lock;
        std::condition_variable change;
        bool saved = false, hung = false, stalled = false, released = false;
        int looksSinceRelease = 0;
        std::int64_t framesWhileStalled = 0, mutedFrom = -1;
        ClockSink sink;
        sink.after = [&](std::int64_t frames) {
            std::unique_lock<std::mutex> g(lock);
            if (!saved && frames >= kRate / 2) {
                EncoderState off = Station();
                off.carrier = false;
                Save(state, off);
                saved = true;
                // The next look hangs in the read of the new file: let it begin.
                change.wait_for(g, std::chrono::seconds(5), [&] { return stalled; });
            } else if (stalled && !released && (framesWhileStalled += 1024) >= 3 * kRate / 10) {
                released = true;  // 300 ms of the device's time went by during the look
                change.notify_all();
            } else if (released && mutedFrom < 0) {
                // Once the follower has looked again, what the hung look
                // read waits for the next period; the carrier off mutes the
                // subcarrier within 100 ms, as ever.
                change.wait_for(g, std::chrono::seconds(5), [&] { return looksSinceRelease >= 2; });
                mutedFrom = frames + kRate / 10;
            }
        };
        SessionHooks hooks;
        hooks.nowUnix = [] { return std::int64_t{1}; };
        hooks.writeStatus = [](const AirStatus&, std::string&) { return true; };
        hooks.lookAtState = [&](SharedEncoderState& s, std::string& why) {
            std::unique_lock<std::mutex> g(lock);
            if (saved && !hung) {
                // A disk (or an NFS home) that hangs in one look until the
                // device has taken 300 ms more; the bound only ends a
                // broken run.
                hung = stalled = true;
                change.notify_all();
                change.wait_for(g, std::chrono::seconds(5), [&] { return released; });
                stalled = false;
            }
            g.unlock();
            const bool changed = s.reloadIfChanged(why);
            g.lock();
            looksSinceRelease += released ? 1 : 0;
            change.notify_all();
            return changed;
        };
        // The loop-through's pilot is the input's: none here.
        ModulatorConfig config;
        config.pilotLevel = loop ? 0 : 9;
        SilentCapture capture;
        ASSERT_TRUE(loop ? PlayLiveLoop(*shared, config, 0, capture, sink, 2 * kRate, hooks, error)
                         : PlayLive(*shared, config, sink, 2 * kRate, hooks, error))
            << error;
        std::lock_guard<std::mutex> g(lock);
        EXPECT_TRUE(released);
        EXPECT_GE(framesWhileStalled, 3 * kRate / 10);
        // The carrier off came on air once the look ended: the pilot alone.
        EXPECT_GT(FromPilot(sink.samples, config.pilotLevel, 0, kRate / 2), 0.02);
        EXPECT_GT(mutedFrom, 0);
        if (mutedFrom > 0) {
            EXPECT_LT(FromPilot(sink.samples, config.pilotLevel, mutedFrom, 2 * kRate), 1e-4);
        }
    }
}

TEST(AirSession, AnUnreadableStateFileIsToldOnceUntilGoodAgainAndTheLastGoodStateStays)
{
    Dir dir;
    const std::string state = dir.file("enc.state");
    Save(state, Station());
    std::string error;
    const auto shared = SharedEncoderState::Open(state, nullptr, error);
    ASSERT_TRUE(shared) << error;
    test::StateLooks looks;
    std::mutex lock;
    std::vector<std::string> told;
    EncoderState off = Station();
    off.carrier = false;
    // Every quarter of a second: damaged, good again (the carrier off),
    // damaged again; the device waits for two looks after each.
    int step = 0;
    ClockSink sink;
    sink.after = [&](std::int64_t frames) {
        if (step >= 3 || frames < (step + 1) * kRate / 4)
            return;
        if (step == 1) {
            Save(state, off);
        } else {
            std::ofstream damaged(state, std::ios::trunc);
            damaged << "not a state file " << step << "\n";
        }
        ++step;
        ASSERT_TRUE(looks.waitForALook());
        ASSERT_TRUE(looks.waitForALook());
    };
    SessionHooks hooks;
    hooks.nowUnix = [] { return std::int64_t{1}; };
    hooks.writeStatus = [](const AirStatus&, std::string&) { return true; };
    hooks.lookAtState = looks.hook();
    hooks.report = [&](const std::string& line) {
        std::lock_guard<std::mutex> g(lock);
        told.push_back(line);
    };
    ModulatorConfig config;
    config.pilotLevel = 9;
    ASSERT_TRUE(PlayLive(*shared, config, sink, kRate, hooks, error)) << error;
    std::lock_guard<std::mutex> g(lock);
    ASSERT_EQ(told.size(), 2u);
    for (const std::string& line : told) {
        EXPECT_NE(line.find("damaged virtual encoder state file " + state), std::string::npos) << line;
        EXPECT_NE(line.find("; the last good state stays on air"), std::string::npos) << line;
    }
    // The station stays on air while the file is damaged; the good file's
    // carrier off mutes the subcarrier, and stays when it is damaged again.
    EXPECT_GT(FromPilot(sink.samples, 9, kRate / 4 + kRate / 10, kRate / 2), 0.02);
    EXPECT_LT(FromPilot(sink.samples, 9, kRate / 2 + kRate / 10, kRate), 1e-4);
}

TEST(AirSession, TheStatusFileIsRemovedOnlyByItsWriter)
{
    for (const bool takenOver : {false, true}) {
        Dir dir;
        const std::string state = dir.file("enc.state");
        Save(state, Station());
        std::string error;
        const auto shared = SharedEncoderState::Open(state, nullptr, error);
        ASSERT_TRUE(shared) << error;
        std::mutex lock;
        std::condition_variable change;
        bool written = false, overwritten = false;
        ClockSink sink;
        sink.after = [&](std::int64_t frames) {
            if (!takenOver || overwritten || frames < kRate / 4)
                return;
            std::unique_lock<std::mutex> g(lock);
            change.wait_for(g, std::chrono::seconds(20), [&] { return written; });
            AirStatus other;
            other.device = "ALSA hw:1";
            other.rate = kRate;
            other.pid = 1;
            ASSERT_TRUE(WriteAirStatus(state, other));
            overwritten = true;
        };
        SessionHooks hooks;
        hooks.nowUnix = [] { return std::int64_t{7}; };  // one second: one status
        hooks.writeStatus = [&](const AirStatus& s, std::string& why) {
            const bool ok = WriteAirStatus(state, s, &why);
            std::lock_guard<std::mutex> g(lock);
            written = true;
            change.notify_all();
            return ok;
        };
        ASSERT_TRUE(PlayLive(*shared, ModulatorConfig{}, sink, kRate / 2, hooks, error)) << error;
        const auto left = ReadAirStatus(state);
        if (takenOver) {
            ASSERT_TRUE(left);
            EXPECT_EQ(left->pid, 1);
        } else {
            EXPECT_FALSE(std::filesystem::exists(AirStatusPath(state)));
        }
    }
}

TEST(AirSession, ADirectoryInTheStatusFilesPlaceIsToldOnceAndLeftAlone)
{
    Dir dir;
    const std::string state = dir.file("enc.state");
    Save(state, Station());
    std::filesystem::create_directory(AirStatusPath(state));
    std::string error;
    const auto shared = SharedEncoderState::Open(state, nullptr, error);
    ASSERT_TRUE(shared) << error;
    ClockSink sink;
    std::int64_t clock = 0;
    std::mutex lock;
    std::vector<std::string> lines;
    SessionHooks hooks;
    hooks.nowUnix = [&] { return ++clock; };  // a status at every write
    hooks.report = [&](const std::string& line) {
        std::lock_guard<std::mutex> g(lock);
        lines.push_back(line);
    };
    ASSERT_TRUE(PlayLive(*shared, ModulatorConfig{}, sink, kRate / 2, hooks, error)) << error;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(AirStatusPath(state) + " is a directory"), std::string::npos) << lines[0];
    EXPECT_TRUE(std::filesystem::is_directory(AirStatusPath(state)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);  // no temporary left
}

} // namespace
} // namespace quorvan::air
