// A full Send against the virtual encoder with real calibrated pauses: every
// field filled (15 AF, a 72-character dynamic PS, the user group on). The
// wall time should be the pauses plus the 500 ms after the first transaction
// and nothing else: goal ratio wall / (pauses x measured pause + 500 ms) <= 1.02.
#include "encoder/send.h"
#include "link/calibration.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "sim/virtual_encoder.h"
#include "sim/virtual_port.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Seconds = std::chrono::duration<double>;

double MeasurePause(quorvan::TEncoderLink& link, int count)
{
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        link.Pauza();
    return Seconds(std::chrono::steady_clock::now() - begin).count() / count;
}

quorvan::TStationParams FullStation()
{
    quorvan::TStationParams p;
    p.PI = "D3C2";
    p.PSDEF = "QUORVAN";
    p.PTY = 10;
    p.DI = {true, true, true, true};
    p.TP = true;
    for (int row = 0; row < quorvan::kAFRows; ++row)
        p.SGAF[row] = std::to_string(88 + row) + ".1";
    p.CBRTEN = true;
    p.RT1 = std::string(64, 'R');
    p.CBUDGEN = true;
    p.CBGRTYP = 17;
    p.DB3 = "1F";
    p.DB4 = "AA";
    p.DB5 = "55";
    p.DB6 = "12";
    p.DB7 = "34";
    p.RGCS = 1;
    p.SEPHASE = 9;
    p.RGDPS1M = 1;
    p.DPS1EN = true;
    p.DPS1B = std::string(72, 'D');
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

    const double pauseBefore = MeasurePause(link, 1000);
    TStationParams params = FullStation();
    EncoderContext ctx{link, clock, sleeper, nullptr, '.'};
    const std::uint64_t pausesBefore = link.PauseCount();
    const auto begin = std::chrono::steady_clock::now();
    const SendResult result = BSEND1Click(ctx, params);
    const double wall = Seconds(std::chrono::steady_clock::now() - begin).count();
    const std::uint64_t pauses = link.PauseCount() - pausesBefore;
    const double pauseAfter = MeasurePause(link, 1000);
    const double pause = (pauseBefore + pauseAfter) / 2;

    const double expected = static_cast<double>(pauses) * pause + 0.5;
    std::printf("send: %s, %d AF, %zu dynamic PS characters, %u transactions\n", OutcomeText(result.outcome),
                result.af.count, result.dpsText.size(), encoder.stops());
    std::printf("wall %.3f s, %llu pauses, measured pause %.1f us (before %.1f, after %.1f)\n", wall,
                static_cast<unsigned long long>(pauses), pause * 1e6, pauseBefore * 1e6, pauseAfter * 1e6);
    std::printf("ratio wall / (pauses x pause + 500 ms) = %.4f (goal <= 1.02)\n", wall / expected);
    return result.outcome == Outcome::Ready ? 0 : 1;
}
