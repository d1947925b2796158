#include "link/calibration.h"

#include <cstdint>
#include <limits>

namespace quorvan {

std::int32_t CountCpuUnits(const Clock& clock, Sleeper& sleeper, Spinner& spinner)
{
    // Align to the start of a second.
    const int first = clock.now().second;
    while (clock.now().second == first)
        sleeper.sleepMs(10);

    const int second = clock.now().second;
    std::int32_t units = 0;
    while (clock.now().second == second) {
        spinner.spin(kCalibrationUnitIterations);
        if (units < std::numeric_limits<std::int32_t>::max())
            ++units;
    }
    return units;
}

std::int32_t BusDelayForUnits(std::int32_t units)
{
    const std::int64_t delay = static_cast<std::int64_t>(units < 0 ? 0 : units) * kBusDelayPerUnit + kBusDelayBase;
    constexpr std::int64_t max = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(delay > max ? max : delay);
}

std::string CpuSpeedText(std::int32_t units)
{
    return "CPU Speed: " + std::to_string(units) + " units";
}

} // namespace quorvan
