#include "encoder/extended_send.h"

namespace quorvan {

Outcome SendExtended(TEncoderLink& link, const ExtendedValues& values)
{
    return ChangeExtension(link, [&](ExtensionRecord& record) { record.values = values; });
}

Outcome ReceiveExtended(TEncoderLink& link, ExtendedValues& values)
{
    if (link.Extension == nullptr)
        return Outcome::Ready;
    if (!link.OpenRecordOperation())
        return Outcome::NotReady;
    values = link.Extension->extension().values;
    link.CloseRecordOperation();
    return Outcome::Ready;
}

} // namespace quorvan
