// quorvanctl air --jack on a private JACK server (jackd's dummy driver at
// 192 kHz): a small client of the test plays a synthetic station MPX into
// quorvan-air:mpx_in and records mpx_out. What comes back is the MPX plus
// the RDS alone, sample for sample; the test receiver decodes the groups on
// the MPX's pilot, the carrier keeps its phase against the pilot's third
// harmonic, and a radiotext written by another program is on air within
// 0.5 s. Without a server, or with one too slow for 57 kHz, air refuses in
// one line.
#include "cli/cli_runner.h"

#include "air/air_status.h"
#include "air/station_mpx.h"
#include "air/test_demodulator.h"
#include "rds/generator.h"
#include "sim/state_file.h"
#include "support/live_child.h"
#include "support/private_jack.h"

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <numbers>
#include <optional>
#include <thread>

#include <sys/wait.h>

namespace quorvan::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 192000;

// The test's own JACK client "quorvan-test": plays `mpx` on its port out
// from its first period on, and records its port in into a buffer as long,
// frame n of the recording taken in the same period as frame n played.
class PlayAndRecord {
public:
    explicit PlayAndRecord(const std::vector<float>& mpx) : mpx_(mpx), recording_(mpx.size())
    {
        jack_status_t status{};
        client_ = jack_client_open("quorvan-test", JackNoStartServer, &status);
        if (!client_)
            return;
        out_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        in_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &PlayAndRecord::Process, this);
        active_ = out_ && in_ && jack_activate(client_) == 0;
    }
    ~PlayAndRecord() { stop(); }
    bool ok() const { return active_; }
    std::int64_t frames() const { return frames_.load(); }
    void stop()
    {
        if (client_) {
            if (active_)
                jack_deactivate(client_);
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    const std::vector<float>& recording() const { return recording_; }

private:
    static int Process(jack_nframes_t n, void* self)
    {
        auto* p = static_cast<PlayAndRecord*>(self);
        auto* out = static_cast<float*>(jack_port_get_buffer(p->out_, n));
        const auto* in = static_cast<const float*>(jack_port_get_buffer(p->in_, n));
        const auto at = static_cast<std::size_t>(p->frames_.load());
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = at + i < p->mpx_.size() ? p->mpx_[at + i] : 0.0f;
            if (at + i < p->recording_.size())
                p->recording_[at + i] = in[i];
        }
        p->frames_.store(static_cast<std::int64_t>(at + n));
        return 0;
    }

    const std::vector<float>& mpx_;
    std::vector<float> recording_;
    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    bool active_ = false;
    std::atomic<std::int64_t> frames_{0};
};

