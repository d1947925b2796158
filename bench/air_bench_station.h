// What both software-encoder benchmarks play and how they time it: one
// station image (PI, PS and a full radiotext) and the process's own
// processor time.
#pragma once

#include "encoder/image_layout.h"

#include <cstring>
#include <ctime>

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

inline double CpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

} // namespace quorvan::bench
