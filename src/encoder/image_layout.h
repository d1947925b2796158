// The encoder's data image: what lies where in the chip's byte-addressed
// memory. Send, Receive, the direct controls, clock time and the monitor of
// the virtual encoder all take their addresses and lengths from here.
//
// The chip is a slave on the two-wire bus at address 0x6B. A write is: start,
// 0xD6, memory address, data bytes (stored at consecutive addresses), stop.
// A read is: start, 0xD6, memory address, repeated start, 0xD7, then bytes
// from consecutive addresses, the last one not acknowledged, stop.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::image {

inline constexpr std::uint8_t kDeviceWrite = 0xD6;
inline constexpr std::uint8_t kDeviceRead = 0xD7;

// --- addresses and lengths ----------------------------------------------------
inline constexpr std::uint8_t kPI = 0x00;               // high byte, then low byte
inline constexpr int kPILength = 2;
inline constexpr std::uint8_t kPS = 0x02;               // default PS, 8 characters
inline constexpr int kPSLength = 8;
inline constexpr std::uint8_t kPTY = 0x0A;              // programme type index 0..31
inline constexpr std::uint8_t kDI = 0x0B;               // decoder identification bits 0..3
inline constexpr std::uint8_t kMS = 0x0C;               // 0 speech, 1 music
inline constexpr std::uint8_t kTP = 0x0D;               // traffic programme 0/1
inline constexpr std::uint8_t kTA = 0x0E;               // traffic announcement 0/1
inline constexpr std::uint8_t kAFCount = 0x0F;          // 0..15
inline constexpr std::uint8_t kAFCodes = 0x10;          // one code per frequency
inline constexpr int kAFMax = 15;
inline constexpr std::uint8_t kRTControl = 0x1F;        // bit 0 enabled, bit 1 type B
inline constexpr std::uint8_t kRT = 0x20;               // radiotext, 64 characters
inline constexpr int kRTLength = 64;
inline constexpr std::uint8_t kUDGEnable = 0x60;        // user defined group 0/1
inline constexpr std::uint8_t kUDGType = 0x61;          // group type index x 8
inline constexpr std::uint8_t kUDGBytes = 0x62;         // "Byte 4".."Byte 8"
inline constexpr int kUDGLength = 5;
inline constexpr std::uint8_t kCTGroupType = 0x67;      // always 0x40 (group 4A)
inline constexpr std::uint8_t kCTBits = 0x68;           // 40 clock-time bits
inline constexpr int kCTLength = 5;
inline constexpr std::uint8_t kCTTrigger = 0x6D;        // 1 at the start of each minute
inline constexpr std::uint8_t kSubcarrierClock = 0x6E;  // bit 0 clock source, bit 1 PLL range
inline constexpr std::uint8_t kPhase = 0x6F;            // 9.47-degree steps 0..18
inline constexpr std::uint8_t kStatus = 0x70;           // read only: bit 0 pilot, bit 1 TA
inline constexpr std::uint8_t kCommand = 0x71;          // one command byte per write
inline constexpr std::uint8_t kDPSDelay = 0x72;         // 2.7-second steps 0..255
inline constexpr std::uint8_t kDPSMode = 0x73;          // 0..3
inline constexpr std::uint8_t kLabelPeriod = 0x74;      // 2 x seconds - 1
inline constexpr std::uint8_t kScrollSpeed = 0x75;      // 0 high, 1 low
inline constexpr std::uint8_t kDPSLength = 0x76;        // 0..72, 0 = dynamic PS off
inline constexpr std::uint8_t kDPSText = 0x77;          // text, then one space
inline constexpr int kDPSMax = 72;
inline constexpr int kImageSize = 0xC0;                 // 0x00..0xBF
// Where older virtual encoder state files kept the RT+ registers, above the
// chip's memory (0xC0 control, 0xC1..0xC6 the two tags). They now live in
// the extension record (content/extended.h); a state file is migrated on
// load (sim/state_file.h). Nothing writes these addresses any more.
inline constexpr std::uint8_t kRTPlus = 0xC0;
inline constexpr int kRTPlusLength = 7;

// --- values ---------------------------------------------------------------------
inline constexpr std::uint8_t kCTGroupType4A = 0x40;
inline constexpr std::uint8_t kCommandStore = 0x45;      // 'E': copy RAM to EEPROM
inline constexpr std::uint8_t kCommandReset = 0x52;      // 'R': RAM := EEPROM
inline constexpr std::uint8_t kCommandCarrierOff = 0x30; // '0'
inline constexpr std::uint8_t kCommandCarrierOn = 0x31;  // '1'

static_assert(kPS + kPSLength == kPTY);
static_assert(kAFCodes + kAFMax == kRTControl);
static_assert(kRT + kRTLength == kUDGEnable);
static_assert(kUDGBytes + kUDGLength == kCTGroupType);
static_assert(kCTBits + kCTLength == kCTTrigger);
static_assert(kDPSText + kDPSMax + 1 == kImageSize);  // the closing space of a full text lands at 0xBF

using ImageBytes = std::array<std::uint8_t, kImageSize>;

// One entry of the layout, as the monitor lists it.
struct Field {
    std::uint8_t address;
    int length;           // bytes (the longest run for variable parts)
    const char* name;
    const char* encoding;
};

// The whole image in address order.
const std::vector<Field>& Layout();

// "0x1F" style address text.
std::string AddressText(int address);

} // namespace quorvan::image
