// A station's MPX for the loop-through tests, with the truth known: mono
// programme to 15 kHz, the stereo difference on the 38 kHz DSB-SC subcarrier
// (the pilot's second harmonic), and the 19 kHz pilot, which may sit off
// 19 000 Hz, wander slowly, stop for a while (the subcarrier with it, as a
// stereo encoder that falls back to mono) or be missing.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvan::test {

struct StationMpxConfig {
    int rate = 192000;
    double seconds = 2;
    double pilotHz = 19000;
    double pilotLevel = 0.08;     // peak, fraction of full scale; 0 = no pilot (and mono)
    double wanderHz = 0;          // the pilot's frequency swings this much either way ...
    double wanderSeconds = 20;    // ... over this period
    double startCycles = 0.37;    // the pilot's phase at sample 0, cycles
    double monoLevel = 0.45;      // (L + R) / 2, peak
    double stereoLevel = 0.4;     // (L - R) / 2, peak; 0 = mono
    double gapFrom = -1, gapTo = -1;  // seconds without pilot and subcarrier
    unsigned seed = 1;
};

struct StationMpx {
    std::vector<float> mpx;
    // The pilot's phase at each sample, cycles (the pilot is sin(2 pi phase)),
    // also where it is silent.
    std::vector<double> pilotCycles;
};

StationMpx MakeStationMpx(const StationMpxConfig& config);

} // namespace quorvan::test
