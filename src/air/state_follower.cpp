#include "air/state_follower.h"

#include "sim/shared_state.h"

#include <chrono>
#include <utility>

namespace quorvan::air {

StateFollower::StateFollower(SharedEncoderState& state, Look look, std::function<void(const std::string&)> report)
    : shared_(state), look_(std::move(look)), report_(std::move(report)),
      current_(std::make_unique<EncoderState>(state.encoder()->state()))
{
    if (!look_)
        look_ = [](SharedEncoderState& s, std::string& why) { return s.reloadIfChanged(why); };
    thread_ = std::thread([this] { run(); });
}

StateFollower::~StateFollower()
{
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void StateFollower::ask()
{
    // Without the lock: a wake-up lost between the follower's check and its
    // wait costs at most one kIdleLookMs.
    asked_.store(true, std::memory_order_release);
    wake_.notify_one();
}

bool StateFollower::take()
{
    if (!fresh_.load(std::memory_order_acquire))
        return false;
    std::unique_lock<std::mutex> lock(slotMutex_, std::try_to_lock);
    if (!lock.owns_lock() || !fresh_.load(std::memory_order_relaxed))
        return false;  // being refilled: the next period takes it
    // The old copy goes into the slot, for the follower to refill or free.
    current_.swap(slot_);
    fresh_.store(false, std::memory_order_relaxed);
    return true;
}

void StateFollower::publish(const EncoderState& state)
{
    std::unique_ptr<EncoderState> copy;
    {
        std::lock_guard<std::mutex> lock(slotMutex_);
        if (!fresh_.load(std::memory_order_relaxed))
            copy = std::move(slot_);  // the loop's old copy: refilled here
    }
    if (copy)
        *copy = state;
    else
        copy = std::make_unique<EncoderState>(state);
    {
        std::lock_guard<std::mutex> lock(slotMutex_);
        slot_.swap(copy);
        fresh_.store(true, std::memory_order_release);
    }
    // `copy`: a state the loop never took, or none; freed on this thread.
}

void StateFollower::run()
{
    bool unreadable = false;
    std::unique_lock<std::mutex> lock(wakeMutex_);
    while (!stop_) {
        // Asked by the loop, or kIdleLookMs without a question: a device
        // that waits for a look is never left waiting.
        wake_.wait_for(lock, std::chrono::milliseconds(kIdleLookMs),
                       [this] { return stop_ || asked_.load(std::memory_order_acquire); });
        if (stop_)
            return;
        asked_.store(false, std::memory_order_relaxed);
        lock.unlock();
        std::string why;
        const bool changed = look_(shared_, why);
        if (!why.empty() && !unreadable && report_)
            report_(why + "; the last good state stays on air");
        unreadable = !why.empty();
        if (changed)
            publish(shared_.encoder()->state());
        lock.lock();
    }
}

} // namespace quorvan::air
