#include "sim/state_changes.h"

#include <functional>

namespace quorvan {

namespace {

std::string Hex2(unsigned v)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string{digits[(v >> 4) & 15], digits[v & 15]};
}

// "0x02..0x09, 0x20" for the addresses the predicate picks.
std::string Ranges(const std::function<bool(int)>& picked)
{
    std::string out;
    int a = 0;
    while (a < 256) {
        if (!picked(a)) {
            ++a;
            continue;
        }
        int b = a;
        while (b + 1 < 256 && picked(b + 1))
            ++b;
        if (!out.empty())
            out += ", ";
        out += "0x" + Hex2(static_cast<unsigned>(a));
        if (b > a)
            out += "..0x" + Hex2(static_cast<unsigned>(b));
        a = b + 1;
    }
    return out;
}

void Append(std::string& list, const std::string& item)
{
    if (item.empty())
        return;
    if (!list.empty())
        list += ", ";
    list += item;
}

} // namespace

EncoderChange CompareEncoderStates(const EncoderState& before, const std::array<std::uint32_t, 256>& writesBefore,
                                   const EncoderState& after, const std::array<std::uint32_t, 256>& writesAfter)
{
    // RAM as a read sees it: the status byte stands at its address.
    auto ramBefore = before.ram;
    auto ramAfter = after.ram;
    ramBefore[VirtualEncoder::kStatusAddress] = before.status;
    ramAfter[VirtualEncoder::kStatusAddress] = after.status;

    EncoderChange c;
    Append(c.changed, Ranges([&](int a) { return ramBefore[a] != ramAfter[a]; }));
    const std::string eeprom = Ranges([&](int a) { return before.eeprom[a] != after.eeprom[a]; });
    if (!eeprom.empty())
        Append(c.changed, "EEPROM " + eeprom);
    if (before.power != after.power)
        Append(c.changed, after.power ? "power on" : "power off");
    if (before.carrier != after.carrier)
        Append(c.changed, after.carrier ? "carrier on" : "carrier off");
    if (before.clockTimeLatches != after.clockTimeLatches || before.clockTime != after.clockTime)
        Append(c.changed, "clock time latched");
    c.unchanged = Ranges([&](int a) { return writesBefore[a] != writesAfter[a] && ramBefore[a] == ramAfter[a]; });
    return c;
}

std::string ChangeText(const EncoderChange& change)
{
    std::string text = change.changed.empty() ? "nothing" : change.changed;
    if (!change.unchanged.empty())
        text += " (written unchanged: " + change.unchanged + ")";
    return text;
}

} // namespace quorvan
