// A full Send against the virtual encoder with real pauses: every field
// filled (15 AF, a 72-character dynamic PS, the user group on). The wall time
// should be the pauses plus the 500 ms after the first transaction and nothing
// else: goal wall / (pauses x 580/350,001 s + 500 ms) <= 1.02. The pauses
// sleep: goal processor time during the Send <= 5 % of its wall time.
#include "encoder/send.h"
#include "link/calibration.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "sim/virtual_encoder.h"
#include "sim/virtual_port.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

using Seconds = std::chrono::duration<double>;

double CpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

quorvan::TStationParams FullStation()
{
    quorvan::TStationParams p;
    p.program.PI = "D3C2";
    p.program.PSDEF = "QUORVAN";
    p.program.PTY = 10;
    p.program.DI = {true, true, true, true};
    p.program.TP = true;
    for (int row = 0; row < quorvan::kAFRows; ++row)
        p.program.SGAF[row] = std::to_string(88 + row) + ".1";
    p.radiotext.CBRTEN = true;
    p.radiotext.RT1 = std::string(64, 'R');
    p.system.CBUDGEN = true;
    p.system.CBGRTYP = 17;
    p.system.DB3 = "1F";
    p.system.DB4 = "AA";
    p.system.DB5 = "55";
    p.system.DB6 = "12";
    p.system.DB7 = "34";
    p.system.RGCS = 1;
    p.system.SEPHASE = 9;
    p.dynamicPs.RGDPS1M = 1;
    p.dynamicPs.DPS1EN = true;
    p.dynamicPs.DPS1B = std::string(72, 'D');
    return p;
}

} // namespace

int main()
{
    using namespace quorvan;
    SystemClock clock;
    SystemSleeper sleeper;
    VirtualEncoder encoder;
    VirtualParallelPort port(encoder, 888);
    TEncoderLink link(sleeper);
    link.PortAddress = 888;
    link.setPortIo(&port);
    link.Slow = false;
    link.Timed = true;
    link.DriveIdle();
    const std::int32_t units = link.CalibrateBusDelay(clock);
    std::printf("%s, BusDelay %d\n", CpuSpeedText(units).c_str(), link.BusDelay);

    TStationParams params = FullStation();
    EncoderContext ctx{link, clock, sleeper, nullptr, '.'};
    const std::uint64_t pausesBefore = link.PauseCount();
    const double cpuBegin = CpuSeconds();
    const auto begin = std::chrono::steady_clock::now();
    const SendResult result = Send(ctx, params);
    const double wall = Seconds(std::chrono::steady_clock::now() - begin).count();
    const double cpu = CpuSeconds() - cpuBegin;
    const std::uint64_t pauses = link.PauseCount() - pausesBefore;

    const double nominal = 580.0 / 350001.0;
    const double expected = static_cast<double>(pauses) * nominal + 0.5;
    std::printf("send: %s, %d AF, %zu dynamic PS characters, %u transactions\n", OutcomeText(result.outcome),
                result.af.count, result.dpsText.size(), encoder.stops());
    std::printf("wall %.3f s, %llu pauses of %.3f us (nominal %.3f us)\n", wall,
                static_cast<unsigned long long>(pauses), Seconds(link.PauseLength()).count() * 1e6, nominal * 1e6);
    std::printf("ratio wall / (pauses x nominal pause + 500 ms) = %.4f (goal <= 1.02)\n", wall / expected);
    std::printf("processor time %.3f s = %.2f %% of the wall time (goal <= 5 %%)\n", cpu, 100.0 * cpu / wall);
    return result.outcome == Outcome::Ready ? 0 : 1;
}
