// A private PulseAudio sound server for live tests and benchmarks: its own
// runtime and home folder, one null sink "mpx" (192 kHz mono unless told; or
// the null sinks named, in the sample format named) whose monitor can be
// recorded. ALSA's pulse plugin reaches it as the PCM "pulse"; the first sink
// is the default one, PULSE_SINK and PULSE_SOURCE choose others.
#pragma once

#include <string>
#include <vector>

namespace quorvan::test {

class PrivatePulse {
public:
    // Starts the server with XDG_RUNTIME_DIR and HOME in `dir` (set for this
    // process and the programs it starts); ok() tells whether it answers.
    explicit PrivatePulse(const std::string& dir, int rate = 192000, const std::vector<std::string>& sinks = {"mpx"},
                          const std::string& format = "");
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
