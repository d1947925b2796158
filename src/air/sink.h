// Where the samples go, as the core sees it: the Sink interface and the
// sample formats. The sinks themselves (a sound card through ALSA, a WAV or
// FLAC file through libsndfile, raw samples on stdout) live in air/io. A sink
// takes mono samples (full scale 1.0) and puts the same signal on every
// channel; it knows nothing of RDS.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan::air {

enum class SampleFormat { S16, S32, Float };

// "s16", "s32", "float"; nullopt for anything else.
std::optional<SampleFormat> ParseSampleFormat(std::string_view text);
std::string_view SampleFormatName(SampleFormat format);
int BytesPerSample(SampleFormat format);

// Little-endian interleaved samples, each mono sample repeated on every
// channel, rounded and held to full scale.
void ConvertSamples(const float* mono, std::size_t frames, int channels, SampleFormat format, std::vector<std::uint8_t>& out);

struct SinkFormat {
    int rate = 192000;
    int channels = 1;
    SampleFormat format = SampleFormat::S16;
};

class Sink {
public:
    virtual ~Sink() = default;
    // Blocks until the frames are taken (a device paces its writer). false on
    // a failure that ends the output, named by error(); a write interrupted by
    // a signal returns true having written what it could.
    virtual bool write(const float* mono, std::size_t frames) = 0;
    // Plays out what a device still holds (at the end of a timed run).
    virtual void drain() {}
    // The end: a file is finished, a device stops without playing out its buffer.
    virtual bool close() = 0;
    virtual std::string description() const = 0;  // "ALSA default", "file x.wav", "stdout"
    virtual std::int64_t underruns() const { return 0; }
    // A device: frames written that it has not played yet (0 for a file).
    virtual std::int64_t delayFrames() const { return 0; }
    // Frames a write should carry.
    virtual std::size_t period() const { return 4096; }
    // A device behind a sound server: the rate the server's own output runs
    // at (0 when unknown or there is no server), and a line the status file
    // carries about it ("" when there is nothing to say).
    virtual int serverRate() const { return 0; }
    virtual std::string serverNote() const { return ""; }
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

} // namespace quorvan::air
