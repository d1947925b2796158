// The live loop-through on one simulated card: a capture and a playback that
// share one clock of frames, which moves only while one of them waits (as a
// device's read or write blocks), or when the test stalls the program. The
// latency in the status is the two devices' delays; a stall that leaves the
// capture behind is dropped, counted and told, so that the way through is
// within three periods again.
#include "air/loop_session.h"

#include "air/station_mpx.h"
#include "sim/shared_state.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace quorvan::air {
namespace {

constexpr int kRate = 192000;
constexpr std::size_t kPeriod = 3840;  // 20 ms

// The card: frames since it started.
struct CardClock {
    std::int64_t now = 0;
};

// A capture of 8 periods: frame k of the station's MPX is captured at clock
// k. A sound server hands the frames over `held` frames later, in fragments
// of `fragment` frames (0 and 1: each frame as it comes), so that its delay
// counts frames a read has to wait for. A read waits (moves the clock) until its frames are handed over;
// a capture that fell more than its buffer behind overruns and starts again
// from now.
class SimCapture final : public Source {
public:
    SimCapture(CardClock& clock, const std::vector<float>& mpx, std::int64_t fragment, std::int64_t held)
        : clock_(clock), mpx_(mpx), fragment_(fragment), held_(held)
    {
    }
    std::function<void(std::int64_t framesRead)> beforeRead;
    std::size_t read(float* mono, std::size_t frames) override
    {
        if (beforeRead)
            beforeRead(read_);
        if (clock_.now - read_ > static_cast<std::int64_t>(8 * kPeriod)) {
            ++overruns_;
            read_ = handedOver();
        }
        const auto n = static_cast<std::int64_t>(frames);
        if (handedOver() - read_ < n)
            clock_.now = (read_ + n + fragment_ - 1) / fragment_ * fragment_ + held_;
        for (std::size_t i = 0; i < frames; ++i)
            mono[i] = mpx_[static_cast<std::size_t>(read_ + static_cast<std::int64_t>(i)) % mpx_.size()];
        read_ += n;
        return frames;
    }
    int rate() const override { return kRate; }
    std::string description() const override { return "test capture"; }
    std::int64_t delayFrames() const override { return clock_.now - read_; }
    std::int64_t availableFrames() const override { return handedOver() - read_; }
    std::int64_t overruns() const override { return overruns_; }

private:
    std::int64_t handedOver() const
    {
        const std::int64_t there = std::max<std::int64_t>(clock_.now - held_, 0);
        return there - there % fragment_;
    }

    CardClock& clock_;
    const std::vector<float>& mpx_;
    std::int64_t fragment_;
    std::int64_t held_;
    std::int64_t read_ = 0;
    std::int64_t overruns_ = 0;
};

// A playback of 3 periods, started at two, as air/io's loop sink: one period
// of silence first, the first one written then starts it. A write waits
// (moves the clock) for room; one that finds it played empty underruns and
// starts again, primed.
class SimPlayback final : public Sink {
public:
    explicit SimPlayback(CardClock& clock) : clock_(clock) { written_ = kPeriod; }
    bool write(const float*, std::size_t frames) override
    {
        update();
        const auto n = static_cast<std::int64_t>(frames);
        if (started_ && queued() + n > static_cast<std::int64_t>(3 * kPeriod))
            clock_.now += queued() + n - static_cast<std::int64_t>(3 * kPeriod);
        update();
        written_ += n;
        if (!started_ && written_ >= static_cast<std::int64_t>(2 * kPeriod)) {
            started_ = true;
            startedAt_ = clock_.now;
            played_ = 0;
        }
        return true;
    }
    bool close() override { return true; }
    std::string description() const override { return "test playback"; }
    std::int64_t underruns() const override { return underruns_; }
    std::int64_t delayFrames() const override
    {
        const_cast<SimPlayback*>(this)->update();
        return queued();
    }
    std::size_t period() const override { return kPeriod; }

private:
    std::int64_t queued() const { return written_ - played_; }
    void update()
    {
        if (!started_)
            return;
        played_ = clock_.now - startedAt_;
        if (played_ > written_) {
            ++underruns_;
            started_ = false;
            played_ = 0;
            written_ = kPeriod;
        }
    }

