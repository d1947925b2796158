// The follower's encoder operations on a real link: the radiotext and dynamic
// PS update sequences of the encoder commands.
#pragma once

#include "link/encoder_link.h"
#include "sources/follow_session.h"

#include <functional>

namespace quorvan {

class LinkFollowEncoder : public FollowEncoder {
public:
    explicit LinkFollowEncoder(TEncoderLink& link) : link_(link) {}

    bool radiotextUpdate(const RadiotextUpdate& update) override;
    bool dynamicPSUpdate(const DynamicPSUpdate& update) override;

    // Runs after every operation on the encoder (quorvanctl saves the
    // virtual encoder's state there, so that other runs see it).
    std::function<void()> onOperationEnded;

protected:
    TEncoderLink& link() { return link_; }
    void operationEnded()
    {
        if (onOperationEnded)
            onOperationEnded();
    }

private:
    TEncoderLink& link_;
};

} // namespace quorvan
