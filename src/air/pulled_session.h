// A live air that a device's own callback pulls (a JACK client): the device's
// thread asks for each period and gets it at once; the state file is followed
// on another thread, which hands the groups over a few groups ahead through a
// single-producer/single-consumer queue.
//
// The device's side (process) never allocates, locks, waits or makes a system
// call: it pops groups, renders and publishes its counters in atomics. The
// follower's side (follow) looks at the state file every 50 ms of the
// device's frames, as the live air does, and keeps the queue topped up; a
// change saved by any program is on air within the reload interval and the
// groups queued ahead (0.25 s at most). It only reads the state file, never
// writes or locks it. Without an input it renders RDS (and pilot) exactly as
// the live air does; with one, the loop-through (LoopThrough) on the input's
// pilot.
#pragma once

#include "air/air_session.h"
#include "air/loop_session.h"
#include "air/mix.h"
#include "air/modulator.h"
#include "air/pilot_lock.h"
#include "rds/generator.h"
#include "rds/groups.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvan {
class SharedEncoderState;
}

namespace quorvan::air {

// A fixed ring of groups between one producer thread and one consumer
// thread, without locks.
class GroupQueue {
public:
    static constexpr std::size_t kCapacity = 16;
    bool push(const rds::Group& group);  // the producer; false when full
    bool pop(rds::Group& group);         // the consumer; false when empty
    std::size_t size() const;

private:
    std::array<rds::Group, kCapacity> slots_{};
    std::atomic<std::size_t> head_{0};  // the next to pop (counts on)
    std::atomic<std::size_t> tail_{0};  // the next to push
};

class PulledAir {
public:
    // Groups the follower keeps queued ahead of the modulator.
    static constexpr std::size_t kAhead = 2;

    // `loop`: the input is a station's MPX, the RDS goes on its pilot at
    // `rdsPhase` degrees (config.pilotLevel must be 0); else the input is not
    // looked at. Reads the state and queues the first groups. Throws
    // std::invalid_argument for a configuration the modulator refuses.
    PulledAir(SharedEncoderState& state, const ModulatorConfig& config, bool loop, double rdsPhase);
    PulledAir(const PulledAir&) = delete;
    PulledAir& operator=(const PulledAir&) = delete;

    // The device's thread: `frames` frames into `out` (input: the station's
    // MPX when looping, else ignored and may be null; out may be input).
    void process(const float* input, float* out, std::size_t frames);

    // The follower's thread. An unreadable state file is told once to
    // `report` until it reads again; the last good state stays on air.
    void follow(const std::function<void(const std::string&)>& report);

    bool loop() const { return loop_; }
    SharedEncoderState& state() const { return state_; }
    const ModulatorConfig& config() const { return config_; }
    // Published by the device's thread after each period.
    std::int64_t frames() const { return frames_.load(std::memory_order_acquire); }
    std::int64_t groups() const { return groups_.load(std::memory_order_relaxed); }
    // Groups the modulator wanted when the queue was empty (sent as a group
    // of zeros): the follower fell behind.
    std::int64_t starved() const { return starved_.load(std::memory_order_relaxed); }
    bool rdsOn() const { return onAir_.load(std::memory_order_relaxed); }
    // The RDS level and phase in use (the ends of a ramp or a slew).
    double rdsLevel() const { return levelInUse_.load(std::memory_order_relaxed); }
    double rdsPhase() const { return phaseInUse_.load(std::memory_order_relaxed); }
    // The loop-through's figures, for the status and the line at the end.
    LoopSummary summary() const;
    PilotLock::State pilotState() const { return static_cast<PilotLock::State>(pilotState_.load(std::memory_order_relaxed)); }
    double inputPilotLevel() const { return inputPilotLevel_.load(std::memory_order_relaxed); }
    // The follower's thread, a loop-through: the last kSnapshotFrames frames
    // of output into `samples` once the device's thread has gathered them
    // (true), else asks it to gather them from its next period on (false).
    // The device's thread copies them into a buffer made here beforehand.
    bool takeSnapshot(std::vector<float>& samples);

private:
    rds::Group take();

    SharedEncoderState& state_;
    ModulatorConfig config_;
    bool loop_;
    rds::EncoderStream stream_;  // the follower's
    GroupQueue queue_;
    std::int64_t lastReload_ = 0;
    bool unreadable_ = false;
    std::atomic<bool> onAir_{true};
    // The extension record's level and phase, from the follower to the
    // device's thread, which ramps and slews the modulator to them.
    LevelPhaseFollower follower_;
    std::atomic<double> levelAsked_{0}, phaseAsked_{0};
    std::atomic<double> levelInUse_{0}, phaseInUse_{0};
    std::unique_ptr<PilotLock> lock_;
    std::unique_ptr<Modulator> modulator_;
    std::unique_ptr<LoopThrough> through_;
    std::atomic<std::int64_t> frames_{0};
    std::atomic<std::int64_t> groups_{0};
    std::atomic<std::int64_t> starved_{0};
    std::atomic<std::int64_t> framesLocked_{0};
    std::atomic<std::int64_t> clipped_{0};
    std::atomic<double> pilotHz_{kPilotFrequency};
    std::atomic<bool> pilotSeen_{false};
    std::atomic<int> pilotState_{0};
    std::atomic<double> inputPilotLevel_{0};
    // The snapshot's way between the threads: asked (follower), gathered in
    // snapshot_ (device, alone while gathering), ready (follower, alone).
    enum SnapshotStage : int { kSnapshotIdle, kSnapshotAsked, kSnapshotGathering, kSnapshotReady };
    std::atomic<int> snapshotStage_{kSnapshotIdle};
    std::vector<float> snapshot_;
    std::size_t snapshotFill_ = 0;
};

// The device behind a pulled air, as its follower sees it.
struct PulledDevice {
    std::string description;                    // "JACK quorvan-air"
    std::string input;                          // a loop-through's input ("JACK quorvan-air:mpx_in")
    std::function<void()> wait;                 // waits a little (about 10 ms) for the device
    // true, with the cause, once the device has gone away (a server that ended).
    std::function<bool(std::string& why)> gone;
    std::function<std::int64_t()> underruns;    // the device's own count (JACK's xruns)
};

// The follower's loop of a pulled air whose device runs: follow() between
// waits, the status file beside the state file once a second (a
// loop-through's with its input, pilot and clips, and the snapshot of its
// output beside it; removed at the end while it is this process's), until hooks.stopRequested(), until the
// device has played `frames` frames (when >= 0) or it has gone (false with
// `error`).
bool FollowPulledAir(PulledAir& air, const PulledDevice& device, std::int64_t frames, const SessionHooks& hooks,
                     std::string& error);

} // namespace quorvan::air