    CardClock& clock_;
    std::int64_t written_ = 0, played_ = 0, startedAt_ = 0;
    bool started_ = false;
    std::int64_t underruns_ = 0;
};

struct Dir {
    Dir() : path(std::filesystem::temp_directory_path() / ("quorvan-live-loop-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Dir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

struct LoopRun {
    std::vector<AirStatus> statuses;
    std::vector<std::string> told;
    std::int64_t overruns = 0, underruns = 0;
};

// Loops `seconds` of the card's time; the program stops for `stallFrames` of
// it once `stallAt` frames are read. The capture hands frames over `held`
// frames late in fragments of `fragment`.
LoopRun Loop(double seconds, std::int64_t stallAt, std::int64_t stallFrames, std::int64_t fragment = 1,
             std::int64_t held = 0)
{
    Dir dir;
    const std::string path = dir.file("enc.state");
    EncoderState s;
    s.ram[0] = 0xD3;
    s.ram[1] = 0xA2;
    std::string error;
    EXPECT_TRUE(SaveEncoderState(path, s, error)) << error;
    const auto shared = SharedEncoderState::Open(path, nullptr, error);
    EXPECT_TRUE(shared) << error;
    test::StationMpxConfig mpxConfig;
    mpxConfig.seconds = 1;
    const test::StationMpx mpx = test::MakeStationMpx(mpxConfig);

    CardClock clock;
    SimCapture capture(clock, mpx.mpx, fragment, held);
    bool stalled = false;
    capture.beforeRead = [&](std::int64_t read) {
        if (!stalled && stallAt >= 0 && read >= stallAt) {
            stalled = true;
            clock.now += stallFrames;
        }
    };
    SimPlayback playback(clock);
    LoopRun run;
    std::mutex lock;
    SessionHooks hooks;
    // A status for each tenth of a second of the card's time.
    hooks.nowUnix = [&] { return clock.now / (kRate / 10); };
    hooks.writeStatus = [&](const AirStatus& status, std::string&) {
        std::lock_guard<std::mutex> guard(lock);
        run.statuses.push_back(status);
        return true;
    };
    hooks.report = [&](const std::string& line) { run.told.push_back(line); };
    ModulatorConfig config;
    EXPECT_TRUE(PlayLiveLoop(*shared, config, 0, capture, playback, static_cast<std::int64_t>(seconds * kRate), hooks,
                             error))
        << error;
    run.overruns = capture.overruns();
    run.underruns = playback.underruns();
    return run;
}

TEST(LiveLoop, TheLatencyIsTheTwoDevicesDelaysWithinThreePeriods)
{
    const LoopRun run = Loop(2, -1, 0);
    ASSERT_GE(run.statuses.size(), 2u);
    const AirStatus& last = run.statuses.back();
    // A period read as it is complete, two queued for playback.
    EXPECT_NEAR(last.latencyPeriods, 2.0, 0.01);
    EXPECT_NEAR(last.latencyMs, 40.0, 0.1);
    EXPECT_NEAR(last.latencyInMs, 0.0, 0.1);
    EXPECT_NEAR(last.latencyOutMs, 40.0, 0.1);
    EXPECT_EQ(last.backlogDrops, 0);
    EXPECT_EQ(last.input, "test capture");
    EXPECT_TRUE(run.told.empty()) << run.told.front();
}

TEST(LiveLoop, AStallThatLeavesTheCaptureBehindIsDroppedCountedAndTold)
{
    // 100 ms: the playback (60 ms) underruns, the capture (160 ms) keeps
    // what came in meanwhile.
    const LoopRun run = Loop(3, kRate, kRate / 10);
    ASSERT_GE(run.statuses.size(), 3u);
    EXPECT_EQ(run.overruns, 0);
    EXPECT_EQ(run.underruns, 1);
    const AirStatus& last = run.statuses.back();
    EXPECT_EQ(last.underruns, 1);
    EXPECT_EQ(last.backlogDrops, 1);
    EXPECT_LE(last.latencyPeriods, 3.0);
    EXPECT_NEAR(last.latencyPeriods, 2.0, 0.01);
    ASSERT_EQ(run.told.size(), 1u);
    EXPECT_EQ(run.told[0].rfind("backlog drop 1 on test capture: ", 0), 0u) << run.told[0];
    EXPECT_NE(run.told[0].find(" ms of capture behind after a stall, dropped"), std::string::npos) << run.told[0];

    // A stall the playback bridges leaves nothing to drop.
    const LoopRun bridged = Loop(3, kRate, kPeriod / 2);
    EXPECT_EQ(bridged.underruns, 0);
    EXPECT_EQ(bridged.statuses.back().backlogDrops, 0);
    EXPECT_LE(bridged.statuses.back().latencyPeriods, 3.0);
    EXPECT_TRUE(bridged.told.empty());
}

TEST(LiveLoop, ASoundServersFragmentsAreNoBacklog)
{
    // A server that hands the capture over half a period late, in fragments
    // of two periods: its delay counts up to two and a half periods not
    // there yet, which a read would wait for; what is there to read at once
    // never exceeds the way through.
    const auto fragment = static_cast<std::int64_t>(2 * kPeriod);
    const auto held = static_cast<std::int64_t>(kPeriod / 2);
    const LoopRun run = Loop(3, -1, 0, fragment, held);
    ASSERT_GE(run.statuses.size(), 3u);
    EXPECT_EQ(run.underruns, 0);
    EXPECT_EQ(run.overruns, 0);
    const AirStatus& last = run.statuses.back();
    EXPECT_EQ(last.backlogDrops, 0);
    EXPECT_EQ(last.underruns, 0);
    // The server's lateness is latency too, and counted.
    EXPECT_GT(last.latencyInMs, 0);
    EXPECT_LE(last.latencyPeriods, 3.5);
    EXPECT_TRUE(run.told.empty()) << run.told.front();

    // A stall behind such a server is still dropped, once.
    const LoopRun stalled = Loop(3, kRate, kRate / 10, fragment, held);
    EXPECT_EQ(stalled.underruns, 1);
    EXPECT_EQ(stalled.statuses.back().backlogDrops, 1);
    EXPECT_NEAR(stalled.statuses.back().latencyPeriods, last.latencyPeriods, 0.01);
}

TEST(LiveLoop, BacklogToDrop)
{
    constexpr auto p = static_cast<std::int64_t>(kPeriod);
    EXPECT_EQ(BacklogToDrop(0, 2 * p, kPeriod), 0);
    EXPECT_EQ(BacklogToDrop(p - 1, 3 * p, kPeriod), 0);  // less than a period to read
    EXPECT_EQ(BacklogToDrop(p, 2 * p, kPeriod), 0);      // within three periods
    EXPECT_EQ(BacklogToDrop(3 * p, 2 * p, kPeriod), 3 * p);  // back to two periods
    EXPECT_EQ(BacklogToDrop(5 * p, p, kPeriod), 4 * p);
    EXPECT_EQ(BacklogToDrop(2 * p, 3 * p, kPeriod), 2 * p);  // all of it
}

} // namespace
} // namespace quorvan::air
