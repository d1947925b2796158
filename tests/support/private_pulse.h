// A private PulseAudio sound server for live tests and benchmarks: its own
// runtime and home folder, one null sink "mpx" (192 kHz mono unless told) whose monitor
// can be recorded. ALSA's pulse plugin reaches it as the PCM "pulse".
#pragma once

#include <string>

namespace quorvan::test {

class PrivatePulse {
public:
    // Starts the server with XDG_RUNTIME_DIR and HOME in `dir` (set for this
    // process and the programs it starts); ok() tells whether it answers.
    explicit PrivatePulse(const std::string& dir, int rate = 192000);
    ~PrivatePulse();
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;

    bool ok() const { return pid_ > 0; }
    int pid() const { return pid_; }
    const std::string& error() const { return error_; }

private:
    std::string dir_;
    int pid_ = -1;
    std::string error_;
    std::string oldRuntime_, oldHome_;
    bool hadRuntime_ = false, hadHome_ = false;
};

} // namespace quorvan::test
