#include "rds/groups.h"

#include <cstdio>

namespace quorvan::rds {

std::string Group::typeName() const
{
    return std::to_string(type()) + (versionB() ? "B" : "A");
}

std::string Group::hex() const
{
    char text[20];
    std::snprintf(text, sizeof text, "%04X %04X %04X %04X", blocks[0], blocks[1], blocks[2], blocks[3]);
    return text;
}

// n groups last n * 104 / 1187.5 s = n * 208 / 2375 s.
std::int64_t GroupsForHalfSeconds(std::int64_t halfSeconds)
{
    // n * 208 / 2375 >= h / 2  <=>  n * 416 >= h * 2375
    return (halfSeconds * 2375 + 415) / 416;
}

std::int64_t GroupsForTenths(std::int64_t tenths)
{
    // n * 208 / 2375 >= t / 10  <=>  n * 2080 >= t * 2375
    return (tenths * 2375 + 2079) / 2080;
}

std::vector<std::uint8_t> AFCodesOf(const image::ImageBytes& ram)
{
    std::vector<std::uint8_t> codes;
    const int count = ram[image::kAFCount];
    if (count > image::kAFMax)
        return codes;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t code = ram[image::kAFCodes + i];
        if (code >= 1 && code <= 204)
            codes.push_back(code);
    }
    return codes;
}

std::vector<std::uint16_t> AFMethodA(const std::vector<std::uint8_t>& codes)
{
    auto pair = [](int high, int low) { return static_cast<std::uint16_t>((high << 8) | low); };
    if (codes.empty())
        return {pair(kAFCountBase, kAFFiller)};
    std::vector<std::uint16_t> blocks{pair(kAFCountBase + static_cast<int>(codes.size()), codes[0])};
    for (std::size_t i = 1; i < codes.size(); i += 2)
        blocks.push_back(pair(codes[i], i + 1 < codes.size() ? codes[i + 1] : kAFFiller));
    return blocks;
}

std::uint16_t PIOf(const image::ImageBytes& ram)
{
    return static_cast<std::uint16_t>((ram[image::kPI] << 8) | ram[image::kPI + 1]);
}

std::uint16_t Block2Head(const image::ImageBytes& ram, int type, bool versionB)
{
    return static_cast<std::uint16_t>(((type & 0xF) << 12) | (versionB ? 0x0800 : 0) |
                                      (ram[image::kTP] != 0 ? 0x0400 : 0) | ((ram[image::kPTY] & 0x1F) << 5));
}

Group Group0A(const image::ImageBytes& ram, int segment, const PSValue& ps, std::uint16_t afBlock)
{
    segment &= 3;
    const bool di = ((ram[image::kDI] >> (3 - segment)) & 1) != 0;
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 0, false) | (ram[image::kTA] != 0 ? 0x10 : 0) |
                                             (ram[image::kMS] != 0 ? 0x08 : 0) | (di ? 0x04 : 0) | segment);
    g.blocks[2] = afBlock;
    g.blocks[3] = static_cast<std::uint16_t>((static_cast<std::uint8_t>(ps[2 * segment]) << 8) |
                                             static_cast<std::uint8_t>(ps[2 * segment + 1]));
    return g;
}

Group Group2A(const image::ImageBytes& ram, int segment)
{
    segment &= 15;
    auto chars = [&](int i) {
        return static_cast<std::uint16_t>((ram[image::kRT + i] << 8) | ram[image::kRT + i + 1]);
    };
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 2, false) |
                                             ((ram[image::kRTControl] & 0x02) != 0 ? 0x10 : 0) | segment);
    g.blocks[2] = chars(4 * segment);
    g.blocks[3] = chars(4 * segment + 2);
    return g;
}

Group FreeFormatGroup(const image::ImageBytes& ram, std::uint8_t typeByte, const std::array<std::uint8_t, 5>& bytes)
{
    const bool versionB = (typeByte & 0x08) != 0;
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, typeByte >> 4, versionB) | (bytes[0] & 0x1F));
    g.blocks[2] = versionB ? PIOf(ram) : static_cast<std::uint16_t>((bytes[1] << 8) | bytes[2]);
    g.blocks[3] = static_cast<std::uint16_t>((bytes[3] << 8) | bytes[4]);
    return g;
}

Group UserGroup(const image::ImageBytes& ram)
{
    std::array<std::uint8_t, 5> bytes{};
    for (int i = 0; i < image::kUDGLength; ++i)
        bytes[i] = ram[image::kUDGBytes + i];
    return FreeFormatGroup(ram, ram[image::kUDGType], bytes);
}

Group ClockTimeGroup(const image::ImageBytes& ram, const std::array<std::uint8_t, 6>& record)
{
    return FreeFormatGroup(ram, record[0], {record[1], record[2], record[3], record[4], record[5]});
}

} // namespace quorvan::rds
