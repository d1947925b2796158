#include "encoder/rtplus_registers.h"

#include "content/extended.h"
#include "encoder/update_sequences.h"

namespace quorvan {

void WriteRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers)
{
    // As the registers' bytes on the bus once: not stored where the
    // operation did not reach its encoder.
    if (link.Extension == nullptr || link.Failed())
        return;
    ExtensionRecord record = link.Extension->extension();
    if (record.rtPlus == registers)
        return;
    record.rtPlus = registers;
    link.Extension->setExtension(record);
}

Outcome SendRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers)
{
    if (link.Extension == nullptr)
        return Outcome::Ready;
    if (!link.OpenRecordOperation())
        return Outcome::NotReady;
    WriteRTPlusRegisters(link, registers);
    link.CloseRecordOperation();
    return Outcome::Ready;
}

Outcome SendRadiotextWithTags(TEncoderLink& link, const TStationParams& params, std::string_view text, int control)
{
    const rtplus::Registers registers = rtplus::RegistersFor(params, text);
    return SendRadiotextUpdate(link, text, control, &registers);
}

} // namespace quorvan
