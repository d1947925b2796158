// The modulator through the test receiver: groups, exact bit timing at odd
// rates, the spectrum, the levels and the pilot's phase.
#include "air/modulator.h"

#include "air/test_demodulator.h"
#include "rds/generator.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>

namespace quorvan::air {
namespace {

image::ImageBytes Image()
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0xD3;
    ram[image::kPI + 1] = 0xA2;
    std::memcpy(ram.data() + image::kPS, "QUORVAN ", 8);
    const char rt[] = "Software encoder: every group through a sound card, bit for bit.";
    std::memset(ram.data() + image::kRT, ' ', image::kRTLength);
    std::memcpy(ram.data() + image::kRT, rt, std::min<std::size_t>(sizeof rt - 1, image::kRTLength));
    ram[image::kRTControl] = 0x01;
    return ram;
}

// The generator's stream, and what went into the modulator.
struct Source {
    image::ImageBytes ram = Image();
    rds::GroupGenerator generator;
    std::vector<rds::Group> sent;
    std::function<rds::Group()> pull()
    {
        return [this] {
            sent.push_back(generator.Next(ram));
            return sent.back();
        };
    }
};

std::vector<float> Render(Modulator& m, double seconds)
{
    std::vector<float> out(static_cast<std::size_t>(seconds * m.config().rate));
    // Odd pieces, as a sound card asks for them.
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t n = std::min<std::size_t>(out.size() - at, 997 + at % 3000);
        m.render(out.data() + at, n);
        at += n;
    }
    return out;
}

TEST(Modulator, TheReceiverDecodesEveryGroupAtEveryRate)
{
    // 171 kHz (144 places a bit), 176.4 and 192 kHz, 228 kHz, and a rate
    // whose period in a bit is too long for a table of its own.
    for (int rate : {171000, 176400, 192000, 228000, 200003}) {
        Source source;
        Modulator m({rate, 4.5, 0}, source.pull());
        const std::vector<float> samples = Render(m, 8);
        const test::Decoded d = test::DecodeRds(samples, rate);
        ASSERT_EQ(d.firstGroupBit, 0) << rate;
        EXPECT_LE(std::abs(d.firstBitSample), 3) << rate;
        EXPECT_EQ(d.badGroups, 0) << rate;
        // Every complete group, in order: 8 s hold 91 whole groups.
        ASSERT_EQ(d.groups.size(), 91u) << rate;
        EXPECT_TRUE(std::equal(d.groups.begin(), d.groups.end(), source.sent.begin())) << rate;
        EXPECT_EQ(m.groupsStarted(), 92) << rate;
        EXPECT_NEAR(d.carrierPhase, 0, 0.02) << rate;  // sin(2 pi 57000 t), from sample 0
    }
}

TEST(Modulator, BitsBeginWhereIntegersPutThemAfterTenMinutes)
{
    // At 176.4 kHz a bit is 148.547... samples; group g begins at the first
    // sample n with n * 2375 >= g * 104 * 2 * rate.
    constexpr int rate = 176400;
    Source source;
    Modulator m({rate, 4.5, 0}, source.pull());
    const std::int64_t group = 6851;  // 600 s in
    const std::int64_t first = (group * 104 * 2 * rate + 2374) / 2375;
    std::vector<float> buffer(1 << 16);
    std::int64_t done = 0;
    while (done < first) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(first - done, buffer.size()));
        m.render(buffer.data(), n);
        done += static_cast<std::int64_t>(n);
    }
    EXPECT_EQ(m.groupsStarted(), group);
    m.render(buffer.data(), 1);
    EXPECT_EQ(m.groupsStarted(), group + 1);
}

// Power spectrum (Hann window) of a signal, bin spacing rate / size.
std::vector<double> PowerSpectrum(const std::vector<float>& x)
{
    const int n = static_cast<int>(x.size());
    double* in = fftw_alloc_real(n);
    fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i)
        in[i] = x[i] * 0.5 * (1 - std::cos(2 * std::numbers::pi * i / n));
    fftw_execute(plan);
    std::vector<double> power(n / 2 + 1);
    for (int i = 0; i <= n / 2; ++i)
        power[i] = out[i][0] * out[i][0] + out[i][1] * out[i][1];
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
    return power;
}