TEST(CliAirJack, LoopsTheStationsMpxOnItsPilotAndFollowsTheStateFile)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "D3", "A2", "51", "55", "4F", "52", "56", "41", "4E", "20"}).code, 0);
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "rt", "First radiotext"}).code, 0);
    const EncoderState before = Load(state);

    PrivateJack jack("quorvan-jack", box.path("jackd.log"));
    ASSERT_TRUE(jack.ok()) << jack.error();
    StationMpxConfig config;
    config.seconds = 8;  // more than the test plays
    config.pilotHz = 19002.5;
    const StationMpx mpx = MakeStationMpx(config);
    PlayAndRecord player(mpx.mpx);
    ASSERT_TRUE(player.ok());

    const int air = box.start({"air", state, "--jack", "--input-device", "jack", "--jack-connect",
                               "quorvan-test:out,quorvan-test:in"},
                              "air.out");
    ASSERT_GT(air, 0);
    // Frame n of the recording was taken no later than any observation minus
    // the frames recorded by then.
    double recordStart = 1e300;
    auto observe = [&](double forSeconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(forSeconds);
        while (Clock::now() < end) {
            const double now = Seconds(Clock::now());
            recordStart = std::min(recordStart, now - static_cast<double>(player.frames()) / kRate);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    observe(1.5);
    const auto status = air::ReadAirStatus(state);
    ASSERT_TRUE(status) << box.read("air.out.err");
    EXPECT_EQ(status->device, "JACK quorvan-air");
    EXPECT_EQ(status->rate, kRate);
    EXPECT_EQ(status->pid, air);

    // From the moment the file was written: the writer's own start-up (long
    // under the sanitizers) is not the player's delay.
    const double asked = Seconds(Clock::now());
    ASSERT_EQ(box.run({"--port", "virtual:" + state, "rt", "Second radiotext, written while on air"}).code, 0);
    const double written = WrittenAt(state, asked);
    EXPECT_GE(written, asked - 0.05);
    EXPECT_LE(written, Seconds(Clock::now()) + 0.05);
    const EncoderState after = Load(state);
    observe(1.5);
    // What was recorded before the end, less the periods still on their way.
    const std::int64_t recorded =
        std::min<std::int64_t>(player.frames(), static_cast<std::int64_t>(mpx.mpx.size())) - 4 * 1024;
    ::kill(air, SIGTERM);
    EXPECT_EQ(WaitFor(air, 3), 0) << box.read("air.out.err");
    player.stop();
    EXPECT_FALSE(std::filesystem::exists(air::AirStatusPath(state)));
    const std::string err = box.read("air.out.err");
    EXPECT_NE(err.find("pilot 1900"), std::string::npos) << err;
    EXPECT_NE(err.find(", 0 clipped samples\n"), std::string::npos) << err;

    // The recording from the first frame that came back through the air.
    std::vector<float> rec(player.recording().begin(), player.recording().begin() + recorded);
    const auto first = static_cast<std::size_t>(std::find_if(rec.begin(), rec.end(), [](float v) { return v != 0; }) -
                                                rec.begin());
    ASSERT_LT(first + 2 * kRate, rec.size());
    // The way round the graph delays by whole periods (none, or one where the
    // server breaks the loop test -> air -> test): the delay that leaves the
    // least of the MPX in the recording. Past it, what came back is the MPX
    // plus the RDS band alone: no sample lost, added or moved.
    const std::size_t from = first + kRate / 2, to = from + kRate / 2;
    std::size_t delay = 0;
    double least = 1e300;
    for (std::size_t d = 0; d <= 4 * 1024; ++d) {
        double e = 0;
        for (std::size_t i = from; i < to; i += 7)
            e += std::pow(rec[i] - mpx.mpx[i - d], 2);
        if (e < least) {
            least = e;
            delay = d;
        }
    }
    EXPECT_EQ(delay % 1024, 0u) << delay;
    std::vector<float> rds(rec.size(), 0.0f);
    std::vector<double> cycles(rec.size(), 0.0);
    for (std::size_t i = 0; i < rec.size(); ++i) {
        if (i >= delay) {
            cycles[i] = mpx.pilotCycles[i - delay];
            if (i >= first)
                rds[i] = rec[i] - mpx.mpx[i - delay];
        }
    }
    // (The server may join mpx_out a period before mpx_in: that period
    // brings the RDS alone.)
    float peak = 0;
    for (std::size_t i = first + 2 * 1024; i < rec.size(); ++i)
        peak = std::max(peak, std::abs(rds[i]));
    EXPECT_LE(peak, 0.045f * 1.0001f);
    EXPECT_GE(peak, 0.045f * 0.9f);
    EXPECT_LE(OutsideRdsBandDb(std::vector<float>(rds.begin() + static_cast<std::ptrdiff_t>(from),
                                                  rds.begin() + static_cast<std::ptrdiff_t>(from + kRate)),
                               kRate),
              -40);
    // Locked to the pilot: the carrier within 3 degrees of the pilot's third
    // harmonic in every quarter second after the first.
    double worst = 0;
    for (std::size_t t = first + kRate; t + kRate / 4 <= rec.size(); t += kRate / 4) {
        const double p = RdsCarrierPhase(rds, cycles, t, t + kRate / 4);
        worst = std::max(worst, std::abs(std::remainder(p, std::numbers::pi)) * 180 / std::numbers::pi);
    }
    EXPECT_LE(worst, 3.0);
    RecordProperty("phase_worst_degrees", std::to_string(worst));

    // Every group the generator's, the image changing once.
    const Decoded d = DecodeRdsOnPilot(rec, kRate, cycles);
    EXPECT_EQ(d.badGroups, 0);
    ASSERT_GE(d.groups.size(), 25u);
    rds::EncoderStream stream;
    for (int skip = 0; skip < 5; ++skip) {
        rds::EncoderStream ahead = stream;
        if (ahead.Next(before) == d.groups[0])
            break;
        stream = ahead;
    }
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
        ASSERT_EQ(stream.Next(after), d.groups[i]) << "group " << i << " of " << d.groups.size();
    }
    ASSERT_LT(changedAt, d.groups.size());
    const double bitSamples = kRate / 1187.5;
    const double sample = static_cast<double>(d.firstBitSample) +
                          static_cast<double>(d.firstGroupBit + 104 * static_cast<std::int64_t>(changedAt)) * bitSamples;
    const double latency = recordStart + sample / kRate - written;
    EXPECT_LE(latency, 0.5);
    RecordProperty("radiotext_on_air_ms", std::to_string(static_cast<int>(latency * 1000)));
    std::printf("delay round the graph %zu frames; radiotext on air %.0f ms after the write; phase within %.2f deg\n",
                delay, latency * 1000, worst);
}

