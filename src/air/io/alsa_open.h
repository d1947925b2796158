#pragma once
// Opening an ALSA PCM for the software encoder, capture or playback alike.

#include <alsa/asoundlib.h>

#include <string>

namespace quorvan::air {

// Opens `name` with ALSA's own rate plugin kept out (it would filter or
// resample the MPX) and ALSA's complaints on stderr silenced (the caller names
// the failure in its one line). On failure: nullptr, and `error` is
// "WHAT cannot be opened: REASON", with "(see arecord -L)" or "(see aplay -L)"
// where the name is unknown.
snd_pcm_t* OpenPcmUnresampled(const std::string& name, snd_pcm_stream_t stream, const std::string& what,
                              std::string& error);

} // namespace quorvan::air
