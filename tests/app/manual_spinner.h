// The busy loop of the bus-speed check for tests: each unit takes one
// millisecond of a ManualTime, so one check counts 1000 units and returns.
// And a process priority that the tests set instead of the real one.
#pragma once

#include "link/busy_loop.h"
#include "link/clock.h"
#include "link/priority.h"

#include <cerrno>

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

// refuseRaise: the system refuses to lower the nice value, as for a user
// without CAP_SYS_NICE.
class ManualPriority final : public quorvan::ProcessPriority {
public:
    int niceness() override { return nice; }
    int setNiceness(int value) override
    {
        if (refuseRaise && value < nice)
            return EACCES;
        nice = value;
        return 0;
    }
    int nice = 0;
    bool refuseRaise = false;
};

} // namespace test_support
