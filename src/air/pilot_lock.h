// The pilot lock of a loop-through: finds the 19 kHz pilot in a station's MPX
// and gives, for every input sample, the phase of the clock that the RDS runs
// on (the 57 kHz carrier is 3 x that phase, the bit clock that phase / 16,
// EN 50067:1998, 1.2 and 1.5).
//
// It knows nothing of devices, files or RDS: samples in, a phase per sample
// out. It never changes the input, never resamples and never jumps: the
// clock's phase is continuous and moves forward at 19 000 Hz +- 2 kPullRange
// at every sample, whatever the input holds (+- kPullRange + kAlignSlew
// wherever a pilot is), so that no bit of the RDS is ever dropped or repeated.
//
// The design, two loops in series:
//  - The measuring loop is a second-order (type II) phase-locked loop: a
//    quadrature mixer against its own oscillator, four complex one-pole
//    low-passes at 500 Hz (72 dB down at 4 kHz from the pilot, where
//    programme audio to 15 kHz and the stereo subcarrier's lower sideband from
//    23 kHz begin, and more above), an arctangent phase detector (linear over
//    +-180 degrees and blind to the pilot's level, so the loop's bandwidth
//    does not depend on it), and a proportional-plus-integral loop filter that
//    steers the oscillator. It acquires with a natural frequency of 20 Hz
//    (pull-in over +-25 Hz, lock in about 0.1 s) and tracks with 5 Hz once its
//    phase error has stayed small for 50 ms: the integrator carries the
//    frequency, so the change of gear is bumpless and a drifting pilot is
//    followed without a standing phase error. The same loop with the same
//    arithmetic is what a stereo decoder or a hardware RDS encoder uses; every
//    figure of it (bandwidth, damping, lock range) is the textbook one, so an
//    engineer can check it on paper.
//  - The output clock is the measured phase itself (the measuring loop's
//    oscillator plus a whole number of cycles) while the loop is locked and
//    aligned. Only where there is nothing to measure does it run on its own:
//    before the first lock, in holdover (pilot too weak for 50 ms: the last
//    frequency, then after 2 s a slew of kHoldoverSlew to 19 000 Hz) and while
//    it slews back onto a returning pilot, never more than kAlignSlew away from
//    the measured frequency, so that a receiver's RDS decoder keeps its lock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvan::air {

inline constexpr double kPilotFrequency = 19000.0;
// The furthest the clock follows a pilot from 19 000 Hz (the standard allows
// +-2 Hz; a sound card's clock adds its own error).
inline constexpr double kPullRange = 25.0;
// Below this peak level (fraction of full scale) the pilot is too weak to
// follow; above kPilotPresent it is there (a station's pilot is 0.06..0.10).
inline constexpr double kPilotWeak = 0.01;
inline constexpr double kPilotPresent = 0.02;
// Too weak for this long: the pilot is lost, the clock holds.
inline constexpr double kLossSeconds = 0.05;
// Held this long, the clock slews to 19 000 Hz at kHoldoverSlew Hz a second.
inline constexpr double kHoldoverSeconds = 2.0;
inline constexpr double kHoldoverSlew = 2.0;
// The most the clock runs faster or slower than the measured pilot while it
// slews onto it, Hz.
inline constexpr double kAlignSlew = 2.0;

// The clock at one sample: the pilot's phase is cycle + fraction cycles since
// the clock began (the pilot itself is sin(2 pi fraction)); re + j im is
// e^(j 2 pi fraction), for the carrier's third harmonic without a sine.
struct PilotClock {
    std::int64_t cycle = 0;
    double fraction = 0;  // 0 <= fraction < 1
    float re = 1;
    float im = 0;
};

class PilotLock {
public:
    enum class State {
        Searching,  // no pilot yet: the clock runs at 19 000 Hz
        Acquiring,  // a pilot is there, the clock slews onto it
        Locked,     // the clock is the measured pilot
        Holdover,   // the pilot is lost: last frequency, then 19 000 Hz
    };

    // Throws std::invalid_argument for a rate outside 64 kHz..1 MHz.
    explicit PilotLock(int rate);

    // One clock per input sample. Any float is taken (a sample that is not
    // finite counts as 0); the clock stays bounded and finite.
    void process(const float* input, PilotClock* clock, std::size_t frames);

    int rate() const { return rate_; }
    State state() const { return state_; }
    bool locked() const { return state_ == State::Locked; }
    // The clock's frequency now, Hz (the measured pilot's while locked).
    double frequency() const;
    // The measured pilot's peak level, fraction of full scale.
    double level() const { return level_; }
    // The measuring loop's phase error now, radians of the pilot (smoothed rms).
    double phaseErrorRms() const;
    std::int64_t framesProcessed() const { return frames_; }
    std::int64_t framesLocked() const { return framesLocked_; }
    // Whether a pilot has been seen at any time.
    bool pilotSeen() const { return seen_; }

private:
    struct Oscillator {
        std::int64_t cycle = 0;
        double fraction = 0;
        double frequency = kPilotFrequency;  // Hz
        void advance(double cycles);
    };

    void updateLoop();
    void updateClock();

    int rate_;
    int fill_ = 0;  // samples of the loop's block so far
    std::int64_t blocks_ = -1;
    double stepRe0_ = 1, stepIm0_ = 0;  // e^(j 2 pi 19000 / rate)
    // Measuring loop.
    Oscillator nco_;
    double ncoRe_ = 1, ncoIm_ = 0, ncoStepRe_ = 1, ncoStepIm_ = 0;
    double integral_ = kPilotFrequency;  // Hz, the integrator's frequency
    double zr_[4] = {}, zi_[4] = {};     // the low-passes' states
    double lowPass_ = 0;                 // one-pole coefficient at 500 Hz
    double lastError_ = 0;               // radians
    double errorPower_ = 0;              // smoothed square of the error
    double level_ = 0;
    bool tracking_ = false;              // narrow gear
    std::int64_t quietFrames_ = 0;       // error small for this long (acquire -> track)
    std::int64_t weakFrames_ = 0;        // pilot weak for this long
    bool present_ = false;
    bool seen_ = false;
    // Output clock.
    Oscillator out_;
    double outRe_ = 1, outIm_ = 0, outStepRe_ = 1, outStepIm_ = 0;
    bool outStale_ = false;  // the output's phasor must be made afresh from its phase
    bool aligned_ = false;
    bool finishing_ = false;  // the block now closes the last gap to the measured phase
    std::int64_t offset_ = 0;  // aligned: out = nco + offset_ cycles
    std::int64_t holdFrames_ = 0;
    State state_ = State::Searching;
    std::int64_t frames_ = 0;
    std::int64_t framesLocked_ = 0;
};

} // namespace quorvan::air
