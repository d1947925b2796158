// The calibrated bus pause: calibrate against the PC clock, then time 1,000
// pauses. Target: 580/350,001 s (about 1,657 us) per pause on any processor.
#include "link/calibration.h"
#include "link/clock.h"
#include "link/encoder_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    using namespace quorvan;
    using Micro = std::chrono::duration<double, std::micro>;

    SystemClock clock;
    SystemSleeper sleeper;
    TEncoderLink link(sleeper);
    link.Slow = false;
    const std::int32_t units = link.CalibrateBusDelay(clock);
    std::printf("%s, BusDelay %d\n", CpuSpeedText(units).c_str(), link.BusDelay);

    constexpr int kPauses = 1000;
    std::vector<double> each;
    each.reserve(kPauses);
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < kPauses; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        link.Pauza();
        each.push_back(Micro(std::chrono::steady_clock::now() - t0).count());
    }
    const double mean = Micro(std::chrono::steady_clock::now() - begin).count() / kPauses;
    std::sort(each.begin(), each.end());
    const double p50 = each[kPauses / 2];
    const double p99 = each[kPauses * 99 / 100];
    const double target = 580.0 / 350001.0 * 1e6;

    std::printf("pause: %.1f us (target %.1f us), ratio %.3f\n", mean, target, mean / target);
    std::printf("p50 %.1f us, p99 %.1f us (p99/p50 %.3f)\n", p50, p99, p99 / p50);
    std::printf("goal: ratio 0.95..1.05, p99 within 10%% of p50 (idle machine)\n");
    return 0;
}
