#include "encoder/rtplus_registers.h"

#include "encoder/bus_runs.h"
#include "encoder/image_layout.h"
#include "encoder/update_sequences.h"

namespace quorvan {

void WriteRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers)
{
    if (!link.ExtensionRegisters)
        return;
    WriteRun(link, Opens::Continues, image::kRTPlus, ByteRun(registers.begin(), registers.end()), Closes::Continues);
}

Outcome SendRadiotextWithTags(TEncoderLink& link, const TStationParams& params, std::string_view text, int control)
{
    const rtplus::Registers registers = rtplus::RegistersFor(params, text);
    return SendRadiotextUpdate(link, text, control, &registers);
}

} // namespace quorvan
