// libFuzzer target: the UECP elements of the extension record (PIN, PTYN,
// slow labelling, the other networks, EON-AF, group sequence, RDS level and
// phase). The input is one message, without a frame around it, so that the
// fuzzer reaches the elements at once. A message the parser takes must leave
// every value of the record in its range; the answer to each request must be
// a message the parser takes again, and taking it changes nothing.
#include "remote/uecp_elements.h"
#include "remote/uecp_extended.h"
#include "remote/uecp_frame.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvan;
using namespace quorvan::remote;

namespace {

bool InRange(const ExtensionRecord& r)
{
    const ExtendedValues& v = r.values;
    if (v.pin && (v.pin->day < 1 || v.pin->day > 31 || v.pin->hour > 23 || v.pin->minute > 59))
        return false;
    if (v.lic > 0x7F || v.ptyn.size() > kPtynBytes)
        return false;
    if (r.rdsLevelTenths && (*r.rdsLevelTenths < 0 || *r.rdsLevelTenths > 1000))
        return false;
    if (r.rdsPhaseTenths && (*r.rdsPhaseTenths < 0 || *r.rdsPhaseTenths > 3599))
        return false;
    for (const OtherNetwork& on : v.eon) {
        if (on.ps.size() > 8 || on.pty < 0 || on.pty > 31 || on.af.size() > static_cast<std::size_t>(kOtherNetworkAfs))
            return false;
        if (!on.af.empty() && on.pi == 0)
            return false;
        for (const std::uint8_t code : on.af)
            if (code < 1 || code > 204)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const uecp::Message m = uecp::ParseMessage(bytes);
    if (m.code != uecp::kOk && !m.elements.empty())
        __builtin_trap();
    ExtensionRecord record;
    for (const uecp::Element& e : m.elements) {
        if (uecp::Describe(e) == "?")
            __builtin_trap();
        if (uecp::NeedsRecord(e)) {
            if (!uecp::CommandsOf(e).empty() || uecp::CheckExtended(e) != uecp::kOk)
                __builtin_trap();
            uecp::ApplyExtended(e, record);
        }
    }
    if (!InRange(record))
        __builtin_trap();
    // Every answer reads back, and reading it back changes nothing.
    const std::uint8_t own[] = {uecp::kPIN, uecp::kPTYN, uecp::kSlowLabelling, uecp::kGroupSequence,
                                uecp::kRdsLevel, uecp::kRdsPhase};
    const std::uint8_t eon[] = {uecp::kPI, uecp::kPS, uecp::kTATP, uecp::kPTY, uecp::kEonAf};
    auto readBack = [&](std::uint8_t mec, std::uint8_t psn) {
        const std::string answer = uecp::AnswerExtended(mec, psn, record);
        const uecp::Message back = uecp::ParseMessage(answer);
        if (mec == uecp::kEonAf && record.values.eon[psn - 1u].pi == 0)
            return;  // (no network to name)
        if (answer.empty() || back.code != uecp::kOk)
            __builtin_trap();
        ExtensionRecord again = record;
        for (const uecp::Element& e : back.elements)
            uecp::ApplyExtended(e, again);
        if (!(again.values == record.values))
            __builtin_trap();
    };
    for (const std::uint8_t mec : own)
        readBack(mec, 0);
    for (std::uint8_t psn = 1; psn <= kOtherNetworks; ++psn)
        for (const std::uint8_t mec : eon)
            readBack(mec, psn);
    return 0;
}
