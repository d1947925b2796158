// The bus pause: how long the encoder is given between two edges, and the
// schedule of deadlines the pauses of a transaction sleep to.
//
// A pause lasts what the calibrated busy loop of BusDelay - 50,000,000 + 1
// iterations would take at the calibrated speed of N units of 350,001
// iterations per second: about 580/350,001 s (1.657 ms) on any processor.
// Pauses are minimum times for the encoder: a longer one is harmless, a
// shorter one is a fault, so every length here is rounded up.
#pragma once

#include "link/deadline.h"

#include <cstdint>
#include <optional>

namespace quorvan {

// 580/350,001 s, rounded up to whole nanoseconds.
inline constexpr MonoTime kNominalPause{(580LL * 1000000000LL + 350000LL) / 350001LL};

// The pause of a BusDelay: zero below 50,000,000 (not calibrated yet: no
// pauses at all); the nominal pause when the calibration counted no unit.
MonoTime PauseForBusDelay(std::int32_t busDelay);

// Deadlines of consecutive pauses. Each deadline is the previous one plus a
// pause, so one late wake-up does not stretch the rest of a transaction.
// When the time is later than the previous deadline by more than a whole
// pause (the first pause after an idle bus, or a thread held up for long),
// the schedule starts afresh from now.
class PauseSchedule {
public:
    MonoTime next(MonoTime now, MonoTime pause);
    void restart() { deadline_.reset(); }

private:
    std::optional<MonoTime> deadline_;
};

} // namespace quorvan
