// Groups for tests written as they are printed: "D3C2 1000 00E0 7A5E", four
// blocks of four hexadecimal digits.
#pragma once

#include "rds/groups.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvan::test {

inline rds::Group HexGroup(std::string_view text)
{
    rds::Group g;
    int block = 0;
    int digits = 0;
    for (char c : text) {
        if (c == ' ')
            continue;
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        if (v < 0 || block >= 4)
            throw std::invalid_argument("not a group: " + std::string(text));
        g.blocks[block] = static_cast<std::uint16_t>(g.blocks[block] << 4 | v);
        if (++digits == 4) {
            digits = 0;
            ++block;
        }
    }
    if (block != 4)
        throw std::invalid_argument("not a group: " + std::string(text));
    return g;
}

// A group with block 2 `block2` whose blocks 3 and 4 carry four bytes of
// `bytes` from `at` (spaces past its end).
inline rds::Group TextGroup(std::uint16_t pi, std::uint16_t block2, std::string_view bytes, std::size_t at)
{
    auto byte = [&](std::size_t i) -> std::uint16_t {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x20;
    };
    rds::Group g;
    g.blocks = {pi, block2, static_cast<std::uint16_t>(byte(at) << 8 | byte(at + 1)),
                static_cast<std::uint16_t>(byte(at + 2) << 8 | byte(at + 3))};
    return g;
}

} // namespace quorvan::test
