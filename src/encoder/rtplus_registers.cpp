#include "encoder/rtplus_registers.h"

#include "encoder/bus_runs.h"
#include "encoder/image_layout.h"

namespace quorvan {

void WriteRTPlusRegisters(TEncoderLink& link, const rtplus::Registers& registers)
{
    if (!link.ExtensionRegisters)
        return;
    WriteRun(link, Opens::Continues, image::kRTPlus, ByteRun(registers.begin(), registers.end()), Closes::Continues);
}

} // namespace quorvan
