#include "air/test_demodulator.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include <fftw3.h>

namespace quorvan::test {

namespace {

constexpr std::uint32_t kPolynomial = 0b10110111001;  // x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1
constexpr std::uint16_t kA = 0x0FC, kB = 0x198, kC = 0x168, kCp = 0x350, kD = 0x1B4;

std::uint32_t BlockAt(const std::vector<std::uint8_t>& bits, std::size_t at)
{
    std::uint32_t block = 0;
    for (std::size_t i = 0; i < 26; ++i)
        block = (block << 1) | bits[at + i];
    return block;
}

// The group at `at` when all four syndromes are right.
bool GroupAt(const std::vector<std::uint8_t>& bits, std::size_t at, rds::Group& g)
{
    if (at + 104 > bits.size())
        return false;
    std::uint32_t b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = BlockAt(bits, at + 26 * i);
    const std::uint16_t s3 = Syndrome(b[2]);
    if (Syndrome(b[0]) != kA || Syndrome(b[1]) != kB || (s3 != kC && s3 != kCp) || Syndrome(b[3]) != kD)
        return false;
    for (int i = 0; i < 4; ++i)
        g.blocks[i] = static_cast<std::uint16_t>(b[i] >> 10);
    // C' belongs to version B groups only.
    return (s3 == kCp) == g.versionB();
}

Decoded GroupsFromDiffs(const std::vector<double>& diffs);

} // namespace

std::uint16_t Syndrome(std::uint32_t block)
{
    std::uint32_t r = block & 0x3FFFFFF;
    for (int bit = 25; bit >= 10; --bit)
        if (r & (1u << bit))
            r ^= kPolynomial << (bit - 10);
    return static_cast<std::uint16_t>(r);
}

Decoded GroupsFromBits(const std::vector<std::uint8_t>& bits)
{
    Decoded d;
    rds::Group g;
    std::size_t at = 0;
    while (at + 104 <= bits.size() && !GroupAt(bits, at, g))
        ++at;
    if (at + 104 > bits.size())
        return d;
    d.firstGroupBit = static_cast<std::int64_t>(at);
    for (; at + 104 <= bits.size(); at += 104) {
        if (GroupAt(bits, at, g))
            d.groups.push_back(g);
        else {
            d.badAt.push_back((static_cast<std::int64_t>(at) - d.firstGroupBit) / 104);
            ++d.badGroups;
        }
    }
    return d;
}

Decoded DecodeRds(const std::vector<float>& samples, int rate)
{
    const std::size_t n = samples.size();
    const double samplesPerBit = rate / 1187.5;
    // Mixed down with cos and sin of 57 kHz and summed: any half bit is 24
    // whole cycles of 57 kHz, so integrating over half bits removes the
    // double-frequency products and the pilot's (38 and 76 kHz).
    std::vector<double> sumI(n + 1, 0.0), sumQ(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double phase = 2 * std::numbers::pi * std::fmod(57000.0 * static_cast<double>(i), rate) / rate;
        sumI[i + 1] = sumI[i] + samples[i] * std::cos(phase);
        sumQ[i + 1] = sumQ[i] + samples[i] * std::sin(phase);
    }
    auto at = [&](double t) { return static_cast<std::size_t>(std::min<double>(std::max(0.0, std::round(t)), n)); };
    auto half = [&](const std::vector<double>& s, double from) { return s[at(from + samplesPerBit / 2)] - s[at(from)]; };

    // The subcarrier's phase, up to pi: the angle of the squared half-bit vectors.
    std::complex<double> square = 0;
    for (double t = 0; t + samplesPerBit / 2 <= n; t += samplesPerBit / 2) {
        const std::complex<double> z(half(sumI, t), half(sumQ, t));
        square += z * z;
    }
    const double theta = std::arg(square) / 2;
    Decoded result;
    // z = I + jQ of a signal m sin(wt + p) is m (sin p + j cos p) / 2: p = pi/2 - theta.
    const double p = std::numbers::pi / 2 - theta;
    result.carrierPhase = std::atan(std::sin(p) / std::cos(p));
    const double c = std::cos(theta), s = std::sin(theta);
    auto level = [&](double from) { return half(sumI, from) * c + half(sumQ, from) * s; };

    // Bit timing: of 64 places in a bit, the one where the two halves of the
    // bits differ most.
    double bestMetric = -1, bestOffset = 0;
    const std::size_t probeBits = std::min<std::size_t>(4000, static_cast<std::size_t>(n / samplesPerBit) - 1);
    for (int k = 0; k < 64; ++k) {
        const double offset = samplesPerBit * k / 64;
        double metric = 0;
        for (std::size_t b = 0; b < probeBits; ++b) {
            const double t = offset + b * samplesPerBit;
            metric += std::abs(level(t) - level(t + samplesPerBit / 2));
        }
        if (metric > bestMetric) {
            bestMetric = metric;
            bestOffset = offset;
        }
    }
    const std::size_t bitCount = static_cast<std::size_t>((n - bestOffset) / samplesPerBit);
    // Biphase decision, then differential decoding: a change of the level is a 1.
    std::vector<double> diffs(bitCount);
    for (std::size_t b = 0; b < bitCount; ++b) {
        const double t = bestOffset + b * samplesPerBit;
        diffs[b] = level(t) - level(t + samplesPerBit / 2);
    }
    Decoded d = GroupsFromDiffs(diffs);
    d.carrierPhase = result.carrierPhase;
    d.firstBitSample = static_cast<std::int64_t>(std::round(bestOffset));
    return d;
}

namespace {

// Groups from the biphase decisions of successive bits.
Decoded GroupsFromDiffs(const std::vector<double>& diffs)
{
    const std::size_t bitCount = diffs.size();
    double loud = 0;
    for (const double v : diffs)
        loud = std::max(loud, std::abs(v));
    // Leading silence: the bits before the signal are no bits.
    std::size_t first = 0;
    while (first < bitCount && std::abs(diffs[first]) < loud / 4)
        ++first;
    // Trailing silence likewise.
    std::size_t end = bitCount;
    while (end > first && std::abs(diffs[end - 1]) < loud / 4)
        --end;
    std::vector<std::uint8_t> bits;
    for (std::size_t b = first; b < end; ++b)
        bits.push_back(b == first ? 0 : static_cast<std::uint8_t>((diffs[b] > 0) != (diffs[b - 1] > 0)));
    Decoded d = GroupsFromBits(bits);
    if (!bits.empty() && (d.groups.empty() || d.firstGroupBit != 0)) {
        // The first bit after silence has no level before it: try it as a 1.
        bits[0] = 1;
        Decoded other = GroupsFromBits(bits);
        if (other.firstGroupBit == 0)
            d = other;
    }
    d.firstGroupBit += d.firstGroupBit >= 0 ? static_cast<std::int64_t>(first) : 0;
    return d;
}

} // namespace

namespace {

// The band from `low` to `high` Hz alone (an ideal filter, by FFT).
std::vector<double> BandPass(const std::vector<float>& x, int rate, double low, double high)
{
    const int n = static_cast<int>(x.size());
    double* data = fftw_alloc_real(static_cast<std::size_t>(n));
    fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftw_plan forward = fftw_plan_dft_r2c_1d(n, data, spectrum, FFTW_ESTIMATE);
    fftw_plan backward = fftw_plan_dft_c2r_1d(n, spectrum, data, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i)
        data[i] = x[static_cast<std::size_t>(i)];
    fftw_execute(forward);
    for (int i = 0; i <= n / 2; ++i) {
        const double f = static_cast<double>(i) * rate / n;
        const double keep = f >= low && f <= high ? 1.0 / n : 0.0;
        spectrum[i][0] *= keep;
        spectrum[i][1] *= keep;
    }
    fftw_execute(backward);
    std::vector<double> y(data, data + n);
    fftw_destroy_plan(backward);
    fftw_destroy_plan(forward);
    fftw_free(spectrum);
    fftw_free(data);
    return y;
}

double Fraction(double cycles)
{
    return cycles - std::floor(cycles);
}

} // namespace

Decoded DecodeRdsOnPilot(const std::vector<float>& samples, int rate, const std::vector<double>& pilotCycles)
{
    const std::size_t n = std::min(samples.size(), pilotCycles.size());
    const std::vector<double> x = BandPass(samples, rate, 54000, 60000);
    // Mixed down with cos and sin of three times the pilot's phase.
    std::vector<double> sumI(n + 1, 0.0), sumQ(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double phase = 2 * std::numbers::pi * Fraction(3 * Fraction(pilotCycles[i]));
        sumI[i + 1] = sumI[i] + x[i] * std::cos(phase);
        sumQ[i + 1] = sumQ[i] + x[i] * std::sin(phase);
    }
    // Time in cycles of the pilot from sample 0: a bit is 16 of them.
    const double c0 = pilotCycles[0], span = pilotCycles[n - 1] - c0;
    auto at = [&](double t) {
        return static_cast<std::size_t>(
            std::lower_bound(pilotCycles.begin(), pilotCycles.begin() + static_cast<std::ptrdiff_t>(n), c0 + t) -
            pilotCycles.begin());
    };
    auto half = [&](const std::vector<double>& s, double from) { return s[at(from + 8)] - s[at(from)]; };
    std::complex<double> square = 0;
    for (double t = 0; t + 8 <= span; t += 8) {
        const std::complex<double> z(half(sumI, t), half(sumQ, t));
        square += z * z;
    }
    const double theta = std::arg(square) / 2;
    const double p = std::numbers::pi / 2 - theta;
    const double c = std::cos(theta), s = std::sin(theta);
    auto level = [&](double from) { return half(sumI, from) * c + half(sumQ, from) * s; };
    double bestMetric = -1, bestOffset = 0;
    const std::size_t probeBits = std::min<std::size_t>(4000, static_cast<std::size_t>(span / 16) - 1);
    for (int k = 0; k < 64; ++k) {
        const double offset = 16.0 * k / 64;
        double metric = 0;
        for (std::size_t b = 0; b < probeBits; ++b)
            metric += std::abs(level(offset + 16.0 * b) - level(offset + 16.0 * b + 8));
        if (metric > bestMetric) {
            bestMetric = metric;
            bestOffset = offset;
        }
    }
    const auto bitCount = static_cast<std::size_t>((span - bestOffset) / 16);
    std::vector<double> diffs(bitCount);
    for (std::size_t b = 0; b < bitCount; ++b)
        diffs[b] = level(bestOffset + 16.0 * b) - level(bestOffset + 16.0 * b + 8);
    Decoded d = GroupsFromDiffs(diffs);
    d.carrierPhase = std::atan(std::sin(p) / std::cos(p));
    d.firstBitSample = static_cast<std::int64_t>(at(bestOffset));
    return d;
}

double RdsCarrierPhase(const std::vector<float>& samples, const std::vector<double>& pilotCycles, std::size_t from,
                       std::size_t to)
{
    // Blocks of two pilot cycles (six of the carrier, an eighth of a bit):
    // x e^(-j 3 phase) summed over each is (m / 2) e^(j (p - pi / 2)) for a
    // signal m sin(3 phase + p) whose envelope m barely moves in a block;
    // squared, the data's sign drops out.
    std::complex<double> square = 0, block = 0;
    double blockStart = pilotCycles[from];
    for (std::size_t i = from; i < to; ++i) {
        if (pilotCycles[i] - blockStart >= 2) {
            square += block * block;
            block = 0;
            blockStart += 2;
        }
        const double phase = 2 * std::numbers::pi * Fraction(3 * Fraction(pilotCycles[i]));
        block += static_cast<double>(samples[i]) * std::polar(1.0, -phase);
    }
    const double p = (std::arg(square) + std::numbers::pi) / 2;
    return p - std::numbers::pi * std::floor(p / std::numbers::pi);
}

double OutsideRdsBandDb(const std::vector<float>& x, int rate)
{
    const int n = static_cast<int>(x.size());
    double* in = fftw_alloc_real(static_cast<std::size_t>(n));
    fftw_complex* out = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i)
        in[i] = x[static_cast<std::size_t>(i)] * 0.5 * (1 - std::cos(2 * std::numbers::pi * i / n));
    fftw_execute(plan);
    double inside = 0, outside = 0;
    for (int i = 0; i <= n / 2; ++i) {
        const double f = static_cast<double>(i) * rate / n;
        (std::abs(f - 57000) <= 2400 ? inside : outside) += out[i][0] * out[i][0] + out[i][1] * out[i][1];
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
    return 10 * std::log10(outside / inside);
}

double BandPower(const std::vector<float>& x, int rate, double from, double to)
{
    const int n = static_cast<int>(x.size());
    double* in = fftw_alloc_real(static_cast<std::size_t>(n));
    fftw_complex* out = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    double window = 0;
    for (int i = 0; i < n; ++i) {
        const double w = 0.5 * (1 - std::cos(2 * std::numbers::pi * i / n));
        in[i] = x[static_cast<std::size_t>(i)] * w;
        window += w * w;
    }
    fftw_execute(plan);
    double power = 0;
    for (int i = 1; i < (n + 1) / 2; ++i) {
        const double f = static_cast<double>(i) * rate / n;
        if (f >= from && f < to)
            power += out[i][0] * out[i][0] + out[i][1] * out[i][1];
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
    // Parseval: the one-sided bins hold half the power each side.
    return 2 * power / (static_cast<double>(n) * window);
}

} // namespace quorvan::test
