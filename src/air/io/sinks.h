// The software encoder's ways out to devices and files: a sound card through
// ALSA (asking a sound server behind an ALSA plugin what rate it really runs
// at), a WAV/RF64 or FLAC file through libsndfile, raw samples on a file
// descriptor. Each is a Sink of the core (air/sink.h). These never resample,
// never touch RDS and never keep time of their own: a device's clock paces
// its writer, a file takes what it is given.
#pragma once

#include "air/sink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvan::air {

// Opening a sink: nullptr with `error` naming the cause in one line.
//
// An ALSA PCM opened for exactly `format`: never resampled by ALSA, a buffer
// of at most 100 ms. A device that cannot run at the rate is refused with the
// rates it offers. A PCM that is a plugin in front of a sound server (pulse,
// pipewire, a default through them) is asked through the server what rate its
// sink runs at: below kMinRate it is refused, unknown gives one warning line
// to `report`. Each underrun is recovered, counted and told to `report`.
std::unique_ptr<Sink> OpenAlsaSink(const std::string& pcm, const SinkFormat& format,
                                   std::function<void(const std::string&)> report, std::string& error);

// A live loop-through's output: the same, in three periods of about
// `periodFrames`, started at two of them (one silence), so that a frame
// read from the capture plays within three periods; each underrun is
// recovered, counted, told and primed again to the same latency.
std::unique_ptr<Sink> OpenAlsaLoopSink(const std::string& pcm, const SinkFormat& format, std::size_t periodFrames,
                                       std::function<void(const std::string&)> report, std::string& error);

// A WAV or FLAC file, by its name's ending, that will hold `frames` frames
// (the length chooses between WAV and RF64).
std::unique_ptr<Sink> OpenFileSink(const std::string& path, const SinkFormat& format, std::int64_t frames,
                                   std::string& error);

// The libsndfile major format of a .wav file that holds `frames` frames: WAV,
// or RF64 (EBU Tech 3306) when the RIFF chunk's 32-bit size could not count it.
int WavContainer(const SinkFormat& format, std::int64_t frames);

// Raw little-endian samples on a file descriptor (stdout).
std::unique_ptr<Sink> OpenRawSink(int fd, const SinkFormat& format);

} // namespace quorvan::air
