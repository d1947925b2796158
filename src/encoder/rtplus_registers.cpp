#include "encoder/rtplus_registers.h"

#include "content/extended.h"
#include "content/extended_text.h"
#include "content/station_params.h"
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

void WriteErtFromRadiotext(TEncoderLink& link, const std::string& ert)
{
    if (link.Extension == nullptr || link.Failed())
        return;
    ExtensionRecord record = link.Extension->extension();
    if (record.values.ert == ert && record.values.ertFromRt)
        return;
    record.values.ert = ert;
    record.values.ertFromRt = true;
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

Outcome SendRadiotextWithTags(TEncoderLink& link, TStationParams& params, std::string_view text, int control)
{
    const rtplus::Registers registers = rtplus::RegistersFor(params, text);
    ErtFollowsEncoderRadiotext(params.extended, text, CharsetFromInt(params.preferences.CBCHARSET));
    return SendRadiotextUpdate(link, text, control, &registers, ErtWithRadiotext(params.extended));
}

} // namespace quorvan
