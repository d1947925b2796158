// Calibration of the bus pause: count how many units of 350,001 loop
// iterations fit into one second of the PC clock.
#pragma once

#include "link/busy_loop.h"
#include "link/clock.h"

#include <cstdint>
#include <string>

namespace quorvan {

inline constexpr std::uint32_t kCalibrationUnitIterations = 350001;
inline constexpr std::int32_t kBusDelayBase = 50000000;
inline constexpr std::int32_t kBusDelayPerUnit = 580;

// Waits (10 ms sleeps) until the seconds field of the clock changes, then runs
// units until it changes again. Returns the number of units run.
std::int32_t CountCpuUnits(const Clock& clock, Sleeper& sleeper, Spinner& spinner);

// N x 580 + 50,000,000, held at the largest 32-bit value instead of wrapping.
std::int32_t BusDelayForUnits(std::int32_t units);

// "CPU Speed: N units"
std::string CpuSpeedText(std::int32_t units);

} // namespace quorvan
