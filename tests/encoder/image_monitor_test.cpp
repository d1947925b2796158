#include "content/radiotext.h"
#include "encoder/clock_time.h"
#include "encoder/encoder_rig.h"
#include "encoder/image_monitor.h"
#include "encoder/send.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvan::test {
namespace {

TEST(ImageMonitor, DecodesWhatSendWrote)
{
    EncoderRig rig;
    TStationParams p;
    p.program.PI = "D3C2";
    p.program.PSDEF = "MONITOR";
    p.program.PTY = 10;
    p.program.DI = {true, false, false, true};
    p.program.TP = true;
    p.program.SGAF[0] = "87.6";
    p.program.SGAF[1] = "100";
    p.radiotext.CBRTEN = true;
    p.radiotext.CBRTT1 = 1;
    p.radiotext.RT1 = "Radiotext";
    p.system.CBUDGEN = true;
    p.system.CBGRTYP = 9;
    p.system.DB6 = "AB";
    p.system.RGCS = 1;
    p.system.SEPHASE = 18;
    p.dynamicPs.SEDPS1DL = 255;
    p.dynamicPs.RGDPS1M = 1;
    p.dynamicPs.DPS1EN = true;
    p.dynamicPs.DPS1B = "SCROLLING";
    auto ctx = rig.context(false);
    Send(ctx, p);
    SendCT(rig.link, DateTime{2005, 10, 15, 12, 0, 20}, 2);
    rig.encoder.setStatus(3);

    const ImageMeaning m = DecodeImage(ImageOf(rig.encoder.ramImage()));
    EXPECT_EQ(m.PI, "D3C2");
    EXPECT_EQ(m.PS, "MONITOR ");
    EXPECT_EQ(m.PTY, 10);
    EXPECT_EQ(m.PTYName, "Pop M");
    EXPECT_EQ(m.DI, (std::array<bool, 4>{true, false, false, true}));
    EXPECT_TRUE(m.TP);
    EXPECT_EQ(m.AF, (std::vector<std::string>{"87.6", "100.0"}));
    EXPECT_TRUE(m.rtEnabled);
    EXPECT_EQ(m.rtType, 'B');
    EXPECT_EQ(m.RT.substr(0, 10), "Radiotext ");
    EXPECT_TRUE(m.udgEnabled);
    EXPECT_EQ(m.udgTypeName, "4B");
    EXPECT_EQ(m.udgBytes[3], 0xAB);
    EXPECT_EQ(m.ctGroupType, 0x40);
    EXPECT_EQ(m.ct.mjd, 53658);
    EXPECT_EQ(m.ctUtcDate, (DateTime{2005, 10, 15, 10, 1, 0, 0}));
    EXPECT_EQ(m.ctOffsetHalfHours, 4);
    EXPECT_EQ(m.clockSource, 1);
    EXPECT_EQ(m.phaseText, "170.46");
    EXPECT_TRUE(m.pilotTone);
    EXPECT_TRUE(m.statusTA);
    EXPECT_EQ(m.delayText, "(infinite)");
    EXPECT_EQ(m.labelPeriodText, "2.5");
    EXPECT_EQ(m.dpsLength, 9);
    EXPECT_EQ(m.dpsText, "SCROLLING");

    const auto lines = DescribeImage(m);
    EXPECT_EQ(lines[0], "PI: D3C2");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "AF (2): 87.6 100.0"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "CT: 2005-10-15 10:01 UTC, offset +2.0 h, MJD 53658"),
              lines.end());
}

TEST(ImageMonitor, OutOfRangeBytesDoNotUpsetTheDecoder)
{
    image::ImageBytes ram;
    ram.fill(0xFF);
    const ImageMeaning m = DecodeImage(ram, 1);
    EXPECT_EQ(m.PTY, 255);
    EXPECT_EQ(m.PTYName, "");
    EXPECT_TRUE(m.AF.empty());
    EXPECT_EQ(m.dpsLength, 72);
    EXPECT_EQ(m.dpsText.size(), 72u);
    EXPECT_EQ(m.udgTypeName, "15B");
    EXPECT_FALSE(DescribeImage(m).empty());
}

TEST(ImageLayout, CoversTheImageInAddressOrderWithoutOverlap)
{
    int next = 0;
    for (const auto& field : image::Layout()) {
        EXPECT_EQ(field.address, next) << field.name;
        next = field.address + field.length;
    }
    EXPECT_EQ(next, image::kImageSize);
}

// The chip model answers at the addresses the commands use.
static_assert(VirtualEncoder::kDeviceWrite == image::kDeviceWrite && VirtualEncoder::kDeviceRead == image::kDeviceRead);
static_assert(VirtualEncoder::kStatusAddress == image::kStatus && VirtualEncoder::kCommandAddress == image::kCommand);
static_assert(VirtualEncoder::kClockTimeAddress == image::kCTGroupType &&
              VirtualEncoder::kClockTimeTrigger == image::kCTTrigger);
static_assert(VirtualEncoder::kCommandStore == image::kCommandStore &&
              VirtualEncoder::kCommandReset == image::kCommandReset &&
              VirtualEncoder::kCommandCarrierOff == image::kCommandCarrierOff &&
              VirtualEncoder::kCommandCarrierOn == image::kCommandCarrierOn);

} // namespace
} // namespace quorvan::test
