// The calibration's unit of work: an empty countdown loop whose counter the
// optimiser must treat as observable. The bus pauses no longer run it: they
// sleep for as long as the calibrated loop would take (link/bus_pause.h).
#pragma once

#include <cstdint>

namespace quorvan {

void BusyLoop(std::uint32_t iterations);

// Runs busy loops; tests inject one that counts iterations and moves a ManualTime.
class Spinner {
public:
    virtual ~Spinner() = default;
    virtual void spin(std::uint32_t iterations) = 0;
};

class BusyLoopSpinner final : public Spinner {
public:
    void spin(std::uint32_t iterations) override { BusyLoop(iterations); }
};

} // namespace quorvan
