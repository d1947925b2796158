#include "encoder/direct_controls.h"

#include "encoder/bus_runs.h"
#include "encoder/image_layout.h"

namespace quorvan {

Outcome Reset(TEncoderLink& link)
{
    return WriteOperation(link, image::kCommand, {image::kCommandReset});
}

Outcome SetCarrier(TEncoderLink& link, bool on)
{
    return WriteOperation(link, image::kCommand, {on ? image::kCommandCarrierOn : image::kCommandCarrierOff});
}

Outcome SetTrafficAnnouncement(TEncoderLink& link, bool on)
{
    return WriteOperation(link, image::kTA, {static_cast<std::uint8_t>(on ? 1 : 0)});
}

Outcome ToggleTrafficAnnouncement(TEncoderLink& link, TStationParams& params)
{
    params.program.TA = !params.program.TA;
    return SetTrafficAnnouncement(link, params.program.TA);
}

} // namespace quorvan
