// libFuzzer target: the texts of the extended values (method B lists, the
// round, the other networks' keys, PIN, ECC/LIC and the UTF-8 texts). The
// first byte picks the reader; each accepted value must read back unchanged
// from the text it is written as, and a refusal is one line naming the key.
#include "content/charset.h"
#include "content/extended_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Check(bool ok) { if (!ok) __builtin_trap(); }

template <class T>
void OneLine(const quorvan::Parsed<T>& r, std::string_view key)
{
    if (r.message.empty()) return;
    Check(r.message.rfind(std::string(key) + ":", 0) == 0);
    Check(r.message.find('\n') == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quorvan;
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 8) {
    case 0: {
        const auto r = ParseAfMethodBList("AFB1", text);
        OneLine(r, "AFB1");
        if (r.ok && r.value) {
            Check(r.value->alternatives.size() <= static_cast<std::size_t>(kAfMethodBEntries));
            const auto again = ParseAfMethodBList("AFB1", FormatAfMethodBList(*r.value));
            Check(again.ok && again.value == r.value);
        }
        break;
    }
    case 1: {
        const auto r = ParseGroupSequence("GroupSequence", text);
        OneLine(r, "GroupSequence");
        if (r.ok) Check(ParseGroupSequence("G", FormatGroupSequence(r.value)).value == r.value);
        break;
    }
    case 2: {
        const auto r = ParseAfListA("EON1AF", text);
        OneLine(r, "EON1AF");
        if (r.ok) {
            Check(r.value.size() <= static_cast<std::size_t>(kOtherNetworkAfs));
            Check(ParseAfListA("E", FormatAfListA(r.value)).value == r.value);
        }
        break;
    }
    case 3: {
        const auto r = ParseOtherPi("EON1PI", text);
        OneLine(r, "EON1PI");
        if (r.ok) Check(ParseOtherPi("E", FormatOtherPi(r.value)).value == r.value);
        const auto pty = ParseIntInRange("EON1PTY", text, 0, 31);
        OneLine(pty, "EON1PTY");
        if (pty.ok) Check(pty.value >= 0 && pty.value <= 31);
        OneLine(ParseSwitch("EON1TP", text), "EON1TP");
        break;
    }
    case 4: {
        const auto r = ParseRdsLabel("EON1PS", text);
        OneLine(r, "EON1PS");
        Check(r.ok && r.value.size() <= kPtynBytes);
        break;
    }
    case 5: {
        const auto r = ParsePin("PIN", text);
        OneLine(r, "PIN");
        if (r.ok) Check(ParsePin("P", FormatPin(r.value)).value == r.value);
        break;
    }
    case 6: {
        const auto r = ParseEcc("ECC", text);
        OneLine(r, "ECC");
        if (r.ok) Check(ParseEcc("E", FormatHexCode(r.value)).value == r.value);
        break;
    }
    default: {
        const auto r = ParseUtf8Text("ERT", text, kErtBytes);
        OneLine(r, "ERT");
        Check(r.ok && r.value.size() <= kErtBytes && IsValidUtf8(r.value));
        break;
    }
    }
    return 0;
}
