// The software encoder: the virtual encoder's group stream as an RDS signal on
// a sound card, in a file or on stdout, instead of through the encoder chip.
//
// The way is one direction only: state file -> group stream (src/rds) ->
// blocks with check words -> modulator -> sink. The modulator turns bits into
// samples and knows nothing of files or devices; a sink moves samples and
// knows nothing of RDS; the session joins them and follows the state file.
// This folder never writes the encoder's state, never resamples (a sound card
// that cannot run at the exact rate is refused: a resampler to 48 kHz removes
// the 57 kHz signal) and never keeps time of its own: the device's clock paces
// the stream, so the groups can never drift from the audio.
#pragma once

#include "air/pilot_lock.h"
#include "rds/groups.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvan::air {

// The RDS bit rate: 57 kHz / 48 (EN 50067:1998, 1.5). The pilot is 16 times
// it, the subcarrier 48 times.
inline constexpr double kBitRate = 1187.5;
// The lowest sample rate that carries 57 kHz +- 2.4 kHz with room for the
// data-shaping filter's band edge.
inline constexpr int kMinRate = 128000;
inline constexpr int kMaxRate = 768000;
inline constexpr double kDefaultRdsLevel = 4.5;
inline constexpr double kDefaultPilotLevel = 0.0;
inline constexpr double kDefaultRdsPhase = 0.0;

struct ModulatorConfig {
    int rate = 192000;                      // Hz, kMinRate..kMaxRate
    double rdsLevel = kDefaultRdsLevel;      // percent of full scale, peak
    double pilotLevel = kDefaultPilotLevel;  // percent of full scale, peak; 0 = off
};

// "" when the configuration can be played, else why not ("the rate 48000 Hz
// is below 128000 Hz: ...").
std::string CheckModulatorConfig(const ModulatorConfig& config);

// "" for an RDS phase of 0 to 359.9 degrees in steps of 0.1, else why not.
std::string CheckRdsPhase(double degrees);

// A pull source of samples: a sink asks for frames, the modulator takes a new
// group from `nextGroup` whenever its bits run out (a few bits ahead of the
// air, for the data-shaping filter's span).
//
// Bit k begins at the time k / 1187.5 s; sample n is at n / rate. Both are
// kept as integers (the place of sample n within its bit is n * 2375 mod
// 2 * rate, in units of 1 / (2 * rate) bit), so the bit clock stays exact
// over any length of time at any rate, with no resampler. The pilot
// sin(2 pi 19000 t) and the subcarrier sin(2 pi 57000 t) are both functions
// of that one phase: the subcarrier is the pilot's third harmonic, in phase,
// at every sample.
class Modulator {
public:
    // Throws std::invalid_argument for a configuration CheckModulatorConfig refuses.
    Modulator(const ModulatorConfig& config, std::function<rds::Group()> nextGroup);

    // Mono samples, full scale = 1.0.
    void render(float* out, std::size_t frames);
    // Off: the 57 kHz subcarrier is muted (an encoder's "RDS off") while the
    // pilot and the bit clock go on, so that stereo stays and the phase holds.
    void setSubcarrier(bool on) { subcarrier_ = on; }

    // A loop-through: the same groups on the clock of a station's pilot, one
    // PilotClock a frame (from a PilotLock). The 57 kHz carrier is
    // sin(3 x the pilot's phase + the RDS phase) and bit k begins where the
    // pilot's phase has run 16 k cycles from the bit the first frame is in
    // (57 kHz / 48 = 19 kHz / 16, EN 50067:1998, 1.2 and 1.5), so both follow
    // the measured pilot and never a clock of the modulator's own. No pilot
    // is added (the station's is in the input). A modulator renders either
    // this way or the other from its first frame on: mixing them throws
    // std::logic_error.
    void renderLocked(float* out, const PilotClock* clock, std::size_t frames);
    // The carrier's phase against the pilot's third harmonic, degrees
    // (CheckRdsPhase; 90 = quadrature); taken at the next frame. Throws
    // std::invalid_argument for a phase CheckRdsPhase refuses.
    void setRdsPhase(double degrees);
    double rdsPhase() const { return rdsPhase_; }

    // Changes on air, without a click. The RDS level (percent of full scale,
    // peak; 0 to 100 minus the pilot's level, clamped) ramps linearly from the
    // level now to the new one over kLevelRampSeconds. The RDS phase of a
    // loop-through (CheckRdsPhase, else std::invalid_argument) slews the
    // shorter way round at kPhaseSlewDegreesPerSecond: the carrier never
    // jumps, so that a receiver's decoder keeps its own lock.
    static constexpr double kLevelRampSeconds = 0.01;
    static constexpr double kPhaseSlewDegreesPerSecond = 1800;
    void setRdsLevel(double percent);
    void slewRdsPhase(double degrees);
    double rdsLevel() const { return level_; }  // the level asked for (the ramp's end)

