// quorvanctl air --input-device pulse --device pulse on a private PulseAudio
// with two 192 kHz null sinks: pacat plays a synthetic station MPX into
// mpxin, air captures mpxin.monitor and plays into mpxout, parec records
// mpxout.monitor. What comes back is the MPX plus the RDS alone, continuous;
// the test receiver decodes the groups on the recorded pilot, the carrier
// keeps the asked phase against the recorded pilot's third harmonic, a
// radiotext written by another program is on air within 0.5 s, and the
// status file gives the latency measured, within three periods.
#include "cli/cli_runner.h"

#include "air/air_status.h"
#include "air/station_mpx.h"
#include "air/test_demodulator.h"
#include "rds/generator.h"
#include "sim/state_file.h"
#include "support/live_child.h"
#include "support/private_pulse.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <thread>

#include <sys/wait.h>

namespace quorvan::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 192000;

std::vector<float> ReadFloats(const std::string& bytes)
{
    std::vector<float> samples(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
    return samples;
}

// Where samples [from, from + length) of the recording lie in the MPX: the
// lag of the greatest cross-correlation (through FFTW), so that recording
// frame i is MPX frame i - delay.
std::ptrdiff_t FindDelay(const std::vector<float>& rec, std::size_t from, std::size_t length,
                         const std::vector<float>& mpx)
{
    std::size_t n = 1;
    while (n < mpx.size() + length)
        n *= 2;
    std::vector<double> a(n, 0.0), b(n, 0.0), c(n);
    for (std::size_t i = 0; i < length; ++i)
        a[i] = rec[from + i];
    std::copy(mpx.begin(), mpx.end(), b.begin());
    const std::size_t bins = n / 2 + 1;
    auto* fa = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * bins));
    auto* fb = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * bins));
    fftw_plan pa = fftw_plan_dft_r2c_1d(static_cast<int>(n), a.data(), fa, FFTW_ESTIMATE);
    fftw_plan pb = fftw_plan_dft_r2c_1d(static_cast<int>(n), b.data(), fb, FFTW_ESTIMATE);
    fftw_execute(pa);
    fftw_execute(pb);
    for (std::size_t k = 0; k < bins; ++k) {
        const std::complex<double> x(fa[k][0], fa[k][1]), y(fb[k][0], fb[k][1]);
        const std::complex<double> z = std::conj(x) * y;
        fa[k][0] = z.real();
        fa[k][1] = z.imag();
    }
    fftw_plan pc = fftw_plan_dft_c2r_1d(static_cast<int>(n), fa, c.data(), FFTW_ESTIMATE);
    fftw_execute(pc);
    fftw_destroy_plan(pa);
    fftw_destroy_plan(pb);
    fftw_destroy_plan(pc);
    fftw_free(fa);
    fftw_free(fb);
    // c[k] = sum of rec[from + i] * mpx[k + i]; lags whose window runs past the MPX are no candidates.
    std::size_t best = 0;
    for (std::size_t k = 0; k + length <= mpx.size(); ++k)
        if (c[k] > c[best])
            best = k;
    return static_cast<std::ptrdiff_t>(from) - static_cast<std::ptrdiff_t>(best);
}

