// The busy loop of the bus-speed check for tests: each unit takes one
// millisecond of a ManualTime, so one check counts 1000 units and returns.
#pragma once

#include "link/busy_loop.h"
#include "link/clock.h"

#include <cstdint>

namespace test_support {

class ManualSpinner final : public quorvan::Spinner {
public:
    explicit ManualSpinner(quorvan::ManualTime& time) : time_(time) {}
    void spin(std::uint32_t) override
    {
        ++spins;
        time_.advanceMs(1);
    }
    int spins = 0;

private:
    quorvan::ManualTime& time_;
};

} // namespace test_support
