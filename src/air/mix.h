// The mix of a loop-through: the station's MPX plus the RDS, frame for frame.
//
// Output frame n is input frame n plus RDS frame n: nothing is delayed,
// filtered, resampled, limited or rounded on the way (beyond the float sum
// itself; the sink writes the output format). A sum beyond full scale is
// clipped to it and counted, never silently. It knows nothing of devices or
// files; LoopThrough joins a pilot lock, a modulator and the mix for a source
// and a sink that move the frames.
#pragma once

#include "air/modulator.h"
#include "air/pilot_lock.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvan::air {

class Mix {
public:
    // out[n] = input[n] + rds[n], clipped to -1..1. A sum that is not a
    // number (an input that was not one) is written as 0 and counted too.
    // out may be input or rds.
    void add(const float* input, const float* rds, float* out, std::size_t frames);
    std::int64_t clipped() const { return clipped_; }

private:
    std::int64_t clipped_ = 0;
};

// The station's MPX in, the same MPX with the RDS on its pilot out.
class LoopThrough {
public:
    // The lock and the modulator must run at one rate (std::invalid_argument).
    LoopThrough(PilotLock& lock, Modulator& modulator);

    // out may be input.
    void process(const float* input, float* out, std::size_t frames);

    std::int64_t clipped() const { return mix_.clipped(); }
    const PilotLock& lock() const { return lock_; }

private:
    static constexpr std::size_t kChunk = 1024;
    PilotLock& lock_;
    Modulator& modulator_;
    Mix mix_;
    std::vector<PilotClock> clock_;
    std::vector<float> rds_;
};

} // namespace quorvan::air
