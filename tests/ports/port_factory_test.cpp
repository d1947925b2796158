#include "link/link_fakes.h"
#include "link/linux_parallel.h"
#include "ports/port_factory.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace quorvan::test {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path dir;
    Scratch()
    {
        dir = fs::temp_directory_path()
            / ("quorvan-ports-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string put(const std::string& rel, const std::string& text) const
    {
        const fs::path p = dir / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string path(const std::string& rel) const { return (dir / rel).string(); }
    // Options that can never reach real hardware.
    PortOptions options() const
    {
        PortOptions o;
        o.parportProcDir = path("proc");
        o.devDir = path("dev");
        o.directIo = false;
        return o;
    }
};

TEST(Lpt2Address, OnlyDecimalNumbersFrom256To65535)
{
    std::int32_t a = 0;
    std::string error;
    EXPECT_TRUE(ParseLpt2Address("632", a, error));
    EXPECT_EQ(a, 632);
    EXPECT_TRUE(ParseLpt2Address("256", a, error));
    EXPECT_TRUE(ParseLpt2Address("65535", a, error));
    for (const char* bad : {"", "  ", "abc", "63a", "-632", "6.32", "1", "4", "255", "65536", "99999", "000632"}) {
        a = -1;
        EXPECT_FALSE(ParseLpt2Address(bad, a, error)) << bad;
        EXPECT_EQ(a, -1);
        EXPECT_NE(error.find("LPT2 address"), std::string::npos) << error;
    }
}

TEST(PortFactory, BadLpt2AddressIsRefusedBeforeAnythingIsWritten)
{
    Scratch s;
    PortOptions o = s.options();
    o.routeToVirtual = true;
    for (const char* bad : {"x1", "3", "70000"}) {
        o.lpt2Address = bad;
        PortFactory factory(o);
        const PortOpenResult r = factory.open("lpt2");
        EXPECT_EQ(r.port, nullptr);
        EXPECT_EQ(r.failure, PortError::BadAddress);
        EXPECT_EQ(factory.virtualEncoder()->starts(), 0u);
    }
}

TEST(PortFactory, FindsThePpdevDeviceByBaseAddress)
{
    Scratch s;
    s.put("proc/parport0/base-addr", "888\t1912\n");
    s.put("proc/parport1/base-addr", "632\t1656\n");
    EXPECT_EQ(FindParportByBase(s.path("proc"), 632), 1);
    EXPECT_EQ(FindParportByBase(s.path("proc"), 888), 0);
    EXPECT_EQ(FindParportByBase(s.path("proc"), 956), std::nullopt);
}

TEST(PortFactory, ParallelPortOutOfReachIsNeverSuccess)
{
    Scratch s;
    s.put("proc/parport0/base-addr", "888\t1912\n");
    s.put("dev/parport0", ""); // a plain file: opens, but cannot be claimed
    PortFactory factory(s.options());
    PortOpenResult r = factory.open("lpt1");
    ASSERT_NE(r.port, nullptr);
    EXPECT_FALSE(r.port->reachable());
    EXPECT_NE(r.port->error().find("claim"), std::string::npos) << r.port->error();

    ManualTime time;
    TEncoderLink link(time);
    r.port->attach(link);
    link.SendStart(true);
    link.SendByte(0xD6);
    link.SendStop(true);
    EXPECT_EQ(link.StatusText(), "!Ready");
    Port::detach(link);

    // No ppdev device at 632, and direct I/O is off: out of reach, whoever runs the test.
    r = factory.open("lpt2:632");
    ASSERT_NE(r.port, nullptr);
    EXPECT_FALSE(r.port->reachable());
    EXPECT_NE(r.port->error().find("no parallel port at I/O address 632"), std::string::npos) << r.port->error();
}

TEST(PortFactory, SerialPortThatCannotBeOpenedNamesTheDevice)
{
    Scratch s;
    PortOptions o = s.options();
    o.comDevices[1] = s.put("notatty", "x");
    PortFactory factory(o);
    PortOpenResult r = factory.open("com2");
    EXPECT_EQ(r.port, nullptr);
    EXPECT_EQ(r.failure, PortError::CannotOpen);
    EXPECT_NE(r.error.find("notatty"), std::string::npos) << r.error;
    r = factory.open("com3");
    EXPECT_EQ(r.failure, PortError::CannotOpen);
    EXPECT_NE(r.error.find(s.path("dev/ttyS2")), std::string::npos) << r.error;
}

TEST(PortFactory, UnknownSpecsAreRefused)
{
    PortFactory factory;
    for (const char* bad : {"", "lpt3", "com0", "com5", "com12", "virtual:", "serial"}) {
        const PortOpenResult r = factory.open(bad);
        EXPECT_EQ(r.port, nullptr) << bad;
        EXPECT_EQ(r.failure, PortError::BadSpec) << bad;
    }
}

TEST(PortFactory, RoutingSendsEverySelectionToOneVirtualEncoder)
{
    Scratch s;
    PortOptions o = s.options();
    o.routeToVirtual = true;
    o.lpt2Address = "632";
    PortFactory factory(o);
    ManualTime time;
    TEncoderLink link(time);
    link.Timed = false;

    const std::vector<std::pair<int, std::int32_t>> selections = {{0, 888}, {1, 632}, {3, 2}, {5, 4}};
    std::uint8_t value = 1;
    for (const auto& [index, address] : selections) {
        PortOpenResult r = factory.openSelection(index);
        ASSERT_NE(r.port, nullptr) << r.error;
        EXPECT_EQ(r.port->address(), address);
        EXPECT_EQ(r.port->isSerial(), index >= 2);
        r.port->attach(link);
        link.SendStart(true);
        link.SendByte(0xD6);
        link.SendByte(0x10);
        link.SendByte(value);
        link.SendStop(true);
        EXPECT_EQ(link.StatusText(), "Ready") << index;
        EXPECT_EQ(factory.virtualEncoder()->ram(0x10), value);
        ++value;
        Port::detach(link);
    }
}

TEST(PortFactory, VirtualStateFilePersistsAcrossOpens)
{
    Scratch s;
    const std::string file = s.path("enc.state");
    PortFactory factory(s.options());
    ManualTime time;
    TEncoderLink link(time);
    link.Timed = false;
    {
        PortOpenResult r = factory.open("virtual-serial:" + file);
        ASSERT_NE(r.port, nullptr) << r.error;
        EXPECT_EQ(r.port->address(), 1);
        r.port->attach(link);
        link.SendStart(true);
        link.SendByte(0xD6);
        link.SendByte(0x02);
        link.SendByte('Q');
        link.SendStop(true);
        std::string error;
        EXPECT_TRUE(r.port->saveVirtualState(error)) << error;
        Port::detach(link);
    }
    PortOpenResult r = factory.open("virtual:" + file);
    ASSERT_NE(r.port, nullptr);
    EXPECT_EQ(r.port->address(), 888);
    EXPECT_EQ(r.port->virtualEncoder()->ram(0x02), 'Q');

    s.put("enc.state", "garbage\n");
    r = factory.open("virtual:" + file);
    EXPECT_EQ(r.failure, PortError::BadStateFile);
    EXPECT_NE(r.error.find("enc.state"), std::string::npos);
}

// The "Port" choice of the virtual encoder opens the settings' state file,
// one encoder for every open, without routing the other choices to it.
TEST(PortFactory, VirtualSelectionOpensTheStateFileOfTheOptions)
{
    Scratch s;
    PortOptions o = s.options();
    o.virtualStateFile = s.path("chosen.state");
    PortFactory factory(o);
    EXPECT_EQ(factory.virtualEncoder(), nullptr); // nothing opened yet
    EXPECT_EQ(PortFactory::selectionSpec(kVirtualPortSelection), "virtual");
    ManualTime time;
    TEncoderLink link(time);
    link.Timed = false;
    {
        PortOpenResult r = factory.openSelection(kVirtualPortSelection);
        ASSERT_NE(r.port, nullptr) << r.error;
        EXPECT_EQ(r.port->address(), kLpt1Address);
        EXPECT_FALSE(r.port->isSerial());
        EXPECT_EQ(r.port->virtualStateFile(), o.virtualStateFile);
        r.port->attach(link);
        link.SendStart(true);
        link.SendByte(0xD6);
        link.SendByte(0x02);
        link.SendByte('V');
        link.SendStop(true);
        EXPECT_EQ(link.StatusText(), "Ready");
        std::string error;
        EXPECT_TRUE(r.port->saveVirtualState(error)) << error;
        Port::detach(link);
    }
    ASSERT_NE(factory.virtualEncoder(), nullptr);
    EXPECT_EQ(factory.virtualEncoder()->ram(0x02), 'V');
    // Another program opening the same file sees the byte.
    PortOpenResult again = PortFactory(s.options()).open("virtual:" + o.virtualStateFile);
    ASSERT_NE(again.port, nullptr) << again.error;
    EXPECT_EQ(again.port->virtualEncoder()->ram(0x02), 'V');
    // LPT1 is still the hardware (none here), not the virtual encoder.
    PortOpenResult lpt = factory.openSelection(0);
    ASSERT_NE(lpt.port, nullptr);
    EXPECT_EQ(lpt.port->virtualEncoder(), nullptr);

    s.put("chosen.state", "garbage\n");
    PortFactory fresh(o);
    EXPECT_EQ(fresh.openSelection(kVirtualPortSelection).failure, PortError::BadStateFile);
}

TEST(PortFactory, VirtualStateFileOfASettingsFile)
{
    EXPECT_EQ(VirtualStateFileFor("", "/home/op/.config/quorvan/quorvan.rds"),
              "/home/op/.config/quorvan/virtual-encoder.state");
    EXPECT_EQ(VirtualStateFileFor("studio.state", "/srv/quorvan.rds"), "/srv/studio.state");
    EXPECT_EQ(VirtualStateFileFor("/var/lib/enc.state", "/srv/quorvan.rds"), "/var/lib/enc.state");
    EXPECT_EQ(VirtualStateFileFor("", "/quorvan.rds"), "/virtual-encoder.state");
    // A relative settings path counts from the working directory.
    EXPECT_EQ(VirtualStateFileFor("", "quorvan.rds"), fs::current_path().string() + "/virtual-encoder.state");
}

TEST(PortFactory, RecordingLogsEveryAccessInOrder)
{
    Scratch s;
    PortFactory factory(s.options());
    std::ostringstream parallel, serial;
    ManualTime time;
    TEncoderLink link(time);
    link.Timed = false;

    PortOpenResult p = factory.open("virtual:" + s.path("a.state"));
    p.port->record(&parallel);
    p.port->attach(link);
    link.SendStart(false);
    link.SendStop(false);
    EXPECT_EQ(parallel.str(), "W 24\nW 8\nW 0\nW 0\nW 8\nW 24\n");
    link.inportbit();
    EXPECT_EQ(parallel.str().substr(parallel.str().size() - 5), "R 32\n");

    PortOpenResult c = factory.open("virtual-serial:" + s.path("a.state"));
    c.port->record(&serial);
    c.port->attach(link);
    link.SendStart(false);
    link.inportbit();
    EXPECT_EQ(serial.str(), "RTS 1\nDTR 1\nDTR 0\nRTS 0\nCTS 0\n");
    Port::detach(link);
}

} // namespace
} // namespace quorvan::test
