#include "encoder/direct_controls.h"
#include "encoder/encoder_rig.h"
#include "encoder/send.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

TEST(DirectControls, CarrierOffOnAndReset)
{
    EncoderRig rig;
    rig.encoder.poke(0x02, {'R', 'A', 'M'});
    EXPECT_EQ(SetCarrier(rig.link, false), Outcome::Ready);
    EXPECT_FALSE(rig.encoder.carrier());
    EXPECT_EQ(rig.encoder.lastCommand(), 0x30);
    EXPECT_EQ(SetCarrier(rig.link, true), Outcome::Ready);
    EXPECT_TRUE(rig.encoder.carrier());
    EXPECT_EQ(rig.encoder.lastCommand(), 0x31);
    EXPECT_EQ(Reset(rig.link), Outcome::Ready);
    EXPECT_EQ(rig.encoder.lastCommand(), 0x52);
    EXPECT_EQ(rig.ram(0x02, 3), "00 00 00");  // working data back from the (empty) EEPROM
    EXPECT_EQ(rig.time.totalSleptMs(), 0);   // no pause after any of them
    EXPECT_EQ(rig.link.StatusText(), "Ready");
}

TEST(DirectControls, TrafficAnnouncementToggles)
{
    EncoderRig rig;
    TStationParams params;
    params.program.PSDEF = "unsent";
    EXPECT_EQ(ToggleTrafficAnnouncement(rig.link, params), Outcome::Ready);
    EXPECT_TRUE(params.program.TA);
    EXPECT_EQ(rig.ram(0x0E, 1), "01");
    EXPECT_EQ(ToggleTrafficAnnouncement(rig.link, params), Outcome::Ready);
    EXPECT_FALSE(params.program.TA);
    EXPECT_EQ(rig.ram(0x0E, 1), "00");
    EXPECT_EQ(rig.ram(0x02, 1), "00");  // nothing else is written
    EXPECT_EQ(rig.transactions(), 2u);
}

TEST(DirectControls, TrafficAnnouncementStaysToggledWhenTheEncoderIsSilent)
{
    EncoderRig rig;
    rig.encoder.setPower(false);
    TStationParams params;
    EXPECT_EQ(ToggleTrafficAnnouncement(rig.link, params), Outcome::NotReady);
    EXPECT_TRUE(params.program.TA);
    EXPECT_EQ(rig.link.StatusText(), "!Ready");
}

TEST(DirectControls, NoGuardAndNoLastOperationTime)
{
    EncoderRig rig;
    TStationParams params;
    auto ctx = rig.context();
    EXPECT_EQ(SetCarrier(rig.link, false), Outcome::Ready);
    EXPECT_FALSE(rig.guard.LastOperationTime().has_value());
    EXPECT_EQ(Send(ctx, params).outcome, Outcome::Ready);  // "Switch Off" then "Send" at once
    EXPECT_EQ(SetTrafficAnnouncement(rig.link, true), Outcome::Ready);
    EXPECT_EQ(rig.ram(0x0E, 1), "01");
}

} // namespace
} // namespace quorvan::test
