#include "air/sink.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace quorvan::air {

namespace {

// A buffer of at most 100 ms keeps a change of the state file on air soon.
// Three periods of a third of it wake the program 30 times a second and
// refill the buffer while two thirds are still queued. Most of a live
// output's processor time is those wake-ups (and, through a sound server,
// its client library's messages), not the samples: four periods of 25 ms
// cost a fifth more wake-ups for a margin only 9 ms larger; two periods of
// 50 ms saved little more and underran on a busy machine.
constexpr unsigned kBufferMicroseconds = 100000;
constexpr unsigned kPeriodMicroseconds = 33334;

void PutLE(std::uint8_t* p, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string EndsWith(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

class AlsaSink final : public Sink {
public:
    AlsaSink(snd_pcm_t* pcm, std::string name, const SinkFormat& format, snd_pcm_uframes_t period,
             std::function<void(const std::string&)> report)
        : pcm_(pcm), name_(std::move(name)), format_(format), period_(period), report_(std::move(report))
    {
    }
    ~AlsaSink() override { close(); }

    bool write(const float* mono, std::size_t frames) override
    {
        if (!pcm_) {
            error_ = "the device is closed";
            return false;
        }
        ConvertSamples(mono, frames, format_.channels, format_.format, bytes_);
        const std::size_t frameBytes = static_cast<std::size_t>(format_.channels * BytesPerSample(format_.format));
        std::size_t done = 0;
        while (done < frames) {
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, bytes_.data() + done * frameBytes, frames - done);
            if (n >= 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n == -EINTR || n == -EAGAIN)
                return true;  // a signal: the caller decides whether to go on
            if (n == -EPIPE || n == -ESTRPIPE) {
                ++underruns_;
                if (report_)
                    report_("underrun " + std::to_string(underruns_) + " on " + description() + ", recovered");
            }
            const int r = snd_pcm_recover(pcm_, static_cast<int>(n), 1);
            if (r < 0) {
                error_ = description() + ": " + snd_strerror(r);
                return false;
            }
        }
        return true;
    }

    void drain() override
    {
        if (pcm_)
            snd_pcm_drain(pcm_);
    }

    bool close() override
    {
        if (pcm_) {
            // Stopping drops what is still queued: at most one buffer of 100 ms.
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
        return true;
    }

    std::string description() const override { return "ALSA " + name_; }
    std::int64_t underruns() const override { return underruns_; }
    std::size_t period() const override { return period_; }

private:
    snd_pcm_t* pcm_;
    std::string name_;
    SinkFormat format_;
    snd_pcm_uframes_t period_;
    std::function<void(const std::string&)> report_;
    std::vector<std::uint8_t> bytes_;
    std::int64_t underruns_ = 0;
};

// ALSA's library prints its own complaints to stderr; the sink names the
// failure in its one line instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The usual rates a device may offer, to name them when the wanted one is not.
std::string OfferedRates(snd_pcm_t* pcm, snd_pcm_hw_params_t* any)
{
    std::string list;
    for (unsigned rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u, 88200u, 96000u, 128000u, 171000u,
                          176400u, 192000u, 228000u, 352800u, 384000u, 768000u}) {
        if (snd_pcm_hw_params_test_rate(pcm, any, rate, 0) == 0)
            list += (list.empty() ? "" : ", ") + std::to_string(rate);
    }
    unsigned lo = 0, hi = 0;
    int dir = 0;
    if (snd_pcm_hw_params_get_rate_min(any, &lo, &dir) == 0 && snd_pcm_hw_params_get_rate_max(any, &hi, &dir) == 0 &&
        hi > lo)
        list += (list.empty() ? "" : "; ") + std::string("any from ") + std::to_string(lo) + " to " + std::to_string(hi);
    return list.empty() ? "none" : list + " Hz";
}

class FileSink final : public Sink {
public:
    FileSink(SNDFILE* file, std::string path, int channels) : file_(file), path_(std::move(path)), channels_(channels) {}
    ~FileSink() override { close(); }

    bool write(const float* mono, std::size_t frames) override
    {
        buffer_.resize(frames * static_cast<std::size_t>(channels_));
        for (std::size_t i = 0; i < frames; ++i)
            std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(i * channels_), channels_, mono[i]);
        if (sf_writef_float(file_, buffer_.data(), static_cast<sf_count_t>(frames)) != static_cast<sf_count_t>(frames)) {
            error_ = path_ + ": " + sf_strerror(file_);
            return false;
        }
        return true;
    }

    bool close() override
    {
        if (!file_)
            return true;
        const int r = sf_close(file_);
        file_ = nullptr;
        if (r != 0) {
            error_ = path_ + ": " + sf_error_number(r);
            return false;
        }
        return true;
    }

    std::string description() const override { return "file " + path_; }
    std::size_t period() const override { return 1 << 16; }

private:
    SNDFILE* file_;
    std::string path_;
    int channels_;
    std::vector<float> buffer_;
};

class RawSink final : public Sink {
public:
    RawSink(int fd, const SinkFormat& format) : fd_(fd), format_(format) {}

