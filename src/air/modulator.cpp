#include "air/modulator.h"

#include "rds/blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <numeric>
#include <stdexcept>
#include <string>

namespace quorvan::air {

namespace {

// Twice the bit rate, a whole number: sample n lies n * 2375 / (2 * rate)
// bits after bit 0 began.
constexpr std::int64_t kTwiceBitRate = 2375;
// Above this many places in a bit the tables hold this many (a 2.4 MB table).
constexpr std::int64_t kMaxPlaces = 1 << 16;
// The last two bits of the symbol's span on each side fade out (a cosine taper).
constexpr double kTaper = 2.0;

// The impulse response of the overall data-shaping H(f) = cos(pi f td / 4)
// for |f| <= 2 / td, 0 above (EN 50067:1998, 1.7 and figure 2), with time in
// bits (td = 1): h(t) = 2a cos(pi t / a) / (pi (a^2 - 4 t^2)), a = 1/4.
double ShapingResponse(double t)
{
    constexpr double a = 0.25;
    const double den = a * a - 4 * t * t;
    if (std::abs(den) < 1e-12)
        return 2.0;  // the limit at t = +-a/2
    return 2 * a * std::cos(std::numbers::pi * t / a) / (std::numbers::pi * den);
}

// The shaped biphase symbol of a 1 after differential coding, `u` bits after
// its bit began: a positive impulse at a quarter of the bit and a negative one
// at three quarters, each through the shaping filter (EN 50067:1998, 1.6 and
// figure 3), the response cut to kSpan bits each side of the bit's middle.
double Symbol(double u, int span)
{
    const double x = std::abs(u - 0.5);
    if (x >= span)
        return 0;
    double window = 1;
    if (x > span - kTaper)
        window = 0.5 * (1 + std::cos(std::numbers::pi * (x - (span - kTaper)) / kTaper));
    return (ShapingResponse(u - 0.25) - ShapingResponse(u - 0.75)) * window;
}

std::string Percent(double level)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", level);
    return text;
}

} // namespace

std::string CheckModulatorConfig(const ModulatorConfig& config)
{
    if (config.rate < kMinRate)
        return "the sample rate " + std::to_string(config.rate) + " Hz is below " + std::to_string(kMinRate) +
               " Hz, too low to carry the 57 kHz subcarrier";
    if (config.rate > kMaxRate)
        return "the sample rate " + std::to_string(config.rate) + " Hz is above " + std::to_string(kMaxRate) + " Hz";
    if (!(config.rdsLevel >= 0) || !(config.pilotLevel >= 0))
        return "a level must be a percentage from 0 to 100";
    if (config.rdsLevel + config.pilotLevel > 100)
        return "the RDS level " + Percent(config.rdsLevel) + " % and the pilot level " + Percent(config.pilotLevel) +
               " % together exceed 100 % of full scale";
    return "";
}

std::string CheckRdsPhase(double degrees)
{
    const double tenths = std::round(degrees * 10);
    if (!(degrees >= 0) || tenths >= 3600 || std::abs(degrees * 10 - tenths) > 1e-6)
        return "the RDS phase must be 0 to 359.9 degrees in steps of 0.1";
    return "";
}

Modulator::Modulator(const ModulatorConfig& config, std::function<rds::Group()> nextGroup)
    : config_(config), nextGroup_(std::move(nextGroup))
{
    if (const std::string error = CheckModulatorConfig(config); !error.empty())
        throw std::invalid_argument(error);
    const std::int64_t twiceRate = 2 * std::int64_t{config.rate};
    const std::int64_t common = std::gcd(kTwiceBitRate, twiceRate);
    period_ = twiceRate / common;
    step_ = kTwiceBitRate / common;
    exact_ = period_ <= kMaxPlaces;
    places_ = static_cast<std::size_t>(exact_ ? period_ : kMaxPlaces);

    // One place of a sample within its bit fixes the phase of the subcarrier
    // (48 cycles a bit) and of the pilot (16): both tables are indexed by it.
    std::vector<double> shaped(places_ * kTaps);
    std::vector<double> pilot(places_);
    double envelope = 0;
    for (std::size_t i = 0; i < places_; ++i) {
        const double tau = static_cast<double>(i) / static_cast<double>(places_);
        const double carrier = std::sin(2 * std::numbers::pi * 48 * tau);
        double sum = 0;
        for (int jj = 0; jj < kTaps; ++jj) {
            // symbols_[jj] is bit k + kSpan - jj: this sample is tau + jj - kSpan bits into it.
            const double v = Symbol(tau + jj - kSpan, kSpan) * carrier;
            shaped[i * kTaps + jj] = v;
            sum += std::abs(v);
        }
        envelope = std::max(envelope, sum);
        pilot[i] = config.pilotLevel / 100 * std::sin(2 * std::numbers::pi * 16 * tau);
    }
    // The level is the greatest peak any bit sequence can reach at this rate.
    const double scale = config.rdsLevel / 100 / envelope;
    symbolTable_.resize(shaped.size());
    pilotTable_.resize(places_);
    for (std::size_t i = 0; i < places_; ++i) {
        // Exact: row by row in the order of the samples.
        const std::size_t place = exact_ ? static_cast<std::size_t>((static_cast<std::int64_t>(i) * step_) % period_) : i;
        pilotTable_[i] = static_cast<float>(pilot[place]);
        for (int jj = 0; jj < kTaps; ++jj) {
            const float v = static_cast<float>(shaped[place * kTaps + jj] * scale);
            if (exact_)
                symbolTable_[static_cast<std::size_t>(jj) * places_ + i] = v;
            else
                symbolTable_[i * kTaps + jj] = v;
        }
    }
    peak_ = (config.rdsLevel + config.pilotLevel) / 100;

    // Bits 0..kSpan are ahead of the first sample; the bits before bit 0 are silent.
    for (int b = 0; b <= kSpan; ++b)
        shiftSymbols();
    bit_ = 0;
}

