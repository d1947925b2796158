#include "air/station_mpx.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

namespace quorvan::test {

namespace {

// A sum of tones of random frequency (40 Hz to 15 kHz) and phase whose
// amplitudes add up to `level`; each tone by a rotating phasor.
struct Programme {
    std::vector<std::complex<double>> phasor, step;
    std::vector<double> amplitude;
    Programme(double level, int rate, std::mt19937& random)
    {
        std::uniform_real_distribution<double> frequency(40, 15000), phase(0, 2 * std::numbers::pi), weight(0.2, 1);
        double total = 0;
        for (int i = 0; i < 24; ++i) {
            // The top tones near the band's edge, where the pilot filter is tested hardest.
            const double f = i < 2 ? 15000 - 10 * i : frequency(random);
            phasor.push_back(std::polar(1.0, phase(random)));
            step.push_back(std::polar(1.0, 2 * std::numbers::pi * f / rate));
            amplitude.push_back(weight(random));
            total += amplitude.back();
        }
        for (double& a : amplitude)
            a *= level / total;
    }
    double next()
    {
        double sum = 0;
        for (std::size_t i = 0; i < phasor.size(); ++i) {
            sum += amplitude[i] * phasor[i].imag();
            phasor[i] *= step[i];
        }
        return sum;
    }
};

} // namespace

StationMpx MakeStationMpx(const StationMpxConfig& c)
{
    std::mt19937 random(c.seed);
    Programme mono(c.monoLevel, c.rate, random), stereo(c.stereoLevel, c.rate, random);
    const auto frames = static_cast<std::size_t>(c.seconds * c.rate);
    StationMpx result;
    result.mpx.resize(frames);
    result.pilotCycles.resize(frames);
    const double swing = c.wanderHz * c.wanderSeconds / (2 * std::numbers::pi);
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / c.rate;
        // f(t) = pilotHz + wanderHz sin(2 pi t / wanderSeconds), integrated.
        double cycles = c.startCycles + c.pilotHz * static_cast<double>(n) / c.rate;
        if (c.wanderHz != 0)
            cycles += swing * (1 - std::cos(2 * std::numbers::pi * t / c.wanderSeconds));
        result.pilotCycles[n] = cycles;
        const bool gap = t >= c.gapFrom && t < c.gapTo;
        double x = mono.next();
        const double s = stereo.next();
        if (c.pilotLevel > 0 && !gap) {
            const double theta = 2 * std::numbers::pi * (cycles - std::floor(cycles));
            x += c.pilotLevel * std::sin(theta) + s * std::sin(2 * theta);
        }
        result.mpx[n] = static_cast<float>(x);
    }
    return result;
}

} // namespace quorvan::test
