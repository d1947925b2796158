#include "sim/sim_rig.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

class VirtualEncoderOnPort : public ::testing::TestWithParam<PortKind> {};

TEST_P(VirtualEncoderOnPort, WriteStoresAtConsecutiveAddressesAndReadReturnsThem)
{
    SimRig r(GetParam());
    EXPECT_EQ(r.write(0x02, hex("52 41 44 49 4F 20 51 31")), "Ready");
    EXPECT_EQ(r.encoder.ram(0x02), 0x52);
    EXPECT_EQ(r.encoder.ram(0x09), 0x31);
    EXPECT_EQ(r.encoder.ram(0x0A), 0x00);
    EXPECT_EQ(r.read(0x02, 8), hex("52 41 44 49 4F 20 51 31"));
    EXPECT_EQ(r.link.StatusText(), "Ready");
    EXPECT_EQ(r.read(0x05, 1), hex("49"));
    EXPECT_EQ(r.encoder.starts(), 5u) << "two writes' and reads' starts plus the repeated starts";
}

TEST_P(VirtualEncoderOnPort, ReadsBackEveryBitPattern)
{
    SimRig r(GetParam());
    Bytes all;
    for (int i = 0; i < 64; ++i)
        all.push_back(static_cast<std::uint8_t>(i * 4 + (i & 3)));
    r.write(0x20, all);
    EXPECT_EQ(r.read(0x20, 64), all);
}

TEST_P(VirtualEncoderOnPort, WrongDeviceAddressIsNotAcknowledged)
{
    SimRig r(GetParam());
    EXPECT_EQ(r.write(0x02, hex("11 22"), 0xD4), "!Ready");
    EXPECT_EQ(r.encoder.ram(0x02), 0x00);
    r.link.Bidirectional = false;
    EXPECT_EQ(r.write(0x02, hex("11"), 0xD4), "Ready") << "without Bidirectional nothing is checked";
}

TEST_P(VirtualEncoderOnPort, PoweredOffNothingAnswers)
{
    SimRig r(GetParam());
    r.write(0x00, hex("12 34"));
    r.encoder.setPower(false);
    EXPECT_EQ(r.write(0x00, hex("AA")), "!Ready");
    EXPECT_EQ(r.read(0x00, 3), hex("FF FF FF"));
    EXPECT_EQ(r.link.StatusText(), "!Ready");
}

TEST_P(VirtualEncoderOnPort, StoredDataSurvivesAPowerCycleAndUnstoredDoesNot)
{
    SimRig r(GetParam());
    r.write(0x00, hex("12 34"));
    EXPECT_EQ(r.write(0x71, hex("45")), "Ready");
    EXPECT_EQ(r.encoder.lastCommand(), 0x45);
    r.write(0x00, hex("56 78"));
    r.encoder.setPower(false);
    r.encoder.setPower(true);
    EXPECT_EQ(r.read(0x00, 2), hex("12 34"));
}

TEST_P(VirtualEncoderOnPort, CommandsResetAndSwitchTheCarrier)
{
    SimRig r(GetParam());
    r.write(0x71, hex("30"));
    EXPECT_FALSE(r.encoder.carrier());
    r.write(0x71, hex("31"));
    EXPECT_TRUE(r.encoder.carrier());
    r.write(0x0E, hex("01"));
    r.write(0x71, hex("52"));
    EXPECT_EQ(r.encoder.ram(0x0E), 0x00) << "reset reloads RAM from the EEPROM";
    // More than one byte through 0x71 is data, not a command.
    r.write(0x70, hex("00 30 00"));
    EXPECT_TRUE(r.encoder.carrier());
    EXPECT_EQ(r.encoder.commands(), 3u);
}

TEST_P(VirtualEncoderOnPort, StatusByteIsReadOnlyAndReadable)
{
    SimRig r(GetParam());
    r.encoder.setStatus(0x83);
    EXPECT_EQ(r.read(0x70, 1), hex("83"));
    r.write(0x70, hex("00"));
    EXPECT_EQ(r.encoder.status(), 0x83);
    // Bit 1 shows the traffic announcement register, written alone or in a
    // run, and as the stored image brings it back at a reset.
    r.write(0x0E, hex("00"));
    EXPECT_EQ(r.encoder.status(), 0x81);
    r.write(0x0C, hex("00 00 01 00"));
    EXPECT_EQ(r.encoder.status(), 0x83);
    r.write(0x0E, hex("00"));
    r.encoder.reset();
    EXPECT_EQ(r.encoder.status(), 0x81);
}

TEST_P(VirtualEncoderOnPort, TriggerLatchesTheClockTimeRecord)
{
    SimRig r(GetParam());
    r.write(0x67, hex("40 01 A3 33 67 84"));
    EXPECT_EQ(r.encoder.state().clockTimeLatches, 0u);
    r.write(0x6D, hex("01"));
    EXPECT_EQ(r.encoder.state().clockTimeLatches, 1u);
    EXPECT_EQ(r.encoder.state().clockTime[0], 0x40);
    EXPECT_EQ(r.encoder.state().clockTime[5], 0x84);
}

TEST_P(VirtualEncoderOnPort, ReadRunWrapsThePointerAndStopsOnMissingAcknowledge)
{
    SimRig r(GetParam());
    r.encoder.poke(0xFF, hex("7E 81"));
    EXPECT_EQ(r.read(0xFF, 2), hex("7E 81"));
    EXPECT_EQ(r.encoder.pointer(), 0x01);
    // After a run ends, the bus is idle and the next write works.
    EXPECT_EQ(r.write(0x10, hex("01")), "Ready");
}

INSTANTIATE_TEST_SUITE_P(BothPorts, VirtualEncoderOnPort, ::testing::Values(PortKind::Parallel, PortKind::Serial),
                         [](const auto& info) { return info.param == PortKind::Parallel ? "Parallel" : "Serial"; });

TEST(VirtualEncoderLines, OneWriteLoweringClockAndChangingDataIsNeverAStop)
{
    VirtualEncoder enc;
    VirtualParallelPort port(enc, 888);
    port.write(888, 24);
    port.write(888, 8); // start
    port.write(888, 0);
    EXPECT_EQ(enc.starts(), 1u);
    // Clock high with data low, then one write: clock low and data high.
    port.write(888, 8);
    port.write(888, 16);
    // And clock high with data high, then one write: clock low, data low.
    port.write(888, 24);
    port.write(888, 0);
    EXPECT_EQ(enc.starts(), 1u);
    EXPECT_EQ(enc.stops(), 0u);
}

TEST(VirtualEncoderLines, SerialDataChangeWithClockHighIsStartAndStop)
{
    VirtualEncoder enc;
    VirtualSerialLines lines(enc);
    lines.setDTR(false);
    EXPECT_EQ(enc.starts(), 1u);
    lines.setDTR(true);
    EXPECT_EQ(enc.stops(), 1u);
    EXPECT_TRUE(lines.cts());
}

TEST(VirtualEncoderLines, StatusRegisterCarriesOnlyTheDataLine)
{
    VirtualEncoder enc;
    VirtualParallelPort port(enc, 632);
    port.write(632, 24);
    EXPECT_EQ(port.read(633), 32);
    port.write(632, 8);
    EXPECT_EQ(port.read(633), 0);
    EXPECT_EQ(port.read(634), 0xFF);
    port.write(888, 24); // another port's address does not reach it
    EXPECT_FALSE(enc.dataLine());
}

} // namespace
} // namespace quorvan::test
