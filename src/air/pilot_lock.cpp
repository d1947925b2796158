#include "air/pilot_lock.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace quorvan::air {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// The loop filter runs once a block of this many samples (6 kHz at 192 kHz,
// far above the loop's bandwidth); the mixer and the low-passes run at every
// sample.
constexpr int kBlock = 32;
constexpr std::int64_t kResync = 16;
constexpr double kLowPassHertz = 500;
constexpr double kDamping = std::numbers::sqrt2 / 2;
constexpr double kAcquireNatural = kTwoPi * 20;  // rad/s
constexpr double kTrackNatural = kTwoPi * 5;
// The error's smoothing, and the limits that change the gear.
constexpr double kErrorSeconds = 0.02;
constexpr double kQuietError = 5 * std::numbers::pi / 180;
constexpr double kLostError = 20 * std::numbers::pi / 180;
constexpr double kQuietSeconds = 0.05;
// The output clock slews onto the measured phase with this gain (1/s), at
// most kAlignSlew Hz away, and counts as aligned within kAlignedCycles.
constexpr double kAlignGain = 40;
constexpr double kAlignedCycles = 1e-4;

// e^(j 2 pi f / rate) from the step at 19 000 Hz and a small turn (|x| < 0.01
// rad, so that four terms of each series are exact to the last bit).
void Step(double frequency, int rate, double stepRe0, double stepIm0, double& re, double& im)
{
    const double x = kTwoPi * (frequency - kPilotFrequency) / rate;
    const double x2 = x * x;
    const double c = 1 - x2 / 2 * (1 - x2 / 12 * (1 - x2 / 30));
    const double s = x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42)));
    re = stepRe0 * c - stepIm0 * s;
    im = stepRe0 * s + stepIm0 * c;
}

} // namespace

void PilotLock::Oscillator::advance(double cycles)
{
    // 0 < cycles < 1: at most one whole cycle more.
    fraction += cycles;
    if (fraction >= 1) {
        fraction -= 1;
        ++cycle;
    }
}

PilotLock::PilotLock(int rate) : rate_(rate)
{
    if (rate < 64000 || rate > 1000000)
        throw std::invalid_argument("the pilot lock needs a sample rate from 64 to 1000 kHz, not " +
                                    std::to_string(rate) + " Hz");
    lowPass_ = 1 - std::exp(-kTwoPi * kLowPassHertz / rate);
    stepRe0_ = std::cos(kTwoPi * kPilotFrequency / rate);
    stepIm0_ = std::sin(kTwoPi * kPilotFrequency / rate);
}

double PilotLock::frequency() const
{
    return aligned_ ? integral_ : out_.frequency;
}

double PilotLock::phaseErrorRms() const
{
    return std::sqrt(errorPower_);
}

void PilotLock::process(const float* input, PilotClock* clock, std::size_t frames)
{
    std::size_t n = 0;
    while (n < frames) {
        if (fill_ == 0) {
            // The oscillators' phasors turn by their steps, and are made
            // afresh from their phases every kResync blocks (and whenever
            // the output clock comes off the measured one).
            const bool resync = ++blocks_ % kResync == 0;
            if (resync) {
                ncoRe_ = std::cos(kTwoPi * nco_.fraction);
                ncoIm_ = std::sin(kTwoPi * nco_.fraction);
            }
            Step(nco_.frequency, rate_, stepRe0_, stepIm0_, ncoStepRe_, ncoStepIm_);
            if (!aligned_) {
                if (resync || outStale_) {
                    outRe_ = std::cos(kTwoPi * out_.fraction);
                    outIm_ = std::sin(kTwoPi * out_.fraction);
                    outStale_ = false;
                }
                Step(out_.frequency, rate_, stepRe0_, stepIm0_, outStepRe_, outStepIm_);
            }
        }
        const std::size_t run = std::min<std::size_t>(frames - n, static_cast<std::size_t>(kBlock - fill_));
        const double ncoIncrement = nco_.frequency / rate_;
        const double outIncrement = out_.frequency / rate_;
        const double a = lowPass_;
        // The state in locals for the run (the clock's stores alias nothing then).
        double z0r = zr_[0], z1r = zr_[1], z2r = zr_[2], z3r = zr_[3];
        double z0i = zi_[0], z1i = zi_[1], z2i = zi_[2], z3i = zi_[3];
        Oscillator nco = nco_, out = out_;
        double pr = ncoRe_, pi = ncoIm_, qr = outRe_, qi = outIm_;
        const double sr = ncoStepRe_, si = ncoStepIm_, tr = outStepRe_, ti = outStepIm_;
        const bool aligned = aligned_;
        const std::int64_t offset = offset_;
        const float* x = input + n;
        PilotClock* c = clock + n;
        for (std::size_t i = 0; i < run; ++i) {
            double v = x[i];
            if (!std::isfinite(v))
                v = 0;
            // The quadrature mixer, x e^(-j phase), and the low-passes.
            z0r += a * (v * pr - z0r);
            z0i += a * (-v * pi - z0i);
            z1r += a * (z0r - z1r);
            z1i += a * (z0i - z1i);
            z2r += a * (z1r - z2r);
            z2i += a * (z1i - z2i);
            z3r += a * (z2r - z3r);
            z3i += a * (z2i - z3i);
            if (aligned) {
                c[i].cycle = nco.cycle + offset;
                c[i].fraction = nco.fraction;
                c[i].re = static_cast<float>(pr);
                c[i].im = static_cast<float>(pi);
            } else {
                c[i].cycle = out.cycle;
                c[i].fraction = out.fraction;
                c[i].re = static_cast<float>(qr);
                c[i].im = static_cast<float>(qi);
                out.advance(outIncrement);
                const double r = qr * tr - qi * ti;
                qi = qr * ti + qi * tr;
                qr = r;
            }
            nco.advance(ncoIncrement);
            const double r = pr * sr - pi * si;
            pi = pr * si + pi * sr;
            pr = r;
        }
        nco_.cycle = nco.cycle, nco_.fraction = nco.fraction;
        out_.cycle = out.cycle, out_.fraction = out.fraction;
        ncoRe_ = pr, ncoIm_ = pi, outRe_ = qr, outIm_ = qi;
        zr_[0] = z0r, zr_[1] = z1r, zr_[2] = z2r, zr_[3] = z3r;
        zi_[0] = z0i, zi_[1] = z1i, zi_[2] = z2i, zi_[3] = z3i;
        if (aligned_) {
            out_.cycle = nco_.cycle + offset_;
            out_.fraction = nco_.fraction;
            outStale_ = true;
        }
        n += run;
        fill_ += static_cast<int>(run);
        frames_ += static_cast<std::int64_t>(run);
        if (state_ == State::Locked)
            framesLocked_ += static_cast<std::int64_t>(run);
        if (fill_ == kBlock) {
            fill_ = 0;
            updateLoop();
            updateClock();
        }
    }
}

