#include "encoder/image_layout.h"

#include <cstdio>

namespace quorvan::image {

const std::vector<Field>& Layout()
{
    static const std::vector<Field> fields = {
        {kPI, kPILength, "PI", "high byte, low byte of the 4 hexadecimal digits"},
        {kPS, kPSLength, "Default PS", "8 characters, space filled"},
        {kPTY, 1, "Programme type", "index 0..31"},
        {kDI, 1, "Decoder identification", "bit 0 stereo, 1 artificial head, 2 compressed, 3 dynamic PTY"},
        {kMS, 1, "Music/speech", "0 speech, 1 music"},
        {kTP, 1, "Traffic programme", "0/1"},
        {kTA, 1, "Traffic announcement", "0/1"},
        {kAFCount, 1, "AF count", "0..15"},
        {kAFCodes, kAFMax, "AF codes", "tenths of a MHz minus 875 (1 = 87.6 MHz)"},
        {kRTControl, 1, "Radiotext control", "bit 0 enabled, bit 1 type B"},
        {kRT, kRTLength, "Radiotext", "64 characters, space filled"},
        {kUDGEnable, 1, "User group enable", "0/1"},
        {kUDGType, 1, "User group type", "type number x 16 + version B x 8"},
        {kUDGBytes, kUDGLength, "User group bytes", "Byte 4 .. Byte 8"},
        {kCTGroupType, 1, "Clock-time group type", "0x40 (4A)"},
        {kCTBits, kCTLength, "Clock-time bits", "MJD, UTC hour and minute, local offset"},
        {kCTTrigger, 1, "Clock-time trigger", "1 at each minute"},
        {kSubcarrierClock, 1, "Subcarrier clock", "bit 0 auto (stereo), bit 1 PLL +/- 2 Hz"},
        {kPhase, 1, "Subcarrier phase", "9.47-degree steps 0..18"},
        {kStatus, 1, "Status", "bit 0 pilot tone, bit 1 traffic announcement (read only)"},
        {kCommand, 1, "Command", "E store, R reset, 0 carrier off, 1 carrier on"},
        {kDPSDelay, 1, "Dynamic PS loop delay", "2.7-second steps, 255 infinite"},
        {kDPSMode, 1, "Dynamic PS mode", "0..3"},
        {kLabelPeriod, 1, "Label period", "2 x seconds - 1"},
        {kScrollSpeed, 1, "Scrolling PS speed", "0 high, 1 low"},
        {kDPSLength, 1, "Dynamic PS length", "0..72, 0 off"},
        {kDPSText, kDPSMax + 1, "Dynamic PS text", "text, then one space"},
    };
    return fields;
}

std::string AddressText(int address)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", address & 0xFF);
    return buf;
}

} // namespace quorvan::image