// Without --input-device the output is the RDS and the pilot of a sound
// card's live air, on both outputs with --channels 2; mpx_in stays unconnected.
TEST(CliAirJack, WithoutAnInputItPlaysRdsAndPilotOnEveryOutput)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "D3", "A2"}).code, 0);
    PrivateJack jack("quorvan-jack", box.path("jackd.log"));
    ASSERT_TRUE(jack.ok()) << jack.error();
    const std::vector<float> silence(6 * kRate, 0.0f);
    PlayAndRecord recorder(silence);
    ASSERT_TRUE(recorder.ok());
    const CliResult r = box.run({"air", state, "--jack", "--channels", "2", "--pilot-level", "8", "--seconds", "2",
                                 "--jack-connect", ",quorvan-test:in,quorvan-test:in"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::int64_t recorded = recorder.frames();
    recorder.stop();
    std::vector<float> rec(recorder.recording().begin(),
                           recorder.recording().begin() + std::min<std::int64_t>(recorded, 6 * kRate));
    // Both outputs into one input: twice the signal.
    float peak = 0;
    for (const float v : rec)
        peak = std::max(peak, std::abs(v));
    EXPECT_GE(peak, 2 * 0.125f * 0.95f);
    EXPECT_LE(peak, 2 * 0.125f * 1.0001f);
    for (float& v : rec)
        v /= 2;
    const Decoded d = DecodeRds(rec, kRate);
    EXPECT_EQ(d.badGroups, 0);
    EXPECT_GE(d.groups.size(), 15u);
}

TEST(CliAirJack, ARateTooLowOrNoServerIsRefusedInOneLine)
{
    CliSandbox box;
    const std::string state = box.path("enc.state");
    ASSERT_EQ(box.run({"virtual-poke", state, "00", "D3", "A2"}).code, 0);
    {
        PrivateJack slow("quorvan-slow", box.path("slow.log"), 48000);
        ASSERT_TRUE(slow.ok()) << slow.error();
        const CliResult r = box.run({"air", state, "--jack"});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("JACK server \"" + slow.name() + "\" runs at 48000 Hz, below the 128000 Hz"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(air::AirStatusPath(state)));
    }
    ::setenv("JACK_DEFAULT_SERVER", ("quorvan-none-" + std::to_string(::getpid())).c_str(), 1);
    const CliResult r = box.run({"air", state, "--jack", "--input-device", "jack"});
    ::unsetenv("JACK_DEFAULT_SERVER");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("no JACK server \"quorvan-none-"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    // What does not go with JACK.
    EXPECT_EQ(box.run({"air", state, "--jack", "--output", "x.wav"}).code, 2);
    EXPECT_EQ(box.run({"air", state, "--jack", "--input-device", "hw:1"}).code, 2);
    EXPECT_EQ(box.run({"air", state, "--jack-connect", "a,b"}).code, 2);
}

} // namespace
} // namespace quorvan::test
