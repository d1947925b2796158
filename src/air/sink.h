// Where the samples go: a sound card through ALSA, a WAV or FLAC file through
// libsndfile, or raw little-endian samples on stdout. A sink takes mono
// samples (full scale 1.0) and puts the same signal on every channel; it
// knows nothing of RDS.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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
    // Frames a write should carry.
    virtual std::size_t period() const { return 4096; }
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

// Opening a sink: nullptr with `error` naming the cause in one line.
//
// An ALSA PCM opened for exactly `format`: never resampled by ALSA, a buffer
// of at most 100 ms. A device that cannot run at the rate is refused with the
// rates it offers. Each underrun is recovered, counted and told to `report`.
std::unique_ptr<Sink> OpenAlsaSink(const std::string& pcm, const SinkFormat& format,
                                   std::function<void(const std::string&)> report, std::string& error);
// A WAV or FLAC file, by its name's ending.
std::unique_ptr<Sink> OpenFileSink(const std::string& path, const SinkFormat& format, std::string& error);
// Raw samples on a file descriptor (stdout).
std::unique_ptr<Sink> OpenRawSink(int fd, const SinkFormat& format);

} // namespace quorvan::air