void PilotLock::updateLoop()
{
    const double t = static_cast<double>(kBlock) / rate_;
    // LPF(x e^(-j phase)) of A sin(phase + e) is -j (A / 2) e^(j e).
    const double re = -zi_[3], im = zr_[3];
    level_ = 2 * std::hypot(re, im);
    const bool weak = level_ < kPilotWeak;
    if (level_ >= kPilotPresent) {
        present_ = true;
        seen_ = true;
    }
    weakFrames_ = weak ? weakFrames_ + kBlock : 0;
    if (weakFrames_ >= static_cast<std::int64_t>(kLossSeconds * rate_)) {
        present_ = false;
        tracking_ = false;
        quietFrames_ = 0;
    }
    if (weak || !present_) {
        // Nothing to measure: the oscillator coasts on the integrator.
        nco_.frequency = integral_;
        return;
    }
    const double error = std::atan2(im, re);
    lastError_ = error;
    errorPower_ += (error * error - errorPower_) * std::min(1.0, t / kErrorSeconds);
    if (errorPower_ < kQuietError * kQuietError)
        quietFrames_ += kBlock;
    else
        quietFrames_ = 0;
    if (quietFrames_ >= static_cast<std::int64_t>(kQuietSeconds * rate_))
        tracking_ = true;
    if (errorPower_ > kLostError * kLostError) {
        tracking_ = false;
        quietFrames_ = 0;
    }
    // The loop filter: proportional and integral, in Hz of the oscillator.
    const double natural = tracking_ ? kTrackNatural : kAcquireNatural;
    const double kp = 2 * kDamping * natural, ki = natural * natural;
    integral_ += ki * error * t / kTwoPi;
    integral_ = std::clamp(integral_, kPilotFrequency - kPullRange, kPilotFrequency + kPullRange);
    nco_.frequency = std::clamp(integral_ + kp * error / kTwoPi, kPilotFrequency - 2 * kPullRange,
                                kPilotFrequency + 2 * kPullRange);
}

void PilotLock::updateClock()
{
    const double t = static_cast<double>(kBlock) / rate_;
    if (present_) {
        holdFrames_ = 0;
        if (tracking_) {
            if (aligned_) {
                state_ = State::Locked;
                return;
            }
            // Slew onto the measured phase, the nearest whole cycle of it.
            double d = nco_.fraction - out_.fraction;
            d -= std::round(d);
            if (finishing_) {
                // The last block made up the rest to within rounding.
                finishing_ = false;
                offset_ = out_.cycle - nco_.cycle + static_cast<std::int64_t>(std::round(out_.fraction - nco_.fraction));
                aligned_ = true;
                out_.cycle = nco_.cycle + offset_;
                out_.fraction = nco_.fraction;
                out_.frequency = integral_;
                state_ = State::Locked;
                return;
            }
            if (std::abs(d) < kAlignedCycles) {
                // Close: the next block runs the rest of the way, at the
                // oscillator's frequency plus d over the block.
                out_.frequency = nco_.frequency + d * rate_ / kBlock;
                finishing_ = true;
            } else {
                out_.frequency = integral_ + std::clamp(kAlignGain * d, -kAlignSlew, kAlignSlew);
            }
            state_ = State::Acquiring;
            return;
        }
        // Measuring, not yet locked: the clock keeps its own frequency.
        finishing_ = false;
        if (aligned_) {
            aligned_ = false;
            out_.frequency = integral_;
        }
        state_ = State::Acquiring;
        return;
    }
    finishing_ = false;
    if (aligned_) {
        aligned_ = false;
        out_.frequency = integral_;
    }
    if (!seen_) {
        state_ = State::Searching;
        return;
    }
    state_ = State::Holdover;
    holdFrames_ += kBlock;
    if (holdFrames_ >= static_cast<std::int64_t>(kHoldoverSeconds * rate_)) {
        const double step = kHoldoverSlew * t;
        out_.frequency += std::clamp(kPilotFrequency - out_.frequency, -step, step);
    }
    // The measuring loop starts again from where the clock is.
    integral_ = out_.frequency;
    nco_.frequency = integral_;
}

} // namespace quorvan::air
