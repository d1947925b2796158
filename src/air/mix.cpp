#include "air/mix.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quorvan::air {

void Mix::add(const float* input, const float* rds, float* out, std::size_t frames)
{
    std::int64_t clipped = 0;
    for (std::size_t n = 0; n < frames; ++n) {
        const float sum = input[n] + rds[n];
        if (sum >= -1.0f && sum <= 1.0f) {
            out[n] = sum;
            continue;
        }
        ++clipped;
        out[n] = sum > 1.0f ? 1.0f : sum < -1.0f ? -1.0f : 0.0f;
    }
    clipped_ += clipped;
}

LoopThrough::LoopThrough(PilotLock& lock, Modulator& modulator)
    : lock_(lock), modulator_(modulator), clock_(kChunk), rds_(kChunk)
{
    if (lock.rate() != modulator.config().rate)
        throw std::invalid_argument("the pilot lock and the modulator run at different rates");
}

void LoopThrough::process(const float* input, float* out, std::size_t frames)
{
    for (std::size_t at = 0; at < frames;) {
        const std::size_t n = std::min(kChunk, frames - at);
        lock_.process(input + at, clock_.data(), n);
        modulator_.renderLocked(rds_.data(), clock_.data(), n);
        mix_.add(input + at, rds_.data(), out + at, n);
        at += n;
    }
}

} // namespace quorvan::air
