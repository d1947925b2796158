#include "sources/link_follow_encoder.h"

#include "encoder/update_sequences.h"

namespace quorvan {

bool LinkFollowEncoder::radiotextUpdate(const RadiotextUpdate& update)
{
    const Outcome outcome = SendRadiotextUpdate(link_, update.bytes, update.control);
    operationEnded();
    return IsReady(outcome);
}

bool LinkFollowEncoder::dynamicPSUpdate(const DynamicPSUpdate& update)
{
    const Outcome outcome = SendDynamicPSUpdate(link_, update.text, update.length);
    operationEnded();
    return IsReady(outcome);
}

} // namespace quorvan
