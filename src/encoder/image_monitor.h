// What the encoder's data image means, for the monitor window of the virtual
// encoder and for quorvanctl: every field of the image decoded from the 192
// RAM bytes, raw values kept beside their meaning.
#pragma once

#include "encoder/image_decode.h"
#include "encoder/image_layout.h"
#include "link/clock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvan {

struct ImageMeaning {
    std::string PI;                      // four upper-case hex digits
    std::string PS;                      // the 8 bytes as they are
    int PTY = 0;                         // raw index
    std::string PTYName;                 // in the chosen coding; "" outside 0..31
    std::array<bool, 4> DI{};            // stereo, artificial head, compressed, dynamic PTY
    int MS = 0;                          // raw: 0 speech, 1 music
    bool TP = false;
    bool TA = false;
    int afCountByte = 0;                 // raw count byte
    std::vector<std::string> AF;         // MHz texts of the codes in force (count above 15: none)
    bool rtEnabled = false;
    char rtType = 'A';                   // 'A' or 'B'
    std::string RT;                      // the 64 bytes as they are
    bool udgEnabled = false;
    int udgType = 0;                     // type byte / 8, 0..31
    std::string udgTypeName;             // "0A".."15B"
    std::array<std::uint8_t, 5> udgBytes{};
    std::uint8_t ctGroupType = 0;        // 0x40 once a clock time was loaded
    std::array<std::uint8_t, 5> ctBytes{};
    ClockTimeFields ct;                  // the 40 bits unpacked
    DateTime ctUtcDate;                  // the date of ct.mjd (hour and minute from ct)
    int ctOffsetHalfHours = 0;           // signed local offset in half hours
    bool ctTrigger = false;              // 0x6D
    int clockSource = 0;                 // bit 0: 0 internal (mono), 1 auto (stereo)
    int pllRange = 0;                    // bit 1: 0 +/- 5 Hz, 1 +/- 2 Hz
    int phaseSteps = 0;                  // raw byte
    std::string phaseText;               // "170.46" (degrees; the byte x 9.47)
    int status = 0;                      // 0x70
    bool pilotTone = false;
    bool statusTA = false;
    int delaySteps = 0;                  // raw byte
    std::string delayText;               // "21.6" seconds, "(infinite)" at 255
    int dpsMode = 0;                     // raw
    int labelPeriodByte = 0;
    std::string labelPeriodText;         // "2.5" seconds
    int scrollSpeed = 0;                 // 0 high, 1 low (raw)
    int dpsLengthByte = 0;               // raw
    int dpsLength = 0;                   // capped at 72
    std::string dpsText;                 // dpsLength bytes from 0x77
};

// Decodes a RAM image (0x00..0xBF; the status byte is read at 0x70).
// ptyCoding: 0 European, 1 RBDS, 2 numbered, as RBPTYC.
ImageMeaning DecodeImage(const image::ImageBytes& ram, int ptyCoding = 0, char decimalSeparator = '.');
// The first 192 bytes of a 256-byte memory picture.
image::ImageBytes ImageOf(const std::array<std::uint8_t, 256>& memory);

// The meaning as readable lines ("PS: RADIO   ", "AF (2): 87.6 100.0", ...),
// for a text monitor and quorvanctl. Texts keep their bytes.
std::vector<std::string> DescribeImage(const ImageMeaning& meaning);

} // namespace quorvan