void Modulator::nextBit()
{
    if (groupBit_ == rds::kBitsPerGroup) {
        const auto blocks = rds::GroupBlocks(nextGroup_());
        for (int b = 0; b < rds::kBitsPerGroup; ++b)
            groupBits_[b] = (blocks[b / rds::kBitsPerBlock] >> (rds::kBitsPerBlock - 1 - b % rds::kBitsPerBlock)) & 1;
        groupBit_ = 0;
    }
    // Differential coding: a 1 changes the level, a 0 keeps it (EN 50067:1998, 1.6).
    differential_ ^= groupBits_[groupBit_++] != 0;
    symbols_[0] = differential_ ? 1.0f : -1.0f;
    ++bit_;
}

void Modulator::shiftSymbols()
{
    for (int jj = kTaps - 1; jj > 0; --jj)
        symbols_[jj] = symbols_[jj - 1];
    nextBit();
}

void Modulator::renderExact(float* out, std::size_t frames)
{
    const auto places = static_cast<std::int64_t>(places_);
    std::size_t n = 0;
    while (n < frames) {
        // The samples left in this bit, in this cycle and in this call: a run
        // in which the symbols stand still and the tables are read in order.
        const std::int64_t inBit = (period_ - place_ + step_ - 1) / step_;
        const auto run = static_cast<std::size_t>(
            std::min({inBit, static_cast<std::int64_t>(frames - n), places - cycle_}));
        float* o = out + n;
        const float* pilot = &pilotTable_[static_cast<std::size_t>(cycle_)];
        for (std::size_t i = 0; i < run; ++i)
            o[i] = pilot[i];
        for (int jj = 0; jj < kTaps && subcarrier_; ++jj) {
            const float s = symbols_[jj];
            if (s == 0)
                continue;
            const float* t = &symbolTable_[static_cast<std::size_t>(jj) * places_ + static_cast<std::size_t>(cycle_)];
            for (std::size_t i = 0; i < run; ++i)
                o[i] += s * t[i];
        }
        n += run;
        cycle_ += static_cast<std::int64_t>(run);
        if (cycle_ == places)
            cycle_ = 0;
        place_ += static_cast<std::int64_t>(run) * step_;
        if (place_ >= period_) {
            place_ -= period_;
            shiftSymbols();
        }
    }
}

void Modulator::renderScaled(float* out, std::size_t frames)
{
    for (std::size_t n = 0; n < frames; ++n) {
        const auto index = static_cast<std::size_t>(place_ * static_cast<std::int64_t>(places_) / period_);
        const float* w = &symbolTable_[index * kTaps];
        float sample = pilotTable_[index];
        for (int jj = 0; jj < kTaps && subcarrier_; ++jj)
            sample += symbols_[jj] * w[jj];
        out[n] = sample;
        place_ += step_;
        if (place_ >= period_) {
            place_ -= period_;
            shiftSymbols();
        }
    }
}

void Modulator::render(float* out, std::size_t frames)
{
    if (locked_)
        throw std::logic_error("a modulator that follows a pilot renders on its clock alone");
    if (exact_)
        renderExact(out, frames);
    else
        renderScaled(out, frames);
    frames_ += static_cast<std::int64_t>(frames);
}

