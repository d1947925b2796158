#include "content/steps.h"

#include <cmath>
#include <cstdio>

namespace quorvan {

int ClampSteps(const SteppedSpec& spec, int steps)
{
    return steps < spec.minSteps ? spec.minSteps : (steps > spec.maxSteps ? spec.maxSteps : steps);
}

double SteppedValue(const SteppedSpec& spec, int steps)
{
    return ClampSteps(spec, steps) * spec.step;
}

int StepsFromValue(const SteppedSpec& spec, double value)
{
    if (!std::isfinite(value)) return spec.minSteps;
    const double steps = std::round(value / spec.step);
    if (steps <= spec.minSteps) return spec.minSteps;
    if (steps >= spec.maxSteps) return spec.maxSteps;
    return static_cast<int>(steps);
}

std::string SteppedValueText(const SteppedSpec& spec, int steps, char decimalSeparator)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", spec.decimals, SteppedValue(spec, steps));
    std::string text(buf);
    for (char& c : text)
        if (c == '.') c = decimalSeparator;
    return text;
}

int LabelPeriodCode(int steps) { return ClampSteps(kSEDPSLPSpec, steps) - 1; }
int LabelPeriodStepsFromCode(int code) { return ClampSteps(kSEDPSLPSpec, code + 1); }
int DelayCode(int steps) { return ClampSteps(kSEDPS1DLSpec, steps); }
int DelayStepsFromCode(int code) { return ClampSteps(kSEDPS1DLSpec, code); }
int PhaseCode(int steps) { return ClampSteps(kSEPHASESpec, steps); }
int PhaseStepsFromCode(int code) { return ClampSteps(kSEPHASESpec, code); }

int LabelPeriodCodeFromSeconds(double seconds)
{
    return LabelPeriodCode(StepsFromValue(kSEDPSLPSpec, seconds));
}
int DelayCodeFromSeconds(double seconds) { return DelayCode(StepsFromValue(kSEDPS1DLSpec, seconds)); }
int PhaseCodeFromDegrees(double degrees) { return PhaseCode(StepsFromValue(kSEPHASESpec, degrees)); }

std::string DelayUnitText(int steps)
{
    return ClampSteps(kSEDPS1DLSpec, steps) == kSEDPS1DLSpec.maxSteps ? "(infinite)" : "sec";
}

} // namespace quorvan
