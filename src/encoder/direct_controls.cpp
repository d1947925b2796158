#include "encoder/direct_controls.h"

#include "encoder/bus_runs.h"
#include "encoder/image_layout.h"

namespace quorvan {

Outcome BRESETClick(TEncoderLink& link)
{
    return WriteOperation(link, image::kCommand, {image::kCommandReset});
}

Outcome BSWOFFClick(TEncoderLink& link)
{
    return WriteOperation(link, image::kCommand, {image::kCommandCarrierOff});
}

Outcome BSWONClick(TEncoderLink& link)
{
    return WriteOperation(link, image::kCommand, {image::kCommandCarrierOn});
}

Outcome SendTrafficAnnouncement(TEncoderLink& link, bool on)
{
    return WriteOperation(link, image::kTA, {static_cast<std::uint8_t>(on ? 1 : 0)});
}

Outcome BSETTAClick(TEncoderLink& link, TStationParams& params)
{
    params.TA = !params.TA;
    return SendTrafficAnnouncement(link, params.TA);
}

} // namespace quorvan
