#include "air/modulator.h"

#include "content/extended_text.h"
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
    if (!RdsPhaseValid(degrees))
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
    tableLevel_ = config.rdsLevel > 0 ? config.rdsLevel : 1;
    level_ = config.rdsLevel;
    gain_ = config.rdsLevel > 0 ? 1 : 0;
    const double scale = tableLevel_ / 100 / envelope;
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
        auto run = static_cast<std::size_t>(
            std::min({inBit, static_cast<std::int64_t>(frames - n), places - cycle_}));
        if (rampLeft_ > 0)
            run = std::min(run, static_cast<std::size_t>(rampLeft_));
        float* o = out + n;
        const float* pilot = &pilotTable_[static_cast<std::size_t>(cycle_)];
        for (std::size_t i = 0; i < run; ++i)
            o[i] = pilot[i];
        const bool ramp = rampLeft_ > 0;
        const auto g = static_cast<float>(gain_);
        const auto dg = static_cast<float>(gainStep_);
        for (int jj = 0; jj < kTaps && subcarrier_ && (ramp || gain_ != 0); ++jj) {
            const float s = symbols_[jj];
            if (s == 0)
                continue;
            const float* t = &symbolTable_[static_cast<std::size_t>(jj) * places_ + static_cast<std::size_t>(cycle_)];
            if (ramp) {
                for (std::size_t i = 0; i < run; ++i)
                    o[i] += s * t[i] * (g + dg * static_cast<float>(i));
            } else {
                const float sg = s * g;
                for (std::size_t i = 0; i < run; ++i)
                    o[i] += sg * t[i];
            }
        }
        advanceGain(run);
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
        const auto g = static_cast<float>(gain_);
        for (int jj = 0; jj < kTaps && subcarrier_; ++jj)
            sample += symbols_[jj] * g * w[jj];
        out[n] = sample;
        advanceGain(1);
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
    slewLeft_ = 0;
}

void Modulator::slewRdsPhase(double degrees)
{
    if (const std::string error = CheckRdsPhase(degrees); !error.empty())
        throw std::invalid_argument(error);
    const double target = std::round(degrees * 10) / 10;
    // From where the carrier stands now (mid-slew too) the shorter way round.
    const double now = slewLeft_ > 0 ? std::atan2(slewSin_, slewCos_) * 180 / std::numbers::pi : rdsPhase_;
    double turn = std::remainder(target - now, 360.0);
    rdsPhase_ = target;
    phaseCos_ = static_cast<float>(std::cos(target * std::numbers::pi / 180));
    phaseSin_ = static_cast<float>(std::sin(target * std::numbers::pi / 180));
    const auto frames = static_cast<std::int64_t>(
        std::ceil(std::abs(turn) / kPhaseSlewDegreesPerSecond * config_.rate));
    if (frames == 0) {
        slewLeft_ = 0;
        return;
    }
    const double step = turn / static_cast<double>(frames) * std::numbers::pi / 180;
    slewCos_ = std::cos(now * std::numbers::pi / 180);
    slewSin_ = std::sin(now * std::numbers::pi / 180);
    stepCos_ = std::cos(step);
    stepSin_ = std::sin(step);
    slewLeft_ = frames;
}

void Modulator::setRdsLevel(double percent)
{
    const double level = std::clamp(std::isfinite(percent) ? percent : 0.0, 0.0, 100 - config_.pilotLevel);
    if (level == level_)
        return;
    level_ = level;
    peak_ = (level + config_.pilotLevel) / 100;
    const double target = level / tableLevel_;
    const auto frames = std::max<std::int64_t>(1, static_cast<std::int64_t>(kLevelRampSeconds * config_.rate));
    gainStep_ = (target - gain_) / static_cast<double>(frames);
    rampLeft_ = frames;
}

void Modulator::advanceGain(std::size_t frames)
{
    if (rampLeft_ == 0)
        return;
    const auto n = static_cast<std::int64_t>(frames);
    if (n >= rampLeft_) {
        rampLeft_ = 0;
        gain_ = level_ / tableLevel_;
        gainStep_ = 0;
    } else {
        rampLeft_ -= n;
        gain_ += gainStep_ * static_cast<double>(n);
    }
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
    const double scale = tableLevel_ / 100 / envelope;
    lockedTable_.resize(static_cast<std::size_t>(kLockedPlaces + 1) * kTaps);
    for (int i = 0; i <= kLockedPlaces; ++i) {
        const double tau = static_cast<double>(i) / kLockedPlaces;
        for (int jj = 0; jj < kTaps; ++jj)
            lockedTable_[static_cast<std::size_t>(i * kTaps + jj)] =
                static_cast<float>(Symbol(tau + jj - kSpan, kSpan) * scale);
    }
    lockedRows_.assign(static_cast<std::size_t>(kPatterns) * (kLockedPlaces + 1), 0.0f);
    lockedRowMade_.assign(kPatterns, false);
}

