// The loop-through's ways in from files: the station's MPX from a WAV, RF64
// or FLAC file through libsndfile, one channel of it. Each is a Source of the
// core (air/source.h). It reads the samples as they are: never resampled,
// filtered or levelled, and integer samples scaled exactly as the sinks of
// air/io scale them back, so that a file written in the input's format holds
// the input's own sample values.
#pragma once

#include "air/source.h"

#include <functional>
#include <memory>
#include <string>

namespace quorvan::air {

// Channel `channel` (1-based; 0: the file must be mono) of the file at `path`; nullptr with `error`
// naming the cause in one line (a missing file, one libsndfile cannot read,
// a channel the file does not have).
std::unique_ptr<Source> OpenFileSource(const std::string& path, int channel, std::string& error);

// A live loop-through's input: an ALSA capture PCM at exactly `rate` (never
// resampled by ALSA), channel `channel` of it (1-based; 0: the first), in
// periods of about `periodFrames` (the output's), in the widest sample format
// the device gives. The first read starts it; each overrun is recovered,
// counted and told to `report`. nullptr with `error` naming the cause in one
// line.
std::unique_ptr<Source> OpenAlsaSource(const std::string& pcm, int rate, int channel, std::size_t periodFrames,
                                       std::function<void(const std::string&)> report, std::string& error);

} // namespace quorvan::air
