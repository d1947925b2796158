// The bus pause's unit of work: an empty countdown loop whose counter the
// optimiser must treat as observable. The calibration and every pause run the
// very same function, so that one iteration costs the same in both.
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
