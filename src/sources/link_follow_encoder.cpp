#include "sources/link_follow_encoder.h"

#include "encoder/update_sequences.h"

namespace quorvan {

bool LinkFollowEncoder::ended(Outcome outcome)
{
    if (onOperationEnded)
        onOperationEnded();
    return IsReady(outcome);
}

bool LinkFollowEncoder::radiotextUpdate(const RadiotextUpdate& update)
{
    return ended(SendRadiotextUpdate(context_.link, update.bytes, update.control, &update.rtPlus,
                                     update.ert ? &*update.ert : nullptr));
}

bool LinkFollowEncoder::dynamicPSUpdate(const DynamicPSUpdate& update)
{
    return ended(SendDynamicPSUpdate(context_.link, update.text, update.length));
}

bool LinkFollowEncoder::sendClockTime()
{
    if (!clockTime_.Running()) {
        params_.system.CTRunning = true;
        if (const std::optional<Outcome> outcome = clockTime_.Restore(context_, params_))
            return ended(*outcome);
        return false;
    }
    return ended(SendCT(context_, params_));
}

std::optional<bool> LinkFollowEncoder::clockTimeTick()
{
    const ClockTimeTransmitter::TickResult tick = clockTime_.Tick(context_, params_);
    if (!tick.outcome)
        return std::nullopt;
    return ended(*tick.outcome);
}

} // namespace quorvan
