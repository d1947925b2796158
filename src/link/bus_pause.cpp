#include "link/bus_pause.h"

#include "link/calibration.h"

namespace quorvan {

MonoTime PauseForBusDelay(std::int32_t busDelay)
{
    if (busDelay < kBusDelayBase)
        return MonoTime::zero();
    const std::int64_t spins = static_cast<std::int64_t>(busDelay) - kBusDelayBase;
    const std::int64_t units = spins / kBusDelayPerUnit;
    if (units == 0)
        return kNominalPause;
    // (spins + 1) iterations at units x 350,001 iterations per second. At most
    // 2.1e9 x 1e9, well inside 64 bits.
    const std::int64_t perSecond = units * static_cast<std::int64_t>(kCalibrationUnitIterations);
    const std::int64_t ns = ((spins + 1) * 1000000000LL + perSecond - 1) / perSecond;
    return MonoTime(ns);
}

MonoTime PauseSchedule::next(MonoTime now, MonoTime pause)
{
    if (!deadline_ || now - *deadline_ > pause)
        deadline_ = now + pause;
    else
        deadline_ = *deadline_ + pause;
    return *deadline_;
}

} // namespace quorvan
