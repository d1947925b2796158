// The extended station values (content/extended.h) to and from the encoder's
// extension record. Only the virtual encoder keeps one; a real chip's link
// has no store, and these never put a byte on its bus.
#pragma once

#include "content/extended.h"
#include "encoder/operation.h"
#include "link/encoder_link.h"

namespace quorvan {

// One operation (the link's claim, so that a shared state file saves the
// change under its lock): the values into the record; its RT+ registers,
// level and phase stay. Ready at once, sending nothing, on a link without a
// store (a real chip); NotReady when the claim failed (nothing changed).
Outcome SendExtended(TEncoderLink& link, const ExtendedValues& values);

// One operation: the record's values into `values`. Ready and `values`
// unchanged on a link without a store; NotReady when the claim failed.
Outcome ReceiveExtended(TEncoderLink& link, ExtendedValues& values);

// The same pattern for the whole record, for the record's other fields
// (level, phase): `change` edits a copy of the record inside one operation,
// and the copy is kept. Ready without a store (nothing runs).
template <class Change>
Outcome ChangeExtension(TEncoderLink& link, Change&& change)
{
    if (link.Extension == nullptr)
        return Outcome::Ready;
    if (!link.OpenRecordOperation())
        return Outcome::NotReady;
    ExtensionRecord record = link.Extension->extension();
    change(record);
    if (!(record == link.Extension->extension()))
        link.Extension->setExtension(record);
    link.CloseRecordOperation();
    return Outcome::Ready;
}

} // namespace quorvan
