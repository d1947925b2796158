// Stepped values: the controls hold whole numbers of steps; the window shows
// steps x step with a fixed number of decimals, and the encoder receives
// codes derived from the step count.
#pragma once

#include <string>

namespace quorvan {

struct SteppedSpec {
    double step;    // size of one step in the shown unit
    int minSteps;   // lowest step count
    int maxSteps;   // highest step count
    int decimals;   // decimals shown
};

inline constexpr SteppedSpec kSEDPSLPSpec{0.5, 1, 256, 1};   // label period 0.5..128 s
inline constexpr SteppedSpec kSEDPS1DLSpec{2.7, 0, 255, 1};  // loop delay 0..688.5 s
inline constexpr SteppedSpec kSERTSWSpec{1.0, 0, 240, 0};    // switching period 0..240 min
inline constexpr SteppedSpec kSEPHASESpec{9.47, 0, 18, 2};   // phase 0..170.46 degrees

// Step count limited to the control's range (stepping clamps at the limits).
int ClampSteps(const SteppedSpec& spec, int steps);
// The shown value of a step count (clamped first).
double SteppedValue(const SteppedSpec& spec, int steps);
// The nearest step count for a shown value, clamped to the range.
int StepsFromValue(const SteppedSpec& spec, double value);
// The value text without unit, e.g. "21.6", "170.46", "5".
std::string SteppedValueText(const SteppedSpec& spec, int steps, char decimalSeparator = '.');

// Codes for the encoder and back (Receive). Every function clamps.
// Label period: 2 x seconds - 1 (0.5 s -> 0, 2.5 s -> 4, 128 s -> 255).
int LabelPeriodCode(int steps);
int LabelPeriodStepsFromCode(int code);
// Loop delay: seconds / 2.7 (21.6 s -> 8, 688.5 s -> 255).
int DelayCode(int steps);
int DelayStepsFromCode(int code);
// Phase: degrees / 9.47 (170.46 -> 18, 123.11 -> 13).
int PhaseCode(int steps);
int PhaseStepsFromCode(int code);

// The same codes from shown values (rounded to the nearest step).
int LabelPeriodCodeFromSeconds(double seconds);
int DelayCodeFromSeconds(double seconds);
int PhaseCodeFromDegrees(double degrees);

// Unit text of SEDPS1DL ("Delay between text loops"): "(infinite)" at the maximum, else "sec".
std::string DelayUnitText(int steps);
// Unit text of SEDPSLP: always "sec".
inline std::string LabelPeriodUnitText() { return "sec"; }
// Unit text of SEPHASE: always "degrees".
inline std::string PhaseUnitText() { return "degrees"; }

} // namespace quorvan
