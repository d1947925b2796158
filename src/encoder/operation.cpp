#include "encoder/operation.h"

#include <cstdlib>

namespace quorvan {

const char* OutcomeText(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Ready:
        return "Ready";
    case Outcome::NotReady:
        return "!Ready";
    case Outcome::Skipped:
        return "Skipped";
    case Outcome::Unavailable:
        return "Unavailable";
    }
    return "?";
}

bool WithinOneSecond(std::int64_t nowMsecOfDay, std::int64_t lastMsecOfDay)
{
    return std::llabs(nowMsecOfDay - lastMsecOfDay) / 1000 == 0;
}

bool OperationGuard::Holds(const Clock& clock) const
{
    return last_ && WithinOneSecond(clock.now().msecOfDay(), *last_);
}

} // namespace quorvan