TEST(CliAirLiveLoop, LoopsTheStationsMpxThroughASoundServerOnItsPilot)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "D3", "A2", "51", "55", "4F", "52", "56", "41", "4E", "20"}).code, 0);
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "rt", "First radiotext"}).code, 0);
    const EncoderState before = Load(state);

    PrivatePulse pulse(box.path("pulse"), kRate, {"mpxin", "mpxout"}, "float32le");
    ASSERT_TRUE(pulse.ok()) << pulse.error();
    StationMpxConfig config;
    config.seconds = 10;  // more than the test plays
    config.pilotHz = 19002.5;
    const StationMpx mpx = MakeStationMpx(config);
    {
        std::ofstream out(box.path("mpx.raw"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(mpx.mpx.data()), static_cast<std::streamsize>(mpx.mpx.size() * 4));
    }
    const std::vector<std::string> raw = {"--rate=192000", "--channels=1", "--format=float32le", "--raw"};
    std::vector<std::string> recArgs = {"-d", "mpxout.monitor", "--latency-msec=10"};
    recArgs.insert(recArgs.end(), raw.begin(), raw.end());
    const int parec = box.start(recArgs, "rec.raw", "parec");
    ASSERT_GT(parec, 0);
    std::vector<std::string> playArgs = {"--playback", "-d", "mpxin", "--latency-msec=200"};
    playArgs.insert(playArgs.end(), raw.begin(), raw.end());
    playArgs.push_back(box.path("mpx.raw"));
    const int pacat = box.start(playArgs, "play.out", "pacat");
    ASSERT_GT(pacat, 0);
    const std::string rec = box.path("rec.raw");
    for (int i = 0; i < 300 && SizeOf(rec) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(SizeOf(rec), 0u) << box.read("rec.raw.err");
    // The MPX flows before air starts, as a station's does: a null sink with
    // no stream to play hands its monitor over in blocks of its own size.
    // pacat's stream is there once the sink has an input; a period of it later
    // its blocks are the stream's size.
    auto inputs = [] {
        std::string out;
        if (FILE* p = ::popen("pactl list short sink-inputs 2>/dev/null", "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, p))
                out += buffer;
            ::pclose(p);
        }
        return out;
    };
    for (int i = 0; i < 300 && inputs().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(inputs().empty()) << box.read("play.out.err");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // The ALSA pulse plugin's PCM, its streams on the two sinks.
    ::setenv("PULSE_SOURCE", "mpxin.monitor", 1);
    ::setenv("PULSE_SINK", "mpxout", 1);
    const int air = box.start({"air", state, "--input-device", "pulse", "--device", "pulse", "--rds-phase", "90"},
                              "air.out");
    ::unsetenv("PULSE_SOURCE");
    ::unsetenv("PULSE_SINK");
    ASSERT_GT(air, 0);
    double recordStart = 1e300;
    auto observe = [&](double forSeconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(forSeconds);
        while (Clock::now() < end) {
            const double now = Seconds(Clock::now());
            recordStart = std::min(recordStart, now - static_cast<double>(SizeOf(rec) / 4) / kRate);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    observe(1.5);
    const auto status = air::ReadAirStatus(state);
    ASSERT_TRUE(status) << box.read("air.out.err");
    EXPECT_EQ(status->device, "ALSA pulse");
    EXPECT_EQ(status->input, "ALSA pulse");
    EXPECT_EQ(status->rate, kRate);
    EXPECT_EQ(status->pid, air);
    EXPECT_NEAR(status->rdsPhase, 90, 0.05);

    // From the moment the file was written: the writer's own start-up (long
    // under the sanitizers) is not the player's delay.
    const double asked = Seconds(Clock::now());
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "rt", "Second radiotext, written while on air"}).code, 0);
    const double written = WrittenAt(state, asked);
    EXPECT_GE(written, asked - 0.05);
    EXPECT_LE(written, Seconds(Clock::now()) + 0.05);
    const EncoderState after = Load(state);
    observe(2.5);
    const auto later = air::ReadAirStatus(state);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->pilot, "locked");
    EXPECT_NEAR(later->pilotHz, config.pilotHz, 0.5);
    // The way through, measured from the two devices: within three periods.
    EXPECT_GT(later->latencyMs, 0);
    EXPECT_GT(later->latencyPeriods, 0);
    EXPECT_NEAR(later->latencyMs, later->latencyPeriods * 20, 0.5);  // periods of 20 ms
    EXPECT_NEAR(later->latencyMs, later->latencyInMs + later->latencyOutMs, 0.01);
    ::kill(air, SIGTERM);
    EXPECT_EQ(WaitFor(air, 3), 0) << box.read("air.out.err");
    ::kill(parec, SIGTERM);
    WaitFor(parec, 3);
    ::kill(pacat, SIGTERM);
    WaitFor(pacat, 3);
    EXPECT_FALSE(std::filesystem::exists(air::AirStatusPath(state)));
    // A sound server may hand the first capture over in a block of its own
    // size before it takes air's: an underrun and a drop at the start, each
    // recovered, counted and told; nothing else to tell, and no clip.
    const std::string told = box.read("air.out.err");
    std::int64_t underrunLines = 0, dropLines = 0;
    for (std::size_t at = 0; at < told.size();) {
        const std::size_t nl = std::min(told.find('\n', at), told.size());
        const std::string line = told.substr(at, nl - at);
        at = nl + 1;
        if (line.rfind("quorvanctl: underrun ", 0) == 0 && line.ends_with(" on ALSA pulse, recovered"))
            ++underrunLines;
        else if (line.rfind("quorvanctl: backlog drop ", 0) == 0 && line.ends_with(", dropped"))
            ++dropLines;
        else
            ADD_FAILURE() << "told: " << line;
    }
    EXPECT_EQ(later->underruns, underrunLines);
    EXPECT_EQ(later->backlogDrops, dropLines);
    EXPECT_LE(later->underruns, 2);
    EXPECT_EQ(later->overruns, 0);
    EXPECT_EQ(later->clips, 0);
    EXPECT_LE(later->latencyPeriods, 3.0);
    RecordProperty("latency_ms", std::to_string(later->latencyMs));

    // The recording from the first frame that came back through the air.
    const std::vector<float> recorded = ReadFloats(box.read("rec.raw"));
    const auto first = static_cast<std::size_t>(
        std::find_if(recorded.begin(), recorded.end(), [](float v) { return v != 0; }) - recorded.begin());
    ASSERT_LT(first + 2 * kRate, recorded.size());
    // Where the MPX lies in it from the radiotext's write on (past the
    // start); from there on what came back is the MPX plus the RDS band alone
    // in every quarter second: no sample lost, added or moved on the way
    // through the two sinks and air, the same lag at the end.
    const auto settled = static_cast<std::size_t>(std::max(0.0, (written - recordStart) * kRate));
    ASSERT_GT(settled, first);
    ASSERT_LT(settled + 2 * kRate + (1 << 15), recorded.size());
    const std::ptrdiff_t delay = FindDelay(recorded, settled, 1 << 15, mpx.mpx);
    EXPECT_EQ(FindDelay(recorded, recorded.size() - kRate / 4 - (1 << 15), 1 << 15, mpx.mpx), delay);
    const auto firstMpx = static_cast<std::size_t>(std::max<std::ptrdiff_t>(delay, 0));
    const std::size_t from = std::max(settled, firstMpx + kRate);
    std::size_t end = recorded.size();
    while (end > from && static_cast<std::ptrdiff_t>(end) - delay > static_cast<std::ptrdiff_t>(mpx.mpx.size()))
        --end;
    ASSERT_GT(end, from + 2 * kRate);
    std::vector<float> rds(end - from);
    std::vector<float> signal(end - from);
    std::vector<double> cycles(end - from);
    for (std::size_t i = from; i < end; ++i) {
        const auto j = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(i) - delay);
        signal[i - from] = recorded[i];
        rds[i - from] = recorded[i] - mpx.mpx[j];
        cycles[i - from] = mpx.pilotCycles[j];
    }
    const std::size_t quarter = kRate / 4;
    float peak = 0;
    double worstOutside = -1e9, worstPhase = 0;
    for (std::size_t t = 0; t + quarter <= rds.size(); t += quarter) {
        const std::vector<float> part(rds.begin() + static_cast<std::ptrdiff_t>(t),
                                      rds.begin() + static_cast<std::ptrdiff_t>(t + quarter));
        for (const float v : part)
            peak = std::max(peak, std::abs(v));
        worstOutside = std::max(worstOutside, OutsideRdsBandDb(part, kRate));
        // The carrier against the recorded pilot's third harmonic, after the
        // lock's first second.
        {
            const double p = RdsCarrierPhase(rds, cycles, t, t + quarter);
            worstPhase = std::max(worstPhase, std::abs(p - std::numbers::pi / 2) * 180 / std::numbers::pi);
        }
    }
    EXPECT_LE(peak, 0.045f * 1.001f);
    EXPECT_GE(peak, 0.045f * 0.9f);
    EXPECT_LE(worstOutside, -40);
    EXPECT_LE(worstPhase, 3.0);
    RecordProperty("phase_worst_degrees", std::to_string(worstPhase));

    // Every group the generator's, the image changing once.
    const Decoded d = DecodeRdsOnPilot(signal, kRate, cycles);
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_GE(d.groups.size(), 20u);
    // Where in the generator's stream the recording begins: the first place
    // from which every group follows, the image changing once.
    auto follow = [&](rds::EncoderStream stream) -> std::optional<std::size_t> {
        std::size_t changedAt = d.groups.size();
        for (std::size_t i = 0; i < d.groups.size(); ++i) {
            if (changedAt == d.groups.size()) {
                rds::EncoderStream old = stream;
                if (old.Next(before) == d.groups[i]) {
                    stream = old;
                    continue;
                }
                changedAt = i;
            }
            if (stream.Next(after) != d.groups[i])
                return std::nullopt;
        }
        return changedAt;
    };
    std::optional<std::size_t> followed;
    rds::EncoderStream start;
    for (int skip = 0; skip < 400 && !followed; ++skip, start.Next(before))
        followed = follow(start);
    ASSERT_TRUE(followed) << "the groups follow the generator's from no place";
    const std::size_t changedAt = *followed;
    ASSERT_LT(changedAt, d.groups.size());
    const double bitSamples = kRate / 1187.5;
    const double sample = static_cast<double>(from) + static_cast<double>(d.firstBitSample) +
                          static_cast<double>(d.firstGroupBit + 104 * static_cast<std::int64_t>(changedAt)) * bitSamples;
    const double latency = recordStart + sample / kRate - written;
    EXPECT_LE(latency, 0.5);
    RecordProperty("radiotext_on_air_ms", std::to_string(static_cast<int>(latency * 1000)));
    std::printf("recording frame i is MPX frame i - %td; latency %.1f ms (%.2f periods); radiotext on air %.0f ms "
                "after the write; phase within %.2f deg of 90; %lld underruns, %lld backlog drops\n",
                delay, later->latencyMs, later->latencyPeriods, latency * 1000, worstPhase,
                static_cast<long long>(later->underruns), static_cast<long long>(later->backlogDrops));
}

} // namespace
} // namespace quorvan::test
