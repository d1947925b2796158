// What both software-encoder benchmarks play and how they time it: one
// station image (PI, PS and a full radiotext), one second of a station's MPX
// and the process's own processor time.
#pragma once

#include "encoder/image_layout.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <numbers>
#include <vector>

namespace quorvan::bench {

inline image::ImageBytes Station()
{
    image::ImageBytes ram{};
    ram[image::kPI] = 0xD3;
    ram[image::kPI + 1] = 0xA2;
    std::memcpy(ram.data() + image::kPS, "QUORVAN ", 8);
    std::memset(ram.data() + image::kRT, 'R', image::kRTLength);
    ram[image::kRTControl] = 0x01;
    return ram;
}

// One second of MPX: tones of whole hertz (mono to 15 kHz, the stereo
// difference on 38 kHz), an 8 % pilot.
inline std::vector<float> OneSecond(int rate)
{
    std::vector<float> x(static_cast<std::size_t>(rate));
    const double pi2 = 2 * std::numbers::pi;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double mono = 0.2 * std::sin(pi2 * 440 * t) + 0.1 * std::sin(pi2 * 3001 * t) + 0.1 * std::sin(pi2 * 14000 * t);
        const double side = 0.15 * std::sin(pi2 * 1000 * t) + 0.1 * std::sin(pi2 * 9000 * t);
        const double pilot = pi2 * std::fmod(19000 * t, 1.0);
        x[i] = static_cast<float>(mono + side * std::sin(2 * pilot) + 0.08 * std::sin(pilot));
    }
    return x;
}

inline double CpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

} // namespace quorvan::bench