    bool write(const float* mono, std::size_t frames) override
    {
        ConvertSamples(mono, frames, format_.channels, format_.format, bytes_);
        std::size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t n = ::write(fd_, bytes_.data() + done, bytes_.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error_ = std::string("stdout: ") + std::strerror(errno);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool close() override { return true; }
    std::string description() const override { return "stdout"; }

private:
    int fd_;
    SinkFormat format_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace

std::optional<SampleFormat> ParseSampleFormat(std::string_view text)
{
    if (text == "s16")
        return SampleFormat::S16;
    if (text == "s32")
        return SampleFormat::S32;
    if (text == "float")
        return SampleFormat::Float;
    return std::nullopt;
}

std::string_view SampleFormatName(SampleFormat format)
{
    switch (format) {
    case SampleFormat::S16:
        return "s16";
    case SampleFormat::S32:
        return "s32";
    case SampleFormat::Float:
        return "float";
    }
    return "";
}

int BytesPerSample(SampleFormat format)
{
    return format == SampleFormat::S16 ? 2 : 4;
}

namespace {

// One loop per format and channel count, so that the compiler sees a plain
// loop over the samples (no switch per sample); the rounding is the same in
// all: half away from zero, done by hand because std::lround is a library
// call per sample, a noticeable part of a live output's cost.
template <int Bytes, auto Word>
void ConvertLoop(const float* mono, std::size_t frames, int channels, std::uint8_t* p)
{
    for (std::size_t i = 0; i < frames; ++i) {
        const auto w = static_cast<std::uint32_t>(Word(std::clamp(static_cast<double>(mono[i]), -1.0, 1.0)));
        for (int c = 0; c < channels; ++c, p += Bytes)
            PutLE(p, w, Bytes);
    }
}

std::uint16_t S16Word(double x)
{
    const double v = x * 32767;
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(v + (v < 0 ? -0.5 : 0.5)));
}

std::uint32_t S32Word(double x)
{
    const double v = x * 2147483647.0;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(v + (v < 0 ? -0.5 : 0.5)));
}

std::uint32_t FloatWord(double x)
{
    const float f = static_cast<float>(x);
    std::uint32_t word = 0;
    std::memcpy(&word, &f, sizeof word);
    return word;
}

// Mono, the usual case, with the channel count known to the compiler.
template <int Bytes, auto Word>
void ConvertChannels(const float* mono, std::size_t frames, int channels, std::uint8_t* p)
{
    if (channels == 1)
        ConvertLoop<Bytes, Word>(mono, frames, 1, p);
    else
        ConvertLoop<Bytes, Word>(mono, frames, channels, p);
}

} // namespace

void ConvertSamples(const float* mono, std::size_t frames, int channels, SampleFormat format, std::vector<std::uint8_t>& out)
{
    out.resize(frames * static_cast<std::size_t>(channels * BytesPerSample(format)));
    switch (format) {
    case SampleFormat::S16:
        ConvertChannels<2, S16Word>(mono, frames, channels, out.data());
        break;
    case SampleFormat::S32:
        ConvertChannels<4, S32Word>(mono, frames, channels, out.data());
        break;
    case SampleFormat::Float:
        ConvertChannels<4, FloatWord>(mono, frames, channels, out.data());
        break;
    }
}

std::unique_ptr<Sink> OpenAlsaSink(const std::string& name, const SinkFormat& format,
                                   std::function<void(const std::string&)> report, std::string& error)
{
    const std::string what = "ALSA device '" + name + "'";
    snd_lib_error_set_handler(QuietAlsa);
    snd_pcm_t* pcm = nullptr;
    // ALSA's own rate plugin must never come in: it would resample to a rate
    // that cannot carry 57 kHz.
    int r = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NO_AUTO_RESAMPLE);
    if (r < 0) {
        error = what + " cannot be opened: " + snd_strerror(r);
        return nullptr;
    }
    auto fail = [&](const std::string& message) -> std::unique_ptr<Sink> {
        error = what + " " + message;
        snd_pcm_close(pcm);
        return nullptr;
    };
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_hw_params_any(pcm, hw);
    snd_pcm_hw_params_set_rate_resample(pcm, hw, 0);
    if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0)
        return fail("takes no interleaved samples");
    const snd_pcm_format_t pcmFormat = format.format == SampleFormat::S16   ? SND_PCM_FORMAT_S16_LE
                                       : format.format == SampleFormat::S32 ? SND_PCM_FORMAT_S32_LE
                                                                            : SND_PCM_FORMAT_FLOAT_LE;
    if (snd_pcm_hw_params_set_format(pcm, hw, pcmFormat) < 0)
        return fail("takes no " + std::string(SampleFormatName(format.format)) + " samples (--format)");
    if (snd_pcm_hw_params_set_channels(pcm, hw, static_cast<unsigned>(format.channels)) < 0)
        return fail("cannot play " + std::to_string(format.channels) + " channel(s) (--channels)");
    if (snd_pcm_hw_params_test_rate(pcm, hw, static_cast<unsigned>(format.rate), 0) < 0)
        return fail("cannot run at exactly " + std::to_string(format.rate) + " Hz; it offers " + OfferedRates(pcm, hw) +
                    " (a resampler would remove the 57 kHz signal)");
    snd_pcm_hw_params_set_rate(pcm, hw, static_cast<unsigned>(format.rate), 0);
    unsigned bufferTime = kBufferMicroseconds;
    unsigned periodTime = kPeriodMicroseconds;
    int dir = 0;
    snd_pcm_hw_params_set_buffer_time_max(pcm, hw, &bufferTime, &dir);
    bufferTime = kBufferMicroseconds;
    if (snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, &dir) < 0)
        return fail("offers no buffer of at most 100 ms");
    dir = 0;
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, &dir);
    if ((r = snd_pcm_hw_params(pcm, hw)) < 0)
        return fail(std::string("cannot be set up: ") + snd_strerror(r));
    unsigned rate = 0;
    snd_pcm_hw_params_get_rate(hw, &rate, &dir);
    if (rate != static_cast<unsigned>(format.rate) || dir != 0)
        return fail("runs at " + std::to_string(rate) + " Hz, not exactly " + std::to_string(format.rate) + " Hz");
    snd_pcm_uframes_t buffer = 0, period = 0;
    snd_pcm_hw_params_get_buffer_size(hw, &buffer);
    snd_pcm_hw_params_get_period_size(hw, &period, &dir);
    if (buffer > static_cast<snd_pcm_uframes_t>(format.rate) / 10)
        return fail("keeps a buffer of " + std::to_string(buffer * 1000 / static_cast<unsigned>(format.rate)) +
                    " ms, more than 100 ms");

    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_sw_params_current(pcm, sw);
    // Start once the buffer is full, so that the first period has company.
    snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer - buffer % std::max<snd_pcm_uframes_t>(period, 1));
    snd_pcm_sw_params_set_avail_min(pcm, sw, period);
    if ((r = snd_pcm_sw_params(pcm, sw)) < 0)
        return fail(std::string("cannot be set up: ") + snd_strerror(r));
    return std::make_unique<AlsaSink>(pcm, name, format, std::max<snd_pcm_uframes_t>(period, 256), std::move(report));
}

