// The loop-through's ways in from files: the station's MPX from a WAV, RF64
// or FLAC file through libsndfile, one channel of it. Each is a Source of the
// core (air/source.h). It reads the samples as they are: never resampled,
// filtered or levelled, and integer samples scaled exactly as the sinks of
// air/io scale them back, so that a file written in the input's format holds
// the input's own sample values.
#pragma once

#include "air/source.h"

#include <memory>
#include <string>

namespace quorvan::air {

// Channel `channel` (1-based; 0: the file must be mono) of the file at `path`; nullptr with `error`
// naming the cause in one line (a missing file, one libsndfile cannot read,
// a channel the file does not have).
std::unique_ptr<Source> OpenFileSource(const std::string& path, int channel, std::string& error);

} // namespace quorvan::air
