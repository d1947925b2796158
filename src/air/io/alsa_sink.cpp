#include "air/io/sinks.h"

#include "air/io/alsa_open.h"
#include "air/io/sound_server.h"
#include "air/modulator.h"

#include <alsa/asoundlib.h>

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

class AlsaSink final : public Sink {
public:
    AlsaSink(snd_pcm_t* pcm, std::string name, const SinkFormat& format, snd_pcm_uframes_t period,
             std::function<void(const std::string&)> report, bool server, int serverRate, std::string serverNote,
             unsigned prime)
        : pcm_(pcm), name_(std::move(name)), format_(format), period_(period), report_(std::move(report)),
          server_(server), serverRate_(serverRate), serverNote_(std::move(serverNote)), prime_(prime)
    {
        if (prime_)
            primeSilence();
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
            if (r >= 0 && prime_ && (n == -EPIPE || n == -ESTRPIPE))
                primeSilence();  // the loop's latency as it was before
            if (r < 0) {
                error_ = description() + ": " + snd_strerror(r);
                // A plugin's server that ended (killed, restarted) leaves the PCM without a peer.
                if (server_ && (r == -EIO || r == -EBADFD || r == -ENODEV || r == -ECONNRESET || r == -EPIPE))
                    error_ = "the sound server went away (" + error_ + ")";
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
    std::int64_t delayFrames() const override
    {
        snd_pcm_sframes_t delay = 0;
        return pcm_ && snd_pcm_delay(pcm_, &delay) == 0 ? static_cast<std::int64_t>(delay) : 0;
    }
    std::size_t period() const override { return period_; }
    int serverRate() const override { return serverRate_; }
    std::string serverNote() const override { return serverNote_; }

private:
    // A loop-through's playback starts at two periods queued: one of silence,
    // then the first period captured. Each period captured then arrives while
    // one is still queued, so a frame waits a capture period and at most two
    // playback periods on its way through. On a sound server, two of silence
    // and the first captured, of which the server takes one at once.
    void primeSilence()
    {
        const std::vector<float> silence(period_, 0.0f);
        std::vector<std::uint8_t> bytes;
        ConvertSamples(silence.data(), silence.size(), format_.channels, format_.format, bytes);
        for (unsigned i = 0; i < prime_; ++i)
            snd_pcm_writei(pcm_, bytes.data(), period_);
    }

    snd_pcm_t* pcm_;
    std::string name_;
    SinkFormat format_;
    snd_pcm_uframes_t period_;
    std::function<void(const std::string&)> report_;
    std::vector<std::uint8_t> bytes_;
    std::int64_t underruns_ = 0;
    bool server_;
    int serverRate_;
    std::string serverNote_;
    unsigned prime_;  // periods of silence a loop-through starts with; 0 for a live output
};

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

// periodFrames 0: a live output's timing (a buffer of 100 ms in three
// periods, started full). Otherwise a loop-through's: three periods of
// periodFrames, started at two (one of them silence).
std::unique_ptr<Sink> OpenPlayback(const std::string& name, const SinkFormat& format, std::size_t periodFrames,
                                   std::function<void(const std::string&)> report, std::string& error)
{
    const std::string what = "ALSA device '" + name + "'";
    snd_pcm_t* pcm = OpenPcmUnresampled(name, SND_PCM_STREAM_PLAYBACK, what, error);
    if (!pcm)
        return nullptr;
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
    if (periodFrames > 0) {
        snd_pcm_uframes_t p = periodFrames, b = 3 * periodFrames;
        if (snd_pcm_hw_params_set_period_size_near(pcm, hw, &p, &dir) < 0 ||
            snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &b) < 0)
            return fail("offers no buffer of three periods of " + std::to_string(periodFrames) + " frames");
    } else {
        snd_pcm_hw_params_set_buffer_time_max(pcm, hw, &bufferTime, &dir);
        bufferTime = kBufferMicroseconds;
        if (snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, &dir) < 0)
            return fail("offers no buffer of at most 100 ms");
        dir = 0;
        snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, &dir);
    }
    if (const int r = snd_pcm_hw_params(pcm, hw); r < 0)
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

    // A plugin PCM (ioplug, extplug) hands the samples to a sound server,
    // which resamples them to its own sink's rate without a word.
    const snd_pcm_type_t type = snd_pcm_type(pcm);
    const bool server = type == SND_PCM_TYPE_IOPLUG || type == SND_PCM_TYPE_EXTPLUG;
    // A loop-through on a sound server primes two periods of silence and
    // starts full: the server takes a period into its own sink at once, so
    // that two are queued after the first write, as on a card.
    const unsigned prime = periodFrames == 0 ? 0u : server ? 2u : 1u;

    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_sw_params_current(pcm, sw);
    // Start once the buffer is full, so that the first period has company; a
    // loop-through at one period more than it primes (see primeSilence).
    const snd_pcm_uframes_t start = periodFrames > 0 ? std::min<snd_pcm_uframes_t>((prime + 1) * period, buffer)
                                                     : buffer - buffer % std::max<snd_pcm_uframes_t>(period, 1);
    snd_pcm_sw_params_set_start_threshold(pcm, sw, start);
    snd_pcm_sw_params_set_avail_min(pcm, sw, period);
    if (const int r = snd_pcm_sw_params(pcm, sw); r < 0)
        return fail(std::string("cannot be set up: ") + snd_strerror(r));
    int serverRate = 0;
    std::string note;
    if (server) {
        if (const std::optional<ServerSink> sink = AskSoundServer()) {
            serverRate = sink->rate;
            if (sink->rate < kMinRate)
                return fail("goes to a sound server whose sink '" + sink->name + "' runs at " +
                            std::to_string(sink->rate) + " Hz, which cannot carry the 57 kHz signal: run the sink at " +
                            std::to_string(format.rate) + " Hz (pactl list sinks), or use hw:CARD");
            if (sink->rate != format.rate)
                note = "ALSA " + name + " is a sound server whose sink '" + sink->name + "' runs at " +
                       std::to_string(sink->rate) + " Hz: it resamples the " + std::to_string(format.rate) +
                       " Hz signal (use hw:CARD to avoid it)";
        } else {
            note = "ALSA " + name + " is a sound server: make sure its sink runs at " +
                   std::to_string(format.rate / 1000) + " kHz (pactl list sinks), or use hw:CARD";
        }
        if (!note.empty() && report)
            report(note);
    }
    return std::make_unique<AlsaSink>(pcm, name, format, std::max<snd_pcm_uframes_t>(period, 256), std::move(report),
                                      server, serverRate, note, prime);
}

} // namespace

std::unique_ptr<Sink> OpenAlsaSink(const std::string& name, const SinkFormat& format,
                                   std::function<void(const std::string&)> report, std::string& error)
{
    return OpenPlayback(name, format, 0, std::move(report), error);
}

std::unique_ptr<Sink> OpenAlsaLoopSink(const std::string& name, const SinkFormat& format, std::size_t periodFrames,
                                       std::function<void(const std::string&)> report, std::string& error)
{
    return OpenPlayback(name, format, std::max<std::size_t>(periodFrames, 64), std::move(report), error);
}

} // namespace quorvan::air
