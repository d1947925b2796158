#include "encoder/bus_runs.h"

#include "encoder/image_layout.h"

namespace quorvan {

void WriteRun(TEncoderLink& link, Opens opens, std::uint8_t address, const ByteRun& data, Closes closes)
{
    link.SendStart(opens == Opens::Operation);
    link.SendByte(image::kDeviceWrite);
    link.SendByte(address);
    for (std::uint8_t b : data)
        link.SendByte(b);
    link.SendStop(closes == Closes::Operation);
}

Outcome WriteOperation(TEncoderLink& link, std::uint8_t address, const ByteRun& data)
{
    WriteRun(link, Opens::Operation, address, data, Closes::Operation);
    return ClosedOutcome(link);
}

Outcome ClosedOutcome(const TEncoderLink& link)
{
    return link.Failed() ? Outcome::NotReady : Outcome::Ready;
}

void AppendText(ByteRun& run, std::string_view text)
{
    for (char c : text)
        run.push_back(static_cast<std::uint8_t>(c));
}

bool OpenRead(TEncoderLink& link, Opens opens, std::uint8_t address)
{
    link.SendStart(opens == Opens::Operation);
    link.SendByte(image::kDeviceWrite);
    link.SendByte(address);
    link.SendRestart();
    link.SendByte(image::kDeviceRead);
    if (link.AddressCheckFailed()) {
        link.SendStop(true);
        return false;
    }
    return true;
}

} // namespace quorvan
