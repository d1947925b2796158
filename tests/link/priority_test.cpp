#include "link/priority.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quorvan::test {
namespace {

// The thread's nice value as the tests set it; refuses raises when told to.
class FakePriority final : public ProcessPriority {
public:
    explicit FakePriority(int start) : nice(start) {}
    int niceness() override { return nice; }
    int setNiceness(int value) override
    {
        if (refuseRaise && value < nice)
            return EACCES;
        nice = value;
        return 0;
    }
    int nice;
    bool refuseRaise = false;
};

TEST(HighPriority, RaisesAndReturnsToThePriorityTheProgramStartedWith)
{
    FakePriority system(5);
    HighPriority priority(system);
    EXPECT_EQ(priority.apply(false), "");
    EXPECT_EQ(system.nice, 5) << "unchecked at start: the priority is left as it is";
    EXPECT_EQ(priority.apply(true), "");
    EXPECT_EQ(system.nice, kHighPriorityNice);
    EXPECT_EQ(priority.apply(false), "");
    EXPECT_EQ(system.nice, 5);

    FakePriority already(-15);
    HighPriority higher(already);
    higher.apply(true);
    EXPECT_EQ(already.nice, -15) << "a program started above the high priority is not lowered";
}

TEST(HighPriority, ARefusedRaiseIsToldOnceAndTheProgramRunsOn)
{
    FakePriority system(0);
    system.refuseRaise = true;
    HighPriority priority(system);
    const std::string notice = priority.apply(true);
    EXPECT_NE(notice.find("High Priority is not allowed"), std::string::npos) << notice;
    EXPECT_NE(notice.find("normal priority"), std::string::npos) << notice;
    EXPECT_EQ(system.nice, 0);
    EXPECT_EQ(priority.apply(false), "");
    EXPECT_EQ(priority.apply(true), "") << "said once, not at every click";
}

} // namespace
} // namespace quorvan::test
