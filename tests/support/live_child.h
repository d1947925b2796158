#pragma once
// What the live tests of `air` share: waiting for a child with a deadline,
// the steady clock in seconds, when a file was written, a file's size and a
// state file read back.

#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>

namespace quorvan::test {

using LiveClock = std::chrono::steady_clock;

inline double Seconds(LiveClock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// When `path` was last written, on the steady clock in seconds (its
// modification time carried over from the system clock): the moment another
// program's write reached the file, whatever that program took before and
// after it. `otherwise` where the file cannot be read.
inline double WrittenAt(const std::string& path, double otherwise)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return otherwise;
    const double steadyNow = Seconds(LiveClock::now());
    const double systemNow = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    const double modified = static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) * 1e-9;
    return steadyNow - (systemNow - modified);
}

inline std::uintmax_t SizeOf(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// Waits for a child for at most `seconds`; its exit code (128 + the signal
// that ended it), or -1 when it had to be killed.
inline int WaitFor(int pid, double seconds)
{
    const auto end = LiveClock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (LiveClock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

inline EncoderState Load(const std::string& path)
{
    EncoderState state;
    std::string error;
    EXPECT_EQ(LoadEncoderState(path, state, error), StateLoad::Loaded) << error;
    return state;
}

} // namespace quorvan::test
