// What every encoder command shares: how it ended, the one-second guard of
// Send and Receive (LastOperationTime), and what it runs on.
#pragma once

#include "link/clock.h"
#include "link/encoder_link.h"

#include <cstdint>
#include <optional>

namespace quorvan {

// How an encoder command ended.
enum class Outcome {
    Ready,        // the operation closed with "Ready"
    NotReady,     // it closed with "!Ready": a byte not acknowledged, an address
                  // check failed, or the port was out of reach
    Skipped,      // not started: less than one second after the last transfer;
                  // nothing was sent and nothing changed
    Unavailable,  // not started: reading needs "Bidirectional"
};

inline bool IsReady(Outcome outcome) { return outcome == Outcome::Ready; }
// "Ready", "!Ready", "Skipped", "Unavailable".
const char* OutcomeText(Outcome outcome);

// LastOperationTime: the time of day (no date) at which the last Send,
// Receive or Store finished; start-up and the bus-pause calibration set it
// too. Send and Receive do nothing within one whole second of it.
class OperationGuard {
public:
    // LastOperationTime := the clock's current time of day.
    void Touch(const Clock& clock) { last_ = clock.now().msecOfDay(); }
    void Set(std::int64_t msecOfDay) { last_ = msecOfDay; }
    void Clear() { last_.reset(); }
    std::optional<std::int64_t> LastOperationTime() const { return last_; }
    // True when Send or Receive must not run now.
    bool Holds(const Clock& clock) const;

private:
    std::optional<std::int64_t> last_;
};

// The guard rule on two times of day in milliseconds: the absolute
// difference, in whole seconds truncated toward zero, is 0. Times of day
// only: one just after midnight and one just before it lie a day apart.
bool WithinOneSecond(std::int64_t nowMsecOfDay, std::int64_t lastMsecOfDay);

// What a command runs on. The sleeper serves the fixed pauses of the
// commands (500 ms after the first Send transaction and after Store, 200 ms
// after a clock-time trigger); the link's own pauses are the link's.
struct EncoderContext {
    TEncoderLink& link;
    const Clock& clock;
    Sleeper& sleeper;
    // nullptr: no one-second guard and no LastOperationTime (quorvanctl).
    OperationGuard* guard = nullptr;
    // The operator's decimal separator, for AF frequency texts.
    char decimalSeparator = '.';
};

} // namespace quorvan
