// The RDS groups the encoder forms from its data image: what goes on air.
//
// Each group is four 16-bit blocks without their check words, block 1 the PI.
// This folder turns a data image into that stream (0A with the PS and the AF
// list, 2A radiotext, 4A clock time, the user defined group), models the
// encoder's dynamic PS on air, and decodes the stream as a receiver would.
// It only reads images; it never writes to the encoder, touches a port or
// looks at a clock of its own: time is counted in groups.
//
// Block layouts: EN 50067:1998, section 3.1.5 (group types 0A, 2A, 4A) and
// 3.2.1.6 (the AF list, method A).
#pragma once

#include "encoder/image_layout.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::rds {

using PSValue = std::array<char, 8>;

struct Group {
    std::array<std::uint16_t, 4> blocks{};
    bool operator==(const Group&) const = default;

    // Group type code 0..15 (bits 15..12 of block 2) and version (bit 11, B = true).
    int type() const { return blocks[1] >> 12; }
    bool versionB() const { return (blocks[1] & 0x0800) != 0; }
    // "0A", "2A", "15B".
    std::string typeName() const;
    // "6204 0130 594C 4D20": four upper-case hexadecimal blocks.
    std::string hex() const;
};

// The group rate of RDS: 1187.5 bit/s, 104 bits per group.
inline constexpr double kGroupsPerSecond = 1187.5 / 104.0;
// Whole groups that fill at least `halfSeconds` / 2 seconds: n * 104 / 1187.5 >= s.
std::int64_t GroupsForHalfSeconds(std::int64_t halfSeconds);
// The same for tenths of a second.
std::int64_t GroupsForTenths(std::int64_t tenths);

// AF codes 1..204 (87.6 to 107.9 MHz); 205 is the filler, 224 + n opens a list of n.
inline constexpr std::uint8_t kAFFiller = 205;
inline constexpr std::uint8_t kAFCountBase = 224;

// The AF codes the encoder sends: the first `count` bytes at 0x10 that are
// valid codes (1..204). A count byte above 15 sends no list; a byte outside
// 1..204 is left out rather than sent, where it would read as a filler or a
// count.
std::vector<std::uint8_t> AFCodesOf(const image::ImageBytes& ram);
// Method A (EN 50067:1998, 3.2.1.6.2): the first pair is 224 + count and the
// first code, then the remaining codes two to a pair, the last one filled with
// 205; with no codes the one pair 224, 205. Each pair is one block 3 of a 0A
// group, high byte first.
std::vector<std::uint16_t> AFMethodA(const std::vector<std::uint8_t>& codes);

// Block 2 bits common to every group: type, version, TP and PTY from the image.
std::uint16_t Block2Head(const image::ImageBytes& ram, int type, bool versionB);
std::uint16_t PIOf(const image::ImageBytes& ram);

// 0A segment 0..3 with the given 8 PS characters and AF block: TP, PTY, TA,
// M/S, the DI bit of the segment (segment 0 carries d3, Dynamic PTY, ...
// segment 3 carries d0, Stereo), the segment address; PS characters 2s, 2s+1.
Group Group0A(const image::ImageBytes& ram, int segment, const PSValue& ps, std::uint16_t afBlock);
// 2A segment 0..15: A/B flag from bit 1 of the radiotext control byte,
// characters 4s..4s+3 of the radiotext.
Group Group2A(const image::ImageBytes& ram, int segment);
// A group laid out as the user group and the clock-time record are: the type
// byte (type in bits 7-4, version in bit 3) and the five bytes "Byte 4" to
// "Byte 8". Byte 4's low five bits end block 2, bytes 5 and 6 are block 3 (the
// PI in a version B group, EN 50067:1998, 3.1.4), bytes 7 and 8 block 4.
Group FreeFormatGroup(const image::ImageBytes& ram, std::uint8_t typeByte, const std::array<std::uint8_t, 5>& bytes);
// The user defined group of the image (0x61..0x66).
Group UserGroup(const image::ImageBytes& ram);
// The 4A group of a latched clock-time record (0x67..0x6C as latched).
Group ClockTimeGroup(const image::ImageBytes& ram, const std::array<std::uint8_t, 6>& record);

} // namespace quorvan::rds
