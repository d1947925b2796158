// Waiting until a moment on the monotonic clock: what a bus pause sleeps on.
//
// A MonotonicClock reads a time that only ever moves forward, unaffected by
// changes to the PC's date and time; a DeadlineWaiter blocks until such a
// time has come. The bus pause asks for absolute deadlines, so the time spent
// between two waits (writing an edge, the scheduler's wake-up delay) does not
// add up over a transaction.
//
// The system pair sleeps in the kernel; it never spins. Tests use ManualTime,
// which moves when waited on. Another part of the program may supply its own
// waiter (one that serves its sockets until the deadline, say) as long as it
// keeps the one promise of waitUntil: it does not return before the deadline.
#pragma once

#include <chrono>

namespace quorvan {

// Nanoseconds since the monotonic clock's (arbitrary) origin.
using MonoTime = std::chrono::nanoseconds;

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual MonoTime monoNow() const = 0;
};

class DeadlineWaiter {
public:
    virtual ~DeadlineWaiter() = default;
    // Returns once the monotonic clock has reached `deadline` (at once when it
    // already has), never before.
    virtual void waitUntil(MonoTime deadline) = 0;
};

// CLOCK_MONOTONIC, and clock_nanosleep(TIMER_ABSTIME) on it. The first wait
// of each thread lowers that thread's timer slack so that the kernel does not
// defer the wake-up by its default 50 us.
class SystemDeadline final : public MonotonicClock, public DeadlineWaiter {
public:
    MonoTime monoNow() const override;
    void waitUntil(MonoTime deadline) override;

    // The one instance the link uses unless it is given another.
    static SystemDeadline& instance();
};

} // namespace quorvan
