#include "air/io/sources.h"

#include "air/io/alsa_open.h"
#include "air/modulator.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorvan::air {

namespace {

// Room for the capture to wait for a busy program: the capture's buffer adds
// no latency while the loop keeps up (each period is read as it is complete).
constexpr snd_pcm_uframes_t kCapturePeriods = 8;

class AlsaSource final : public Source {
public:
    AlsaSource(snd_pcm_t* pcm, std::string name, int rate, unsigned channels, unsigned channel, snd_pcm_format_t format,
               std::function<void(const std::string&)> report)
        : pcm_(pcm), name_(std::move(name)), rate_(rate), channels_(channels), channel_(channel), format_(format),
          report_(std::move(report))
    {
    }
    ~AlsaSource() override
    {
        if (pcm_) {
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
        }
    }

    std::size_t read(float* mono, std::size_t frames) override
    {
        const std::size_t sampleBytes = static_cast<std::size_t>(snd_pcm_format_physical_width(format_) / 8);
        const std::size_t frameBytes = sampleBytes * channels_;
        bytes_.resize(frames * frameBytes);
        std::size_t done = 0;
        while (done < frames) {
            const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, bytes_.data() + done * frameBytes, frames - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n == 0 || n == -EINTR || n == -EAGAIN)
                break;  // a signal: the caller decides whether to go on
            if (n == -EPIPE || n == -ESTRPIPE) {
                ++overruns_;
                if (report_)
                    report_("overrun " + std::to_string(overruns_) + " on " + description() + " (capture), recovered");
            }
            const int r = snd_pcm_recover(pcm_, static_cast<int>(n), 1);
            if (r < 0) {
                error_ = description() + ": " + snd_strerror(r);
                return 0;
            }
        }
        // One channel of the frames, scaled as the sinks scale back (air/sink.h).
        for (std::size_t i = 0; i < done; ++i) {
            const std::uint8_t* at = bytes_.data() + i * frameBytes + channel_ * sampleBytes;
            switch (format_) {
            case SND_PCM_FORMAT_FLOAT_LE: {
                float v = 0;
                std::memcpy(&v, at, 4);
                mono[i] = v;
                break;
            }
            case SND_PCM_FORMAT_S32_LE: {
                std::int32_t v = 0;
                std::memcpy(&v, at, 4);
                mono[i] = static_cast<float>(static_cast<double>(v) / 2147483648.0);
                break;
            }
            default: {
                std::int16_t v = 0;
                std::memcpy(&v, at, 2);
                mono[i] = static_cast<float>(v) / 32768.0f;
                break;
            }
            }
        }
        return done;
    }

    int rate() const override { return rate_; }
    SampleFormat format() const override
    {
        return format_ == SND_PCM_FORMAT_FLOAT_LE ? SampleFormat::Float
               : format_ == SND_PCM_FORMAT_S32_LE ? SampleFormat::S32
                                                  : SampleFormat::S16;
    }
    std::string description() const override
    {
        return "ALSA " + name_ + (channels_ > 1 ? ", channel " + std::to_string(channel_ + 1) : std::string());
    }
    std::int64_t delayFrames() const override
    {
        snd_pcm_sframes_t delay = 0;
        return snd_pcm_delay(pcm_, &delay) == 0 ? static_cast<std::int64_t>(std::max<snd_pcm_sframes_t>(delay, 0)) : 0;
    }
    std::int64_t availableFrames() const override
    {
        const snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
        return avail > 0 ? static_cast<std::int64_t>(avail) : 0;
    }
    std::int64_t overruns() const override { return overruns_; }

private:
    snd_pcm_t* pcm_;
    std::string name_;
    int rate_;
    unsigned channels_;
    unsigned channel_;
    snd_pcm_format_t format_;
    std::function<void(const std::string&)> report_;
    std::vector<std::uint8_t> bytes_;
    std::int64_t overruns_ = 0;
};

} // namespace

std::unique_ptr<Source> OpenAlsaSource(const std::string& name, int rate, int channel, std::size_t periodFrames,
                                       std::function<void(const std::string&)> report, std::string& error)
{
    const std::string what = "ALSA capture device '" + name + "'";
    snd_pcm_t* pcm = OpenPcmUnresampled(name, SND_PCM_STREAM_CAPTURE, what, error);
    if (!pcm)
        return nullptr;
    auto fail = [&](const std::string& message) -> std::unique_ptr<Source> {
        error = what + " " + message;
        snd_pcm_close(pcm);
        return nullptr;
    };
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_hw_params_any(pcm, hw);
    snd_pcm_hw_params_set_rate_resample(pcm, hw, 0);
    if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0)
        return fail("gives no interleaved samples");
    // The widest format the device has, so that nothing is re-quantised on the way in.
    snd_pcm_format_t format = SND_PCM_FORMAT_UNKNOWN;
    for (const snd_pcm_format_t f : {SND_PCM_FORMAT_FLOAT_LE, SND_PCM_FORMAT_S32_LE, SND_PCM_FORMAT_S16_LE})
        if (snd_pcm_hw_params_test_format(pcm, hw, f) == 0) {
            format = f;
            break;
        }
    if (format == SND_PCM_FORMAT_UNKNOWN || snd_pcm_hw_params_set_format(pcm, hw, format) < 0)
        return fail("gives neither float, s32 nor s16 samples");
    const unsigned wanted = static_cast<unsigned>(std::max(channel, 1));
    unsigned channels = wanted;
    if (snd_pcm_hw_params_test_channels(pcm, hw, wanted) < 0) {
        unsigned least = 0;
        snd_pcm_hw_params_get_channels_min(hw, &least);
        unsigned most = 0;
        snd_pcm_hw_params_get_channels_max(hw, &most);
        if (most < wanted)
            return fail("has " + std::to_string(most) + " channel(s), no channel " + std::to_string(wanted) +
                        " (--input-channel)");
        channels = std::max(least, wanted);
    }
    if (snd_pcm_hw_params_set_channels(pcm, hw, channels) < 0)
        return fail("cannot capture " + std::to_string(channels) + " channel(s)");
    if (snd_pcm_hw_params_test_rate(pcm, hw, static_cast<unsigned>(rate), 0) < 0)
        return fail("cannot capture at exactly " + std::to_string(rate) + " Hz (the output's rate; a resampler would "
                    "filter the MPX)");
    snd_pcm_hw_params_set_rate(pcm, hw, static_cast<unsigned>(rate), 0);
    int dir = 0;
    snd_pcm_uframes_t period = std::max<std::size_t>(periodFrames, 64);
    snd_pcm_uframes_t buffer = kCapturePeriods * period;
    snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, &dir);
    snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer);
    if (const int r = snd_pcm_hw_params(pcm, hw); r < 0)
        return fail(std::string("cannot be set up: ") + snd_strerror(r));
    unsigned got = 0;
    snd_pcm_hw_params_get_rate(hw, &got, &dir);
    if (got != static_cast<unsigned>(rate) || dir != 0)
        return fail("captures at " + std::to_string(got) + " Hz, not exactly " + std::to_string(rate) + " Hz");
    // The first read starts the capture, so that nothing waits in its buffer.
    return std::make_unique<AlsaSource>(pcm, name, rate, channels, wanted - 1, format, std::move(report));
}

} // namespace quorvan::air