void Modulator::setRdsPhase(double degrees)
{
    if (const std::string error = CheckRdsPhase(degrees); !error.empty())
        throw std::invalid_argument(error);
    rdsPhase_ = std::round(degrees * 10) / 10;
    phaseCos_ = static_cast<float>(std::cos(rdsPhase_ * std::numbers::pi / 180));
    phaseSin_ = static_cast<float>(std::sin(rdsPhase_ * std::numbers::pi / 180));
}

void Modulator::startLocked(const PilotClock& first)
{
    if (frames_ > 0)
        throw std::logic_error("a modulator that has rendered on its own clock cannot follow a pilot");
    locked_ = true;
    // The first frame's bit is bit 0 (floor of cycle / 16).
    lockedBase_ = first.cycle >= 0 ? first.cycle / 16 : -((15 - first.cycle) / 16);
    // The level is the greatest peak of the envelope over any bit sequence,
    // the carrier's peak being 1.
    double envelope = 0;
    for (int i = 0; i <= 8 * kLockedPlaces; ++i) {
        const double tau = static_cast<double>(i) / (8 * kLockedPlaces);
        double sum = 0;
        for (int jj = 0; jj < kTaps; ++jj)
            sum += std::abs(Symbol(tau + jj - kSpan, kSpan));
        envelope = std::max(envelope, sum);
    }
    const double scale = config_.rdsLevel / 100 / envelope;
    lockedTable_.resize(static_cast<std::size_t>(kLockedPlaces + 1) * kTaps);
    for (int i = 0; i <= kLockedPlaces; ++i) {
        const double tau = static_cast<double>(i) / kLockedPlaces;
        for (int jj = 0; jj < kTaps; ++jj)
            lockedTable_[static_cast<std::size_t>(i * kTaps + jj)] =
                static_cast<float>(Symbol(tau + jj - kSpan, kSpan) * scale);
    }
}

void Modulator::renderLocked(float* out, const PilotClock* clock, std::size_t frames)
{
    if (frames == 0)
        return;
    if (!locked_)
        startLocked(clock[0]);
    // The symbols in locals while they stand still (the output's stores
    // alias nothing then).
    float s[kTaps];
    std::copy(symbols_.begin(), symbols_.end(), s);
    std::int64_t bitStart = 16 * (lockedBase_ + bit_);  // the clock's cycle where bit_ begins
    const float* table = lockedTable_.data();
    const float pc = phaseCos_, ps = phaseSin_;
    for (std::size_t n = 0; n < frames; ++n) {
        const PilotClock& c = clock[n];
        // Cycles of the pilot since bit_ began; a new bit every 16.
        std::int64_t cycles = c.cycle - bitStart;
        if (cycles >= 16) {
            do {
                shiftSymbols();
                cycles -= 16;
                bitStart += 16;
            } while (cycles >= 16);
            std::copy(symbols_.begin(), symbols_.end(), s);
        }
        // A clock that steps back by a hair onto the bit before stays at the
        // start of this one.
        const double place = cycles < 0 ? 0.0 : (static_cast<double>(cycles) + c.fraction) * (kLockedPlaces / 16.0);
        const int row = std::min(static_cast<int>(place), kLockedPlaces - 1);
        const float f = static_cast<float>(place - row);
        const float* r0 = table + row * kTaps;
        const float* r1 = r0 + kTaps;
        float e0 = 0, e1 = 0;
        for (int jj = 0; jj < kTaps; ++jj) {
            e0 += s[jj] * r0[jj];
            e1 += s[jj] * r1[jj];
        }
        // sin(3 phase + rds phase) = Im(e^(j 3 phase) e^(j rds phase)).
        const float p2r = c.re * c.re - c.im * c.im, p2i = 2 * c.re * c.im;
        const float p3r = p2r * c.re - p2i * c.im, p3i = p2r * c.im + p2i * c.re;
        const float carrier = p3i * pc + p3r * ps;
        out[n] = subcarrier_ ? (e0 + f * (e1 - e0)) * carrier : 0.0f;
    }
    bitBegun_ = true;
    frames_ += static_cast<std::int64_t>(frames);
}

std::int64_t Modulator::groupsStarted() const
{
    if (locked_) {
        const std::int64_t begun = bit_ + (bitBegun_ ? 1 : 0);
        return (begun + rds::kBitsPerGroup - 1) / rds::kBitsPerGroup;
    }
    // The next sample belongs to bit_; that bit has begun in the frames
    // rendered unless the next sample is its first.
    const std::int64_t bitsStarted = bit_ + (place_ >= step_ ? 1 : 0);
    return (bitsStarted + rds::kBitsPerGroup - 1) / rds::kBitsPerGroup;
}

} // namespace quorvan::air