    const ModulatorConfig& config() const { return config_; }
    // Groups whose first bit has begun in the frames rendered so far.
    std::int64_t groupsStarted() const;
    std::int64_t framesRendered() const { return frames_; }
    // The greatest magnitude a sample can reach (rdsLevel + pilotLevel) / 100.
    double peak() const { return peak_; }
    // Distinct places of a sample within a bit that the tables hold.
    std::size_t tablePlaces() const { return places_; }

private:
    void renderExact(float* out, std::size_t frames);
    void startLocked(const PilotClock& first);
    void renderScaled(float* out, std::size_t frames);
    void shiftSymbols();
    void nextBit();
    void advanceGain(std::size_t frames);

    static constexpr int kSpan = 4;  // bits of the shaped symbol each side of its own
    static constexpr int kTaps = 2 * kSpan + 1;

    ModulatorConfig config_;
    std::function<rds::Group()> nextGroup_;
    // Place within the bit in units of 1 / period_ bit: exact (period_ = 2 *
    // rate / gcd), or, for a rate whose period would need a huge table, the
    // table index is the place scaled to places_ (13 ns at most, never summed).
    std::int64_t place_ = 0;
    std::int64_t period_ = 0;
    std::int64_t step_ = 0;
    bool exact_ = true;
    std::size_t places_ = 0;
    // Shaped symbol times subcarrier for each place and tap. Exact: in the
    // order the samples visit the places (sample c of a cycle of period_
    // samples is at place c * step_ mod period_), one row a tap, so that the
    // samples of one bit read each row straight through. Scaled: places_ x
    // kTaps by place.
    std::vector<float> symbolTable_;
    std::vector<float> pilotTable_;   // by sample of the cycle (exact) or by place
    std::int64_t cycle_ = 0;          // exact: the next sample's place in the cycle
    double peak_ = 0;

    std::array<float, kTaps> symbols_{};  // +-1 (0 before the first bit): bits k+kSpan .. k-kSpan
    std::int64_t bit_ = 0;                // the bit the next sample belongs to
    std::int64_t frames_ = 0;
    std::array<std::uint8_t, 104> groupBits_{};
    int groupBit_ = 104;
    bool differential_ = false;
    bool subcarrier_ = true;

    // Locked: shaped symbols by place in the bit (kLockedPlaces + 1 rows of
    // kTaps, read with linear interpolation); the carrier comes from the clock.
    static constexpr int kLockedPlaces = 512;
    bool locked_ = false;
    bool bitBegun_ = false;          // a frame of bit_ has been rendered
    std::int64_t lockedBase_ = 0;    // the clock's bit (cycle / 16) of bit 0
    std::vector<float> lockedTable_;
    // The envelope of one bit for each pattern of the kTaps symbols around
    // it: row k (kLockedPlaces + 1 places) is the sum over the taps of
    // lockedTable_ with symbols_[0] = +1 and symbols_[jj] = +1 where bit jj - 1
    // of k is set, summed in the same order as the taps, so that a sample read
    // from it is the very float the taps would give. A pattern whose first
    // symbol is -1 is the row of its negation, negated (exact in floating
    // point). Rows are made when first needed (lockedRowMade_); whatever
    // changes lockedTable_ clears lockedRowMade_.
    static constexpr int kPatterns = 1 << (kTaps - 1);
    std::vector<float> lockedRows_;
    std::vector<bool> lockedRowMade_;
    bool useLockedRows_ = true;  // off: every sample from the taps (the tests compare)
    friend struct ModulatorTaps;
    const float* lockedRow(int& sign);
    double rdsPhase_ = kDefaultRdsPhase;
    float phaseCos_ = 1, phaseSin_ = 0;

    // The RDS tables are made for tableLevel_ (the configured level, or 1 %
    // when that is 0); gain_ scales them to the level on air.
    double tableLevel_ = 1;
    double level_ = 0;
    double gain_ = 1;
    double gainStep_ = 0;          // per frame while rampLeft_ > 0
    std::int64_t rampLeft_ = 0;
    // The carrier's phase on its way to rdsPhase_: one rotation a frame.
    double slewCos_ = 1, slewSin_ = 0;  // the phase now
    double stepCos_ = 1, stepSin_ = 0;  // the rotation of one frame
    std::int64_t slewLeft_ = 0;
};

} // namespace quorvan::air
