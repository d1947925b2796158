// The sound server behind an ALSA plugin PCM (pulse, pipewire, a default
// through them), asked through its own client library what its output really
// runs at: the plugin takes any rate and the server resamples it to its sink's,
// which may be too low to carry 57 kHz. Only asks; never changes the server.
#pragma once

#include <optional>
#include <string>

namespace quorvan::air {

struct ServerSink {
    std::string name;  // the server's default sink ("mpx")
    int rate = 0;      // Hz
};

// The default sink of the PulseAudio-protocol server this process would reach
// (PipeWire answers the same protocol), or nullopt when none answers within
// about a second.
std::optional<ServerSink> AskSoundServer();

} // namespace quorvan::air
