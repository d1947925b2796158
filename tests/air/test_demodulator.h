// A receiver for the tests, written from EN 50067:1998 and not from the
// modulator: coherent demodulation of the 57 kHz subcarrier (its phase found
// by squaring, as a receiver without the pilot finds it), the biphase decision
// over the two halves of each bit (its timing found from the signal),
// differential decoding, and block and group sync by syndrome.
#pragma once

#include "rds/groups.h"

#include <cstdint>
#include <vector>

namespace quorvan::test {

// The remainder of a 26-bit block divided by the generator polynomial: the
// offset word of a correct block (EN 50067:1998, B.2). Bit by bit, highest
// power first.
std::uint16_t Syndrome(std::uint32_t block);

struct Decoded {
    std::vector<rds::Group> groups;  // from the first group found by syndrome, in order
    std::int64_t firstGroupBit = -1; // the bit at which the first group begins
    std::int64_t firstBitSample = 0; // the sample nearest the start of bit 0
    int badGroups = 0;               // groups in the run whose blocks failed their syndrome
    std::vector<std::int64_t> badAt; // their places in the run (0 = the first group found)
    double carrierPhase = 0;         // radians, of sin(2 pi 57000 t) at sample 0, -pi/2..pi/2
};

// Groups follow each other every 104 bits from the first one found; a group
// whose syndromes fail is counted and left out. Silence before and after the
// signal is no bits; the bit before the signal is taken as whatever makes the
// first block's syndrome right.
Decoded DecodeRds(const std::vector<float>& samples, int rate);

// The same receiver on a pilot's clock, as a stereo decoder's pilot loop gives
// it: the pilot's phase at every sample (cycles; the pilot is sin(2 pi phase))
// is the reference, the carrier its third harmonic, a bit 16 of its cycles.
// The RDS band (57 kHz +- 3 kHz) is cut out first, so that programme and
// stereo subcarrier may be present. carrierPhase is against sin(3 phase).
Decoded DecodeRdsOnPilot(const std::vector<float>& samples, int rate, const std::vector<double>& pilotCycles);

// The RDS carrier's phase against sin(3 x the pilot's phase), radians 0..pi
// (the data's sign leaves it open by pi), over samples [from, to) of a signal
// that holds the RDS alone.
double RdsCarrierPhase(const std::vector<float>& samples, const std::vector<double>& pilotCycles, std::size_t from,
                       std::size_t to);

// Groups from a bit stream (after differential decoding): sync by syndrome.
Decoded GroupsFromBits(const std::vector<std::uint8_t>& bits);

// Share of the power of x (at `rate`) outside 57 kHz +- 2.4 kHz, in decibels,
// through a Hann window: how much of a signal lies outside the RDS band.
double OutsideRdsBandDb(const std::vector<float>& x, int rate);

// The mean square of x (at `rate`) between `from` and `to` Hz, through a Hann
// window: a sine of amplitude a wholly in the band gives a^2 / 2.
double BandPower(const std::vector<float>& x, int rate, double from, double to);

} // namespace quorvan::test
