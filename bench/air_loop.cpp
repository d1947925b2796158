// The loop-through's cost in file mode: a station's MPX at 192 kHz (and the
// other usual rates) through the pilot lock, the modulator on its clock and
// the mix, 60 s of it from a station with radiotext; goal at least 300 x real
// time. The MPX is one second made beforehand (mono and stereo programme, a
// pilot at 19 000 Hz: whole cycles, so that it repeats without a seam) and
// read over and over, as a file would be.
#include "air_bench_station.h"
#include "air/mix.h"
#include "rds/generator.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <numbers>
#include <vector>

namespace {

using quorvan::bench::CpuSeconds;
using quorvan::bench::OneSecond;
using quorvan::bench::Station;

void Loop(int rate, int seconds)
{
    const quorvan::image::ImageBytes ram = Station();
    quorvan::rds::GroupGenerator generator;
    quorvan::air::PilotLock lock(rate);
    quorvan::air::Modulator modulator({rate, 4.5, 0}, [&] { return generator.Next(ram); });
    quorvan::air::LoopThrough loop(lock, modulator);
    const std::vector<float> second = OneSecond(rate);
    std::vector<float> out(4096);
    double sink = 0;
    const double cpu0 = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int s = 0; s < seconds; ++s) {
        for (std::size_t at = 0; at < second.size();) {
            const std::size_t n = std::min(out.size(), second.size() - at);
            loop.process(second.data() + at, out.data(), n);
            sink += out[n / 2];
            at += n;
        }
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpu0;
    const double frames = static_cast<double>(rate) * seconds;
    // On a shared machine the processor time is the figure; the wall time is
    // what this run happened to get.
    std::printf("loop-through %6d Hz: %d s in %.3f s of processor (%.3f s wall) = %5.0f x real time, %.2f ns/sample, "
                "pilot %.3f Hz %s, %lld clipped%s\n",
                rate, seconds, cpu, wall, seconds / cpu, cpu / frames * 1e9, lock.frequency(),
                lock.locked() ? "locked" : "not locked", static_cast<long long>(loop.clipped()), sink > 1e9 ? "!" : "");
}

// The parts alone at 192 kHz: the lock, and the modulator on its clock.
void Parts(int seconds)
{
    constexpr int rate = 192000;
    const quorvan::image::ImageBytes ram = Station();
    quorvan::rds::GroupGenerator generator;
    quorvan::air::PilotLock lock(rate);
    quorvan::air::Modulator modulator({rate, 4.5, 0}, [&] { return generator.Next(ram); });
    const std::vector<float> second = OneSecond(rate);
    std::vector<quorvan::air::PilotClock> clock(second.size());
    std::vector<float> out(second.size());
    double lockCpu = 0, modulatorCpu = 0;
    for (int s = 0; s < seconds; ++s) {
        const double t0 = CpuSeconds();
        lock.process(second.data(), clock.data(), second.size());
        const double t1 = CpuSeconds();
        modulator.renderLocked(out.data(), clock.data(), clock.size());
        const double t2 = CpuSeconds();
        lockCpu += t1 - t0;
        modulatorCpu += t2 - t1;
    }
    const double frames = static_cast<double>(rate) * seconds;
    std::printf("parts at 192000 Hz: the lock %.2f ns/sample, the modulator on its clock %.2f ns/sample\n",
                lockCpu / frames * 1e9, modulatorCpu / frames * 1e9);
}

} // namespace

int main()
{
    for (int rate : {192000, 171000, 176400, 228000})
        Loop(rate, 60);
    Parts(60);
    return 0;
}
