// libFuzzer target: the status file of a software encoder on air. Whatever
// the text, a status that parses formats and parses back to itself, and the
// monitor's line is made without a fault.
#include "air/air_status.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quorvan::air;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto status = ParseAirStatus(text);
    if (!status)
        return 0;
    if (status->device.find('\n') != std::string::npos) __builtin_trap();
    const auto again = ParseAirStatus(FormatAirStatus(*status));
    // %g keeps six digits of a level: compare what survives a second round.
    if (!again) __builtin_trap();
    const auto third = ParseAirStatus(FormatAirStatus(*again));
    if (!third || !(*third == *again)) __builtin_trap();
    DescribeAirStatus(status, status->updatedUnix, [](std::int64_t) { return std::string("00:00"); });
    return 0;
}
