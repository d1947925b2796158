#include "link/calibration.h"
#include "link/encoder_link.h"
#include "link/link_fakes.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

// Counts busy-loop iterations and lets each calibration unit take 0.5 ms of a ManualTime.
class CountingSpinner final : public Spinner {
public:
    explicit CountingSpinner(ManualTime* time = nullptr) : time_(time) {}
    void spin(std::uint32_t iterations) override
    {
        calls.push_back(iterations);
        if (time_ && iterations == kCalibrationUnitIterations && ++halfMs_ % 2 == 0)
            time_->advanceMs(1);
    }
    std::vector<std::uint32_t> calls;

private:
    ManualTime* time_;
    int halfMs_ = 0;
};

TEST(Calibration, TwoThousandUnitsGiveTheDocumentedDelayAndPause)
{
    ManualTime time(DateTime{2025, 3, 1, 10, 0, 7, 420});
    CountingSpinner spinner(&time);
    RecordingUi ui;
    TEncoderLink link(time, &spinner);
    link.setUi(&ui);
    EXPECT_EQ(link.CalibrateBusDelay(time), 2000);
    EXPECT_EQ(time.totalSleptMs(), 580) << "aligned to the next second in 10 ms sleeps";
    EXPECT_EQ(link.BusDelay, 51160000);
    EXPECT_EQ(ui.cpuSpeed, "CPU Speed: 2000 units");
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Checking CPU speed...", "Ready"}));

    // A pause lasts what 1,160,001 iterations take at 2000 x 350,001 per
    // second, rounded up, and it sleeps instead of spinning them.
    Events log;
    LoggingWaiter waiter(log, time);
    link.setPauseTimer(&waiter, &waiter);
    spinner.calls.clear();
    link.Slow = false;
    const MonoTime before = time.monoNow();
    link.Pauza();
    EXPECT_TRUE(spinner.calls.empty());
    EXPECT_EQ(waiter.deadlines, (std::vector<MonoTime>{before + MonoTime(1657140)}));
}

TEST(Calibration, DelayArithmeticSaturatesInsteadOfWrapping)
{
    EXPECT_EQ(BusDelayForUnits(0), 50000000);
    EXPECT_EQ(BusDelayForUnits(2000), 51160000);
    EXPECT_EQ(BusDelayForUnits(10000000), 2147483647);
}

TEST(Calibration, UncalibratedPauseReturnsAtOnceAndSlowSleeps)
{
    Events log;
    LoggingSleeper sleeper(log);
    ManualTime time;
    Events waits;
    LoggingWaiter waiter(waits, time);
    CountingSpinner spinner;
    TEncoderLink link(sleeper, &spinner);
    link.setPauseTimer(&waiter, &waiter);
    link.Slow = false;
    link.Pauza();
    link.BusDelay = 49999999;
    link.Pauza();
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(log.empty());
    // A calibration that counted no unit at all: the nominal pause, not none.
    link.BusDelay = 50000000;
    link.Pauza();
    EXPECT_EQ(waiter.deadlines, (std::vector<MonoTime>{kNominalPause}));
    link.Slow = true;
    link.Pauza();
    EXPECT_EQ(log, ev("P"));
    EXPECT_EQ(waits.size(), 1u) << "Slow sleeps its 3 ms and leaves the deadlines alone";
    EXPECT_TRUE(spinner.calls.empty()) << "no pause ever spins";
}

} // namespace
} // namespace quorvan::test
