// The process priority of "High Priority": the bus pauses are less often
// stretched by other programs when the program runs at a higher priority.
//
// Raising the priority needs privileges on Linux (CAP_SYS_NICE, or a "nice"
// limit in /etc/security/limits.conf). Where the system refuses, the program
// runs on at its normal priority and says so once; it never fails for it.
#pragma once

#include <optional>
#include <string>

namespace quorvan {

// The nice value of the calling thread (the one that drives the bus).
class ProcessPriority {
public:
    virtual ~ProcessPriority() = default;
    virtual int niceness() = 0;
    // 0, or the errno of the refusal.
    virtual int setNiceness(int value) = 0;
};

class PosixProcessPriority final : public ProcessPriority {
public:
    int niceness() override;
    int setNiceness(int value) override;
};

// The nice value "High Priority" asks for.
inline constexpr int kHighPriorityNice = -10;

// Checked: the high priority; unchecked: the priority the program started
// with (a program started at a lower priority is not raised to the default).
class HighPriority {
public:
    explicit HighPriority(ProcessPriority& system) : system_(system) {}

    // Applies the box. Returns what to tell the operator: a one-line notice
    // the first time the system refuses the raise, "" otherwise.
    std::string apply(bool on);

private:
    ProcessPriority& system_;
    std::optional<int> normal_;
    bool told_ = false;
};

} // namespace quorvan
