#include "air/io/alsa_open.h"

#include <cerrno>

namespace quorvan::air {

namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

} // namespace

snd_pcm_t* OpenPcmUnresampled(const std::string& name, snd_pcm_stream_t stream, const std::string& what,
                              std::string& error)
{
    snd_lib_error_set_handler(QuietAlsa);
    snd_pcm_t* pcm = nullptr;
    const int r = snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NO_AUTO_RESAMPLE);
    if (r < 0) {
        error = what + " cannot be opened: " + snd_strerror(r);
        if (r == -ENOENT || r == -ENODEV || r == -EINVAL || r == -ENXIO)
            error += stream == SND_PCM_STREAM_CAPTURE ? " (see arecord -L)" : " (see aplay -L)";
        return nullptr;
    }
    return pcm;
}

} // namespace quorvan::air