const float* Modulator::lockedRow(int& sign)
{
    // Before the first kSpan bits have passed, symbols are 0: no row.
    if (!useLockedRows_ || std::any_of(symbols_.begin(), symbols_.end(), [](float v) { return v == 0; }))
        return nullptr;
    sign = symbols_[0] > 0 ? 1 : -1;
    int pattern = 0;
    for (int jj = 1; jj < kTaps; ++jj)
        if (symbols_[static_cast<std::size_t>(jj)] * static_cast<float>(sign) > 0)
            pattern |= 1 << (jj - 1);
    float* row = &lockedRows_[static_cast<std::size_t>(pattern) * (kLockedPlaces + 1)];
    if (!lockedRowMade_[static_cast<std::size_t>(pattern)]) {
        float s[kTaps];
        s[0] = 1;
        for (int jj = 1; jj < kTaps; ++jj)
            s[jj] = pattern & (1 << (jj - 1)) ? 1.0f : -1.0f;
        for (int i = 0; i <= kLockedPlaces; ++i) {
            const float* r = &lockedTable_[static_cast<std::size_t>(i * kTaps)];
            float e = 0;
            for (int jj = 0; jj < kTaps; ++jj)
                e += s[jj] * r[jj];
            row[i] = e;
        }
        lockedRowMade_[static_cast<std::size_t>(pattern)] = true;
    }
    return row;
}

void Modulator::renderLocked(float* out, const PilotClock* clock, std::size_t frames)
{
    if (frames == 0)
        return;
    if (!locked_)
        startLocked(clock[0]);
    // The symbols in locals while they stand still (the output's stores
    // alias nothing then), and the bit's envelope by place where all of
    // them are known.
    float s[kTaps];
    std::copy(symbols_.begin(), symbols_.end(), s);
    int sign = 1;
    const float* envelope = lockedRow(sign);
    std::int64_t bitStart = 16 * (lockedBase_ + bit_);  // the clock's cycle where bit_ begins
    const float* table = lockedTable_.data();
    float pc = phaseCos_, ps = phaseSin_;
    for (std::size_t n = 0; n < frames; ++n) {
        if (slewLeft_ > 0) {
            // One frame's turn of the carrier towards the phase asked for.
            const double c0 = slewCos_;
            slewCos_ = c0 * stepCos_ - slewSin_ * stepSin_;
            slewSin_ = c0 * stepSin_ + slewSin_ * stepCos_;
            pc = static_cast<float>(slewCos_);
            ps = static_cast<float>(slewSin_);
            if (--slewLeft_ == 0) {
                pc = phaseCos_;
                ps = phaseSin_;
            }
        }
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
            envelope = lockedRow(sign);
        }
        // A clock that steps back by a hair onto the bit before stays at the
        // start of this one.
        const double place = cycles < 0 ? 0.0 : (static_cast<double>(cycles) + c.fraction) * (kLockedPlaces / 16.0);
        const int row = std::min(static_cast<int>(place), kLockedPlaces - 1);
        const float f = static_cast<float>(place - row);
        float e0, e1;
        if (envelope) {
            e0 = envelope[row];
            e1 = envelope[row + 1];
            if (sign < 0)
                e0 = -e0, e1 = -e1;
        } else {
            const float* r0 = table + row * kTaps;
            const float* r1 = r0 + kTaps;
            e0 = 0, e1 = 0;
            for (int jj = 0; jj < kTaps; ++jj) {
                e0 += s[jj] * r0[jj];
                e1 += s[jj] * r1[jj];
            }
        }
        // sin(3 phase + rds phase) = Im(e^(j 3 phase) e^(j rds phase)).
        const float p2r = c.re * c.re - c.im * c.im, p2i = 2 * c.re * c.im;
        const float p3r = p2r * c.re - p2i * c.im, p3i = p2r * c.im + p2i * c.re;
        const float carrier = p3i * pc + p3r * ps;
        out[n] = subcarrier_ ? (e0 + f * (e1 - e0)) * carrier * static_cast<float>(gain_) : 0.0f;
        advanceGain(1);
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
