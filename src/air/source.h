// Where a loop-through's input comes from, as the core sees it: the Source
// interface. A source gives the station's MPX as mono samples (full scale
// 1.0) at its own rate, in the order it has them; the sources themselves (a
// WAV or FLAC file through libsndfile) live in air/io. A source never
// resamples, filters or levels what it reads, and knows nothing of RDS.
#pragma once

#include "air/sink.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvan::air {

class Source {
public:
    virtual ~Source() = default;
    // Up to `frames` frames into `mono`; the number read, 0 at the end. A
    // failure ends the input too, named by error().
    virtual std::size_t read(float* mono, std::size_t frames) = 0;
    virtual int rate() const = 0;
    // Frames the whole input holds; -1 when unknown (a device).
    virtual std::int64_t frames() const { return -1; }
    // The sample format an output keeps the input in without re-quantising it.
    virtual SampleFormat format() const { return SampleFormat::Float; }
    virtual std::string description() const = 0;  // "file mpx.wav, channel 2"
    // A device: frames it has captured that are not read yet, and the
    // overruns it has recovered from (0 for a file).
    virtual std::int64_t delayFrames() const { return 0; }
    // Of them, those a read takes now without waiting (a sound server may
    // count frames it has not handed over yet in the delay).
    virtual std::int64_t availableFrames() const { return delayFrames(); }
    virtual std::int64_t overruns() const { return 0; }
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

} // namespace quorvan::air
