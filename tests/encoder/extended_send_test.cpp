// The extended station values travel only into the virtual encoder's
// extension record: never a bus byte, on a real chip nothing at all, and
// Send and Receive carry them beside the chip's image.
#include "encoder/encoder_rig.h"
#include "encoder/extended_send.h"
#include "encoder/receive.h"
#include "encoder/rtplus_registers.h"
#include "encoder/send.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

ExtendedValues SomeValues()
{
    ExtendedValues v;
    v.ecc = 0xE0;
    v.lic = 0x08;
    v.pin = ProgrammeItem{15, 9, 30};
    v.ptyn = "Jazzbar";
    v.longPs = "Radio Kino \xE2\x80\x93 Berlin";
    v.afMethod = AfMethod::B;
    v.afB.push_back({11, {{1, false}, {200, true}}});
    v.eon[2].pi = 0xD3C2;
    v.eon[2].ps = "TRAFFIC";
    v.groupSequence = {SequenceGroup::G0A, SequenceGroup::G2A, SequenceGroup::User};
    return v;
}

TEST(ExtendedSend, WritesTheRecordOnlyAndKeepsItsOtherFields)
{
    EncoderRig rig;
    rig.withRecord();
    ExtensionRecord before;
    before.rtPlus = {0x03, 1, 2, 3, 4, 5, 6};
    before.rdsLevelTenths = 45;
    rig.encoder.setExtension(before);
    const auto idleWrites = rig.port.writes();  // the rig drives the idle bus

    EXPECT_EQ(SendExtended(rig.link, SomeValues()), Outcome::Ready);
    EXPECT_EQ(rig.encoder.extension().values, SomeValues());
    EXPECT_EQ(rig.encoder.extension().rtPlus, before.rtPlus);
    EXPECT_EQ(rig.encoder.extension().rdsLevelTenths, 45);
    EXPECT_EQ(rig.encoder.starts(), 0u) << "nothing on the bus";
    EXPECT_EQ(rig.port.writes(), idleWrites);

    ExtendedValues back;
    EXPECT_EQ(ReceiveExtended(rig.link, back), Outcome::Ready);
    EXPECT_EQ(back, SomeValues());
}

TEST(ExtendedSend, ARealChipReceivesNothing)
{
    EncoderRig rig;  // no record on the link: a real chip's port
    const auto idleWrites = rig.port.writes();
    EXPECT_EQ(SendExtended(rig.link, SomeValues()), Outcome::Ready);
    EXPECT_EQ(SendRTPlusRegisters(rig.link, {0x03, 1, 2, 3, 4, 5, 6}), Outcome::Ready);
    EXPECT_EQ(rig.port.writes(), idleWrites);
    EXPECT_EQ(rig.encoder.extension(), ExtensionRecord{});
}

// Send writes the same bus bytes whether or not the encoder keeps a record,
// and the record gets params.extended; Receive reads it back.
TEST(ExtendedSend, SendAndReceiveCarryTheValuesBesideTheSameBusBytes)
{
    TStationParams params;
    params.program.PSDEF = "KINO";
    params.radiotext.RT1 = "Now: A - B";
    params.radiotext.RTPlus = true;
    params.radiotext.RTPlusPattern = "%a - %t";
    params.textSources.ER1PR = "Now: ";
    params.extended = SomeValues();

    EncoderRig chip;
    EncoderRig virt;
    virt.withRecord();
    for (EncoderRig* rig : {&chip, &virt}) {
        auto ctx = rig->context();
        TStationParams p = params;
        EXPECT_EQ(Send(ctx, p).outcome, Outcome::Ready);
    }
    ASSERT_EQ(chip.transactions(), virt.transactions());
    for (std::size_t n = 0; n < chip.transactions(); ++n)
        EXPECT_EQ(chip.ramAfter(n, 0, 256), virt.ramAfter(n, 0, 256)) << "transaction " << n;
    EXPECT_EQ(chip.port.writes(), virt.port.writes());
    EXPECT_EQ(chip.encoder.extension(), ExtensionRecord{});
    EXPECT_EQ(virt.encoder.extension().values, SomeValues());
    EXPECT_EQ(virt.rtPlus(), "03 04 05 00 01 09 00");  // the tags of "Now: A - B"

    TStationParams received;
    virt.time.advanceMs(1000);
    auto ctx = virt.context();
    EXPECT_EQ(Receive(ctx, received).outcome, Outcome::Ready);
    EXPECT_EQ(received.extended, SomeValues());
    TStationParams fromChip;
    chip.time.advanceMs(1000);
    auto chipCtx = chip.context();
    fromChip.extended.ecc = 0x11;
    EXPECT_EQ(Receive(chipCtx, fromChip).outcome, Outcome::Ready);
    EXPECT_EQ(fromChip.extended.ecc, 0x11) << "a real chip holds none: the values stay";
}

} // namespace
} // namespace quorvan::test
