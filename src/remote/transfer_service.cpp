#include "remote/transfer_service.h"

namespace quorvan::remote {

void TransferService::attach(TEncoderLink& link)
{
    if (link.portIo() && link.portIo() != &io_) {
        io_.inner = link.portIo();
        link.setPortIo(&io_);
    }
    if (link.serialLines() && link.serialLines() != &lines_) {
        lines_.inner = link.serialLines();
        link.setSerialLines(&lines_);
    }
}

void TransferService::detach(TEncoderLink& link)
{
    if (link.portIo() == &io_)
        link.setPortIo(io_.inner);
    if (link.serialLines() == &lines_)
        link.setSerialLines(lines_.inner);
}

void TransferService::changed()
{
    if (++count_ < kLineChanges || inService_ || !service_)
        return;
    count_ = 0;
    inService_ = true;
    service_();
    inService_ = false;
}

} // namespace quorvan::remote
