// A loop-through from a source to a sink: the station's MPX read frame by
// frame, the RDS of a fixed list of groups added on its pilot (LoopThrough),
// the sum written out. Output frame n is input frame n plus RDS frame n: the
// session never delays, drops, repeats or resamples a frame, and keeps no
// time of its own (the pilot's clock is the RDS clock; without one the RDS
// runs free at the nominal rate).
#pragma once

#include "air/air_session.h"
#include "air/source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvan {
class SharedEncoderState;
}

namespace quorvan::air {

// What the loop-through saw, for the line at its end.
struct LoopSummary {
    std::int64_t frames = 0;        // frames written
    std::int64_t framesLocked = 0;  // of them, on a locked pilot
    int rate = 0;
    bool pilotSeen = false;
    double pilotHz = 0;             // the clock's frequency at the end
    double rdsPhase = 0;            // degrees
    std::int64_t clipped = 0;
};

// "pilot 19003.7 Hz, locked 23.6 of 24.0 s, RDS phase 0.0°, 0 clipped samples",
// or "no pilot: RDS runs free at the nominal rate, RDS phase 0.0°, 0 clipped
// samples" (one clipped sample in the singular).
std::string LoopSummaryLine(const LoopSummary& summary);

// Loops `frames` frames of the source (< 0: to its end; fewer when it ends
// first), the groups' first one beginning at frame 0 (none: the subcarrier is
// muted, the input passes alone), `rdsPhase` degrees against the pilot's
// third harmonic; or until stopRequested(). config.rate must be the source's
// rate (std::invalid_argument otherwise). false with `error` when the source
// or the sink fails; `summary` is filled either way.
bool PlayLoopThrough(const std::vector<rds::Group>& groups, const ModulatorConfig& config, double rdsPhase,
                     Source& source, Sink& sink, std::int64_t frames, const SessionHooks& hooks, LoopSummary& summary,
                     std::string& error);

// The drift between a capture clock and a playback clock, from the latency
// through the two: frames captured and not yet played. With one clock it
// stays put; a capture clock that runs fast makes it grow by that many frames
// per million. A least-squares line through (frames played, latency) over at
// least kSpanSeconds since the last start; an over- or underrun jumps the
// latency, so it starts the line again.
class DriftMeter {
public:
    static constexpr double kSpanSeconds = 5.0;

    explicit DriftMeter(int rate) : rate_(rate) {}
    void add(std::int64_t frames, double latencyFrames);
    void restart();
    // Parts per million the capture runs faster than the playback; nullopt
    // before kSpanSeconds of one run.
    std::optional<double> ppm() const;

private:
    int rate_;
    std::int64_t first_ = -1;
    std::int64_t last_ = 0;
    double n_ = 0, sx_ = 0, sy_ = 0, sxx_ = 0, sxy_ = 0;
    double y0_ = 0;
};

// The pilot lock's state as the status file names it: "locked",
// "acquiring", "holdover", "none".
std::string PilotStateName(PilotLock::State state);

// Frames of the last output a live loop-through keeps for the monitor's
// spectrum: a quarter of a second at 192 kHz.
inline constexpr std::size_t kSnapshotFrames = 48000;

// The most a frame waits on its way through a live loop-through, in periods.
inline constexpr int kMaxLatencyPeriods = 3;

// Frames of capture to drop after a stall: none while what waits to be read
// and what the playback holds are within kMaxLatencyPeriods, or while less
// than a period is there to read; otherwise enough of what is there (at most
// all of it) to bring the way through back to two periods. `available`:
// frames a read takes now, without waiting; `queued`: frames the playback
// holds unplayed. The capture's delay is no measure of a backlog: a sound
// server counts in it what it has yet to hand over, and a read of that would
// wait and starve the playback. With one clock the way through stays as it
// is but for an underrun (the playback stood while the capture ran on) or a
// capture clock that runs fast; both leave frames there to read at once.
std::int64_t BacklogToDrop(std::int64_t available, std::int64_t queued, std::size_t period);

// The live loop-through: the station's MPX from a capture source through the
// pilot lock and the mix into a sink, block by block as the source delivers
// them (each block is written as soon as it is read, so the way through is
// the capture's period plus what the sink holds). The groups follow the
// state file as PlayLive's do (looked at every 50 ms of the input's frames
// by the state follower's thread, the carrier or power off mutes the RDS,
// the input passes). The status file
// (and the snapshot of the output beside it) is written once a second off the
// audio path: the pilot, the RDS phase, the latency measured from the two
// devices' delays, the drift between their clocks, over- and underruns and
// clips. A capture left more than a period behind by a stall, so that the
// way through exceeds kMaxLatencyPeriods, is dropped (BacklogToDrop),
// counted in the status file and told. Until stopRequested() or, when `frames` >= 0, that many frames; the
// end of the source ends it. false with `error` when the source or the sink
// fails.
bool PlayLiveLoop(SharedEncoderState& state, const ModulatorConfig& config, double rdsPhase, Source& source,
                  Sink& sink, std::int64_t frames, const SessionHooks& hooks, std::string& error);

} // namespace quorvan::air
