#include "encoder/update_sequences.h"

#include "content/radiotext.h"
#include "encoder/bus_runs.h"
#include "encoder/image_layout.h"
#include "encoder/rtplus_registers.h"

#include <algorithm>

namespace quorvan {

Outcome SendRadiotextUpdate(TEncoderLink& link, std::string_view text, int control, const rtplus::Registers* rtPlus,
                            const std::string* ert)
{
    ByteRun content{0x00};
    AppendText(content, RadiotextBytes(text));
    WriteRun(link, Opens::Operation, image::kRTControl, content, Closes::Continues);
    if (rtPlus)
        WriteRTPlusRegisters(link, *rtPlus);
    if (ert)
        WriteErtFromRadiotext(link, *ert);
    WriteRun(link, Opens::Continues, image::kRTControl, {static_cast<std::uint8_t>(control & 0xFF)},
             Closes::Operation);
    return ClosedOutcome(link);
}

Outcome SendDynamicPSUpdate(TEncoderLink& link, std::string_view text, int length)
{
    const std::string_view cut = text.substr(0, image::kDPSMax);
    const int used = std::clamp(length, 0, static_cast<int>(cut.size()));
    ByteRun content{0x00};
    AppendText(content, cut);
    content.push_back(' ');
    WriteRun(link, Opens::Operation, image::kDPSLength, content, Closes::Continues);
    WriteRun(link, Opens::Continues, image::kDPSLength, {static_cast<std::uint8_t>(used)}, Closes::Operation);
    return ClosedOutcome(link);
}

Outcome SendDynamicPSUpdate(TEncoderLink& link, std::string_view text)
{
    return SendDynamicPSUpdate(link, text, static_cast<int>(std::min<std::size_t>(text.size(), image::kDPSMax)));
}

} // namespace quorvan