std::unique_ptr<Sink> OpenFileSink(const std::string& path, const SinkFormat& format, std::string& error)
{
    SF_INFO info{};
    info.samplerate = format.rate;
    info.channels = format.channels;
    const std::string ext = EndsWith(path);
    const int subtype = format.format == SampleFormat::S16   ? SF_FORMAT_PCM_16
                        : format.format == SampleFormat::S32 ? SF_FORMAT_PCM_32
                                                             : SF_FORMAT_FLOAT;
    if (ext == "wav") {
        info.format = SF_FORMAT_WAV | subtype;
    } else if (ext == "flac") {
        if (format.format != SampleFormat::S16) {
            error = path + ": a FLAC file holds s16 samples here (--format s16), not " +
                    std::string(SampleFormatName(format.format));
            return nullptr;
        }
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    } else {
        error = path + ": the output is a .wav or .flac file, or - for raw samples on stdout";
        return nullptr;
    }
    if (!sf_format_check(&info)) {
        error = path + ": this file type cannot hold " + std::to_string(format.rate) + " Hz " +
                std::string(SampleFormatName(format.format)) + " samples";
        return nullptr;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<FileSink>(file, path, format.channels);
}

std::unique_ptr<Sink> OpenRawSink(int fd, const SinkFormat& format)
{
    return std::make_unique<RawSink>(fd, format);
}

} // namespace quorvan::air
