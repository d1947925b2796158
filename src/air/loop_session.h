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
#include <string>
#include <vector>

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

} // namespace quorvan::air
