// The thread that looks at a live air's state file, so that a disk (or an NFS
// home) that stalls never holds up the loop that feeds the device: the loop
// only asks for a look and takes the newest state, neither ever waiting. Used
// by the live sessions on a sound card (PlayLive, PlayLiveLoop); it never
// touches the audio.
#pragma once

#include "sim/virtual_encoder.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quorvan {
class SharedEncoderState;
}

namespace quorvan::air {

// Owns the looks at the state file: SharedEncoderState::reloadIfChanged (or
// `look` in its place) runs on the follower's thread alone, when the loop
// asks and, while nothing asks, every kIdleLookMs of wall time. A state that
// changed is copied into a slot; the loop takes it with a swap of pointers
// and gives its old copy back to be freed or refilled here. An unreadable
// file is told once, until it is good again; the last good state stays.
// While the follower lives, nothing else may use the SharedEncoderState.
class StateFollower {
public:
    static constexpr int kIdleLookMs = 50;
    using Look = std::function<bool(SharedEncoderState&, std::string& why)>;

    // `look` nullptr: state.reloadIfChanged. `report`: one line (may be
    // nullptr); it is called on the follower's thread.
    StateFollower(SharedEncoderState& state, Look look, std::function<void(const std::string&)> report);
    ~StateFollower();
    StateFollower(const StateFollower&) = delete;
    StateFollower& operator=(const StateFollower&) = delete;

    // The loop's copy of the state: as the file was at the start, then as
    // the last take() found it.
    const EncoderState& state() const { return *current_; }
    // Never blocks: asks for a look soon.
    void ask();
    // Never blocks and never allocates: true when a newer state than state()
    // was waiting and is now state().
    bool take();

private:
    void run();
    void publish(const EncoderState& state);

    SharedEncoderState& shared_;
    Look look_;
    std::function<void(const std::string&)> report_;
    std::unique_ptr<EncoderState> current_;  // the loop's

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::atomic<bool> asked_{false};
    bool stop_ = false;

    // The slot between the two threads: held only for a swap.
    std::mutex slotMutex_;
    std::unique_ptr<EncoderState> slot_;
    std::atomic<bool> fresh_{false};  // slot_ holds a state the loop has not taken

    std::thread thread_;
};

} // namespace quorvan::air
