#include "encoder/image_monitor.h"

#include "content/pi.h"
#include "content/pty.h"
#include "content/steps.h"
#include "content/user_group.h"

#include <cstdio>

namespace quorvan {

namespace {

std::string Bytes(const std::uint8_t* p, int n)
{
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
}

std::string Fixed(double value, int decimals)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

std::string TwoDigits(int v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

image::ImageBytes ImageOf(const std::array<std::uint8_t, 256>& memory)
{
    image::ImageBytes out{};
    for (int i = 0; i < image::kImageSize; ++i)
        out[i] = memory[i];
    return out;
}

ImageMeaning DecodeImage(const image::ImageBytes& ram, int ptyCoding, char decimalSeparator)
{
    using namespace image;
    ImageMeaning m;
    m.PI = PIText(static_cast<std::uint16_t>(ram[kPI] << 8 | ram[kPI + 1]));
    m.PS = Bytes(&ram[kPS], kPSLength);
    m.PTY = ram[kPTY];
    m.PTYName = std::string(PTYName(ptyCoding, m.PTY));
    for (int bit = 0; bit < 4; ++bit)
        m.DI[bit] = ((ram[kDI] >> bit) & 1) != 0;
    m.MS = ram[kMS];
    m.TP = (ram[kTP] & 1) != 0;
    m.TA = (ram[kTA] & 1) != 0;
    m.afCountByte = ram[kAFCount];
    for (int i = 0; i < ReceivedAFCount(ram[kAFCount]); ++i)
        m.AF.push_back(ReceivedAFText(ram[kAFCodes + i], decimalSeparator));
    m.rtEnabled = (ram[kRTControl] & 1) != 0;
    m.rtType = (ram[kRTControl] & 2) ? 'B' : 'A';
    m.RT = Bytes(&ram[kRT], kRTLength);
    m.udgEnabled = (ram[kUDGEnable] & 1) != 0;
    m.udgType = ram[kUDGType] / 8;
    m.udgTypeName = GroupTypeName(m.udgType);
    for (int i = 0; i < kUDGLength; ++i)
        m.udgBytes[i] = ram[kUDGBytes + i];
    m.ctGroupType = ram[kCTGroupType];
    for (int i = 0; i < kCTLength; ++i)
        m.ctBytes[i] = ram[kCTBits + i];
    m.ct = UnpackClockTime(m.ctBytes);
    m.ctUtcDate = DateOfModifiedJulianDay(m.ct.mjd);
    m.ctUtcDate.hour = m.ct.utcHour;
    m.ctUtcDate.minute = m.ct.utcMinute;
    m.ctOffsetHalfHours = m.ct.negative ? -m.ct.halfHours : m.ct.halfHours;
    m.ctTrigger = ram[kCTTrigger] != 0;
    m.clockSource = ram[kSubcarrierClock] & 1;
    m.pllRange = (ram[kSubcarrierClock] >> 1) & 1;
    m.phaseSteps = ram[kPhase];
    m.phaseText = Fixed(m.phaseSteps * kSEPHASESpec.step, 2);
    m.status = ram[kStatus];
    m.pilotTone = (m.status & 1) != 0;
    m.statusTA = (m.status & 2) != 0;
    m.delaySteps = ram[kDPSDelay];
    m.delayText = m.delaySteps == kSEDPS1DLSpec.maxSteps ? "(infinite)" : Fixed(m.delaySteps * kSEDPS1DLSpec.step, 1);
    m.dpsMode = ram[kDPSMode];
    m.labelPeriodByte = ram[kLabelPeriod];
    m.labelPeriodText = Fixed(m.labelPeriodByte * 0.5 + 0.5, 1);
    m.scrollSpeed = ram[kScrollSpeed];
    m.dpsLengthByte = ram[kDPSLength];
    m.dpsLength = ReceivedDPSLength(ram[kDPSLength]);
    m.dpsText = Bytes(&ram[kDPSText], m.dpsLength);
    return m;
}

std::vector<std::string> DescribeImage(const ImageMeaning& m)
{
    static const char* const kDINames[4] = {"stereo", "artificial head", "compressed", "dynamic PTY"};
    std::vector<std::string> lines;
    lines.push_back("PI: " + m.PI);
    lines.push_back("PS: " + m.PS);
    lines.push_back("PTY: " + std::to_string(m.PTY) + (m.PTYName.empty() ? "" : " " + m.PTYName));
    std::string di;
    for (int i = 0; i < 4; ++i)
        if (m.DI[i])
            di += (di.empty() ? "" : ", ") + std::string(kDINames[i]);
    lines.push_back("DI: " + (di.empty() ? std::string("-") : di));
    lines.push_back(std::string("MS: ") + (m.MS == 0 ? "speech" : m.MS == 1 ? "music" : std::to_string(m.MS)));
    lines.push_back(std::string("TP: ") + (m.TP ? "1" : "0") + "  TA: " + (m.TA ? "1" : "0"));
    std::string af = "AF (" + std::to_string(m.afCountByte) + "):";
    for (const auto& f : m.AF)
        af += " " + f;
    lines.push_back(af);
    lines.push_back(std::string("RT ") + m.rtType + (m.rtEnabled ? " on: " : " off: ") + m.RT);
    std::string udg = "User group " + m.udgTypeName + (m.udgEnabled ? " on:" : " off:");
    for (std::uint8_t b : m.udgBytes) {
        // Appended piece by piece: `" " + text` makes GCC 12 at -O3 warn
        // about an overlapping copy that cannot happen (-Wrestrict, GCC bug 105329).
        udg += ' ';
        udg += HexByteText(b);
    }
    lines.push_back(udg);
    if (m.ctGroupType == 0) {
        lines.push_back("CT: -");
    } else {
        const int off = m.ctOffsetHalfHours;
        lines.push_back("CT: " + std::to_string(m.ctUtcDate.year) + "-" + TwoDigits(m.ctUtcDate.month) + "-" +
                        TwoDigits(m.ctUtcDate.day) + " " + TwoDigits(m.ct.utcHour) + ":" +
                        TwoDigits(m.ct.utcMinute) + " UTC, offset " + (off < 0 ? "-" : "+") +
                        Fixed((off < 0 ? -off : off) / 2.0, 1) + " h, MJD " + std::to_string(m.ct.mjd) +
                        (m.ctTrigger ? ", triggered" : ""));
    }
    lines.push_back(std::string("Clock source: ") + (m.clockSource ? "auto (stereo)" : "internal (mono)") +
                    ", PLL " + (m.pllRange ? "+/- 2 Hz" : "+/- 5 Hz") + ", phase " + m.phaseText + " degrees");
    lines.push_back("Status: " + std::to_string(m.status) + " (pilot tone " + (m.pilotTone ? "1" : "0") + ", TA " +
                    (m.statusTA ? "1" : "0") + ")");
    lines.push_back("DPS mode " + std::to_string(m.dpsMode) + ", label period " + m.labelPeriodText +
                    " s, delay " + m.delayText + (m.delaySteps == 255 ? "" : " s") + ", speed " +
                    (m.scrollSpeed == 0 ? "high" : m.scrollSpeed == 1 ? "low" : std::to_string(m.scrollSpeed)));
    lines.push_back("DPS (" + std::to_string(m.dpsLengthByte) + "): " + m.dpsText);
    return lines;
}

} // namespace quorvan
