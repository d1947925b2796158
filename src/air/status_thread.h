// The thread that writes a software encoder's status file, so that a disk
// that stalls never holds up the loop that feeds the device, and the removal
// of that file at the end. Shared by the live sessions of air_session and
// loop_session; it never touches the audio.
#pragma once

#include "air/air_status.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quorvan {
class SettingsFileSystem;
}

namespace quorvan::air {

// Writes the status file on a thread of its own, so that a disk that stalls
// never holds up the loop that feeds the device. The loop hands over the
// newest status without waiting; one that arrives while the last is still
// being written replaces it. A failure is told once, with its cause, until a
// write succeeds again.
class StatusThread {
public:
    StatusThread(std::function<bool(const AirStatus&, std::string&)> write, std::function<void(const std::string&)> report)
        : write_(std::move(write)), report_(std::move(report)), thread_([this] { run(); })
    {
    }
    ~StatusThread()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    // Never blocks: the thread holds the lock only to take a copy.
    void post(const AirStatus& status)
    {
        std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock())
            return;  // the next second brings a newer one
        pending_ = status;
        lock.unlock();
        wake_.notify_one();
    }

private:
    void run()
    {
        bool told = false;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || pending_; });
            if (!pending_)
                return;  // stopped with nothing left to write
            const AirStatus status = *pending_;
            pending_.reset();
            const bool stopping = stop_;
            lock.unlock();
            std::string why;
            const bool ok = write_(status, why);
            if (!ok && !told && report_)
                report_("the status file cannot be written: " + why);
            told = !ok;
            lock.lock();
            if (stopping)
                return;
        }
    }

    std::function<bool(const AirStatus&, std::string&)> write_;
    std::function<void(const std::string&)> report_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<AirStatus> pending_;
    bool stop_ = false;
    std::thread thread_;
};

// Removes the status file (and a loop-through's snapshot) at the end when it
// is still process `pid`'s: another process's status (one that took the file
// over) stays. `fileSystem` nullptr: the real one.
void RemoveOwnStatus(const std::string& statePath, int pid, SettingsFileSystem* fileSystem);

} // namespace quorvan::air
