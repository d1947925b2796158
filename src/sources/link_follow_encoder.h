// The follower's encoder operations on a real link: the radiotext and dynamic
// PS update sequences and the clock-time transmission of the encoder commands.
#pragma once

#include "encoder/clock_time.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"
#include "sources/follow_session.h"

#include <functional>

namespace quorvan {

class LinkFollowEncoder final : public FollowEncoder {
public:
    // `params` supplies the clock-time offsets; `sleeper` the 200 ms pause
    // after a clock-time trigger.
    LinkFollowEncoder(TEncoderLink& link, TStationParams& params, const Clock& clock, Sleeper& sleeper)
        : params_(params), context_{link, clock, sleeper}
    {
    }

    bool radiotextUpdate(const RadiotextUpdate& update) override;
    bool dynamicPSUpdate(const DynamicPSUpdate& update) override;
    // Starts the clock-time transmission (as start-up does with CTState
    // "Start") and loads the coming minute; later calls only load.
    bool sendClockTime() override;
    std::optional<bool> clockTimeTick() override;

    // Runs after every operation on the encoder (quorvanctl saves the
    // virtual encoder's state there, so that other runs see it).
    std::function<void()> onOperationEnded;

private:
    bool ended(Outcome outcome);

    TStationParams& params_;
    EncoderContext context_;
    ClockTimeTransmitter clockTime_;
};

} // namespace quorvan
