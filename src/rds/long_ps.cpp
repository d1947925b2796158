#include "rds/long_ps.h"

#include <algorithm>

namespace quorvan::rds {

std::vector<std::array<std::uint8_t, 4>> TextSegments(const std::string& utf8, std::size_t maxBytes)
{
    std::vector<std::array<std::uint8_t, 4>> segments;
    if (utf8.empty())
        return segments;
    std::string text = utf8.substr(0, maxBytes);
    if (text.size() < maxBytes)
        text += '\r';  // the end of a shorter text (IEC 62106-2, as the radiotext's 0x0D)
    text.resize((text.size() + 3) / 4 * 4, ' ');
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::array<std::uint8_t, 4> s{};
        std::transform(text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                       s.begin(), [](char c) { return static_cast<std::uint8_t>(c); });
        segments.push_back(s);
    }
    return segments;
}

Group Group15A(const image::ImageBytes& ram, int segment, const std::array<std::uint8_t, 4>& bytes)
{
    Group g;
    g.blocks[0] = PIOf(ram);
    g.blocks[1] = static_cast<std::uint16_t>(Block2Head(ram, 15, false) | (segment & 7));
    g.blocks[2] = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    g.blocks[3] = static_cast<std::uint16_t>((bytes[2] << 8) | bytes[3]);
    return g;
}

} // namespace quorvan::rds