TEST(Modulator, NoMoreThanMinus40DecibelsOutside57PlusMinus2400Hertz)
{
    for (int rate : {171000, 192000}) {
        Source source;
        Modulator m({rate, 4.5, 0}, source.pull());
        const std::vector<float> x = Render(m, 10);
        const std::vector<double> p = PowerSpectrum(x);
        double inside = 0, outside = 0;
        for (std::size_t i = 0; i < p.size(); ++i) {
            const double f = static_cast<double>(i) * rate / static_cast<double>(x.size());
            (std::abs(f - 57000) <= 2400 ? inside : outside) += p[i];
        }
        const double db = 10 * std::log10(outside / inside);
        EXPECT_LE(db, -40) << rate;
        RecordProperty("outside_db_" + std::to_string(rate), std::to_string(db));
    }
}

// Amplitude and phase of sin(2 pi f t + phase) in x[from, from + n).
std::complex<double> Tone(const std::vector<float>& x, std::size_t from, std::size_t n, double f, int rate)
{
    std::complex<double> sum = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        const double phase = 2 * std::numbers::pi * std::fmod(f * static_cast<double>(i), rate) / rate;
        sum += static_cast<double>(x[i]) * std::complex<double>(std::sin(phase), std::cos(phase));
    }
    return sum * (2.0 / static_cast<double>(n));  // a e^{j phase}
}

TEST(Modulator, LevelsArePeaksInPercentOfFullScale)
{
    for (auto [rds, pilot] : {std::pair{4.5, 0.0}, std::pair{10.0, 9.0}, std::pair{2.0, 8.0}}) {
        Source source;
        Modulator m({192000, rds, pilot}, source.pull());
        const std::vector<float> x = Render(m, 10);
        // The pilot alone: its amplitude at 19 kHz over whole seconds.
        EXPECT_NEAR(std::abs(Tone(x, 0, 192000, 19000, 192000)), pilot / 100, pilot / 100 * 0.03 + 1e-4);
        // RDS alone: take the pilot back out, then the greatest sample.
        double peak = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double t = static_cast<double>(i) / 192000;
            const double p = pilot / 100 * std::sin(2 * std::numbers::pi * std::fmod(19000 * t, 1.0));
            peak = std::max(peak, std::abs(x[i] - p));
        }
        EXPECT_GE(peak, rds / 100 * 0.97) << rds;
        EXPECT_LE(peak, rds / 100 * 1.0001) << rds;
    }
    EXPECT_NE(CheckModulatorConfig({127999, 4.5, 0}), "");
    EXPECT_NE(CheckModulatorConfig({192000, 91, 9.5}), "");
    EXPECT_NE(CheckModulatorConfig({192000, -1, 0}), "");
    EXPECT_EQ(CheckModulatorConfig({128000, 91, 9}), "");
    EXPECT_THROW(Modulator({48000, 4.5, 0}, [] { return rds::Group{}; }), std::invalid_argument);
}

TEST(Modulator, TheSubcarrierIsThePilotsThirdHarmonicInPhaseFor60Seconds)
{
    constexpr int rate = 192000;
    Source source;
    Modulator m({rate, 4.5, 9}, source.pull());
    std::vector<float> second(rate);
    for (int s = 0; s < 60; ++s) {
        m.render(second.data(), second.size());
        if (s % 10 != 0 && s != 59)
            continue;
        // The pilot's phase, from this second alone (absolute sample numbers).
        const std::complex<double> pilot = Tone(second, 0, second.size(), 19000, rate);
        const double pilotPhase = std::arg(pilot);
        // The subcarrier's (up to pi: its sign is the data's) from the test receiver.
        const test::Decoded d = test::DecodeRds(second, rate);
        const double third = std::remainder(3 * pilotPhase, std::numbers::pi);
        EXPECT_NEAR(std::remainder(d.carrierPhase - third, std::numbers::pi), 0, 0.02) << s;
        EXPECT_NEAR(pilotPhase, 0, 0.01) << s;  // a second is 19000 whole cycles
    }
}

} // namespace
} // namespace quorvan::air
