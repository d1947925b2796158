// One virtual encoder shared by several programs through its state file (the
// window, quorvanctl commands, quorvanctl follow).
//
// An operation claims the file: an exclusive lock on "STATE.lock" beside the
// file the state is saved in, waited for at most kStateLockWaitMs; it then
// loads the state when another program saved it since, and on release saves
// what the operation changed (atomically, as SaveEncoderState does) before the
// lock goes. Between operations a program may check the file for another
// program's change. The lock is never waited for without bound, and a state
// file that cannot be read is never overwritten. No operation runs without
// the lock: where it cannot be had, the operation ends naming the cause.
#pragma once

#include "link/bus_claim.h"
#include "link/clock.h"
#include "sim/virtual_encoder.h"

#include <functional>
#include <memory>
#include <string>

namespace quorvan {

inline constexpr unsigned kStateLockWaitMs = 3000;
inline constexpr unsigned kStateLockRetryMs = 10;

class SharedEncoderState final : public BusClaim {
public:
    // Loads `path` (a fresh encoder when it does not exist yet); nullptr with
    // `error` naming the cause when it is damaged. The sleeper serves the
    // waits for the lock (nullptr: real sleeps); it must outlive the object.
    static std::shared_ptr<SharedEncoderState> Open(const std::string& path, Sleeper* sleeper, std::string& error);
    SharedEncoderState(std::string path, std::shared_ptr<VirtualEncoder> encoder, Sleeper* sleeper);
    ~SharedEncoderState() override;
    SharedEncoderState(const SharedEncoderState&) = delete;
    SharedEncoderState& operator=(const SharedEncoderState&) = delete;

    const std::string& path() const { return path_; }
    const std::shared_ptr<VirtualEncoder>& encoder() const { return encoder_; }
    // The lock file: beside the file the state is saved in.
    std::string lockPath() const;

    // Takes the lock and loads what another program saved since. false, with
    // the lock not held: the lock stayed taken (the error names its holder),
    // or the file is damaged.
    bool claim(std::string& error) override;
    // Saves what changed since the claim, then lets the lock go. A failed
    // save is kept: saveError() names it and the next release tries again.
    void release() override;
    bool claimed() const { return claimed_; }

    // One change of the encoder under the lock (a status bit, the power, a
    // poke): claim, change, release; false when the claim or the save failed.
    // The state file exists afterwards.
    bool update(const std::function<void(VirtualEncoder&)>& change, std::string& error);
    // Saves a change made outside any claim; false when that save failed or
    // the last release's save did. Nothing to do when nothing changed.
    bool flush(std::string& error);
    const std::string& saveError() const { return saveError_; }

    // Between operations: loads the file when another program has saved it
    // since this program last loaded or saved it. true when the encoder's
    // state was replaced; false when nothing changed, while this program
    // holds the lock, or with `error` set when the file cannot be read.
    // A look costs one stat() while the file stays as it was last read: every
    // writer of this program replaces the file (a new file renamed into its
    // place), which gives it a new identity; an in-place rewrite that keeps
    // size and time stamps is still read within kFullReadEvery looks.
    bool reloadIfChanged(std::string& error);
    static constexpr int kFullReadEvery = 20;

private:
    bool lock(std::string& error);
    void unlock();
    // Loads the file when its text differs from what was last seen.
    bool loadIfChanged(bool& changed, std::string& error);
    // Saves the state when it changed, or with `evenUnchanged` when the file
    // does not exist yet.
    bool save(bool evenUnchanged = false);

    std::string path_;
    std::shared_ptr<VirtualEncoder> encoder_;
    Sleeper* sleeper_;
    std::unique_ptr<Sleeper> ownSleeper_;
    std::string knownText_;     // the file as last loaded or saved ("" before it exists)
    EncoderState knownState_;   // the state that text holds
    // Identity, size and time stamps of the file as last read between
    // operations (empty: read it at the next look).
    std::string seenStat_;
    int looksSinceRead_ = 0;
    int lockFd_ = -1;
    bool lockNamed_ = false; // the holder's name was written into the lock file
    bool claimed_ = false;
    std::string saveError_;
};

} // namespace quorvan
