// The bus pause: 1,000 pauses after a calibration (as the window does) and
// 1,000 of the nominal length (as quorvanctl does). Target: 580/350,001 s
// (about 1,657 us) per pause, p99 within 10 % of p50, and the processor left
// alone while a pause sleeps.
#include "link/calibration.h"
#include "link/clock.h"
#include "link/encoder_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double CpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void TimePauses(const char* what, quorvan::TEncoderLink& link)
{
    using Micro = std::chrono::duration<double, std::micro>;
    constexpr int kPauses = 1000;
    std::vector<double> each;
    each.reserve(kPauses);
    const double cpuBegin = CpuSeconds();
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < kPauses; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        link.Pauza();
        each.push_back(Micro(std::chrono::steady_clock::now() - t0).count());
    }
    const double mean = Micro(std::chrono::steady_clock::now() - begin).count() / kPauses;
    const double cpu = (CpuSeconds() - cpuBegin) * 1e6 / kPauses;
    std::sort(each.begin(), each.end());
    const double p50 = each[kPauses / 2];
    const double p99 = each[kPauses * 99 / 100];
    const double target = 580.0 / 350001.0 * 1e6;

    std::printf("%s: pause length %.3f us\n", what, std::chrono::duration<double, std::micro>(link.PauseLength()).count());
    std::printf("  pause: %.1f us (target %.1f us), ratio %.4f\n", mean, target, mean / target);
    std::printf("  p50 %.1f us, p99 %.1f us (p99/p50 %.3f), min %.1f, max %.1f\n", p50, p99, p99 / p50, each.front(),
                each.back());
    std::printf("  processor time per pause: %.2f us (%.2f %% of the pause)\n", cpu, 100.0 * cpu / mean);
}

} // namespace

int main()
{
    using namespace quorvan;
    SystemClock clock;
    SystemSleeper sleeper;
    TEncoderLink link(sleeper);
    link.Slow = false;
    const std::int32_t units = link.CalibrateBusDelay(clock);
    std::printf("%s, BusDelay %d\n", CpuSpeedText(units).c_str(), link.BusDelay);
    TimePauses("calibrated (the window)", link);

    TEncoderLink nominal(sleeper);
    nominal.Slow = false;
    nominal.NominalPause = true;
    TimePauses("nominal (quorvanctl)", nominal);

    std::printf("goal: ratio 0.95..1.05, p99 within 10%% of p50 (idle machine)\n");
    return 0;
}
