// The looks of a live session's state follower, counted, so that a test
// whose device runs far faster than real time can wait in its sink, as a
// slow card would, until the follower has looked at the state file once
// after a save.
#pragma once

#include "sim/shared_state.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace quorvan::test {

class StateLooks {
public:
    // For SessionHooks::lookAtState: the real look, counted once it is done.
    std::function<bool(SharedEncoderState&, std::string&)> hook()
    {
        return [this](SharedEncoderState& state, std::string& why) {
            const bool changed = state.reloadIfChanged(why);
            std::lock_guard<std::mutex> g(mutex_);
            ++done_;
            change_.notify_all();
            return changed;
        };
    }
    // Waits until a look that began after this call has ended: the one under
    // way ends first, the next one begins after. The bound only ends a
    // broken run.
    bool waitForALook()
    {
        std::unique_lock<std::mutex> g(mutex_);
        const long at = done_;
        return change_.wait_for(g, std::chrono::seconds(10), [&] { return done_ >= at + 2; });
    }

private:
    std::mutex mutex_;
    std::condition_variable change_;
    long done_ = 0;
};

} // namespace quorvan::test
