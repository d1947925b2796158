// Section Remote of the settings file: the network command port's values.
#include "settings/ini_file.h"
#include "link/serial_stream.h"
#include "remote/remote_config.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(RemoteSettings, AbsentUntilChangedThenReadBackWithItsRules)
{
    // A file of a user who never used the port is left as it is.
    SettingsValues values;
    IniFile doc = IniFile::parse("[Config]\r\nPort=1\r\n");
    storeSettings(values, doc);
    EXPECT_FALSE(doc.read("Remote", "Enabled"));
    EXPECT_FALSE(doc.read("Remote", "UDPPort"));

    values.remote.Enabled = true;
    values.remote.TCPPort = 0;
    values.remote.Allow = "192.168.1.0/24, ::1";
    storeSettings(values, doc);
    EXPECT_EQ(doc.read("Remote", "Enabled"), "1");
    EXPECT_EQ(doc.read("Remote", "TCPPort"), "0");
    EXPECT_EQ(doc.read("Remote", "Allow"), "192.168.1.0/24, ::1");
    EXPECT_FALSE(doc.read("Remote", "UDPPort"));  // still the default

    SettingsValues loaded;
    loadSettings(IniFile::parse(doc.serialize()), loaded);
    EXPECT_EQ(loaded.remote, values.remote);

    // A port outside 0..65535 is the default port.
    loadSettings(IniFile::parse("[Remote]\r\nUDPPort=70000\r\nTCPPort=-1\r\nListenAddress=::1\r\n"), loaded);
    EXPECT_EQ(loaded.remote.UDPPort, 10001);
    EXPECT_EQ(loaded.remote.TCPPort, 10001);
    EXPECT_EQ(loaded.remote.ListenAddress, "::1");
}

} // namespace
} // namespace quorvan

namespace quorvan {
namespace {

TEST(RemoteSettings, EncoderProtocolKeysAndTheirConfiguration)
{
    SettingsValues loaded;
    loadSettings(IniFile::parse("[Remote]\r\nUECPTCPPort=5000\r\nUECPUDPPort=99999\r\nUECPSerial=/dev/ttyUSB0:19200\r\n"
                                "UECPSiteAddress=1024\r\nUECPEncoderAddress=7\r\nAllow=10.0.0.0/8\r\n"),
                 loaded);
    EXPECT_EQ(loaded.remote.UECPTCPPort, 5000);
    EXPECT_EQ(loaded.remote.UECPUDPPort, 0);       // outside 0..65535: off
    EXPECT_EQ(loaded.remote.UECPSiteAddress, 0);   // outside 0..1023
    EXPECT_EQ(loaded.remote.UECPEncoderAddress, 7);
    EXPECT_FALSE(loaded.remote.Enabled);  // the line port stays off; UECP is on by its own ports

    std::string error;
    const std::optional<remote::UecpConfig> config = remote::UecpConfigOf(loaded.remote, error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->net.tcpPort, 5000);
    EXPECT_EQ(config->net.udpPort, 0);
    EXPECT_EQ(config->net.address, "127.0.0.1");
    EXPECT_EQ(config->serial, "/dev/ttyUSB0:19200");
    EXPECT_EQ(config->encoder, 7);

    // Nothing set: no UECP; a bad allow list: an error, nothing listens.
    EXPECT_FALSE(remote::UecpConfigOf(RemoteValues{}, error));
    RemoteValues bad;
    bad.UECPUDPPort = 5001;
    bad.Allow = "10.0.0.0/99";
    EXPECT_FALSE(remote::UecpConfigOf(bad, error));
    EXPECT_NE(error.find("10.0.0.0/99"), std::string::npos);

    // The command line overrides the file.
    remote::RemoteOverrides o;
    o.uecpSerial = "/dev/ttyS1";
    o.uecpTcpPort = 0;
    const RemoteValues v = remote::WithOverrides(loaded.remote, o);
    EXPECT_EQ(v.UECPTCPPort, 0);
    EXPECT_EQ(v.UECPSerial, "/dev/ttyS1");

    // Written only when not the default.
    IniFile doc = IniFile::parse("");
    SettingsValues values;
    values.remote.UECPTCPPort = 5000;
    storeSettings(values, doc);
    EXPECT_EQ(doc.read("Remote", "UECPTCPPort"), "5000");
    EXPECT_FALSE(doc.read("Remote", "UECPSerial"));
}

TEST(RemoteSettings, SerialLineSpecification)
{
    std::string error;
    const std::optional<SerialLineSpec> plain = ParseSerialLineSpec("/dev/ttyUSB0", error);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->baud, 9600);
    const std::optional<SerialLineSpec> fast = ParseSerialLineSpec("/dev/ttyS0:115200", error);
    ASSERT_TRUE(fast);
    EXPECT_EQ(fast->device, "/dev/ttyS0");
    EXPECT_EQ(fast->baud, 115200);
    EXPECT_FALSE(ParseSerialLineSpec("/dev/ttyS0:12345", error));
    EXPECT_EQ(error, "\"12345\" is not a standard baud rate");
    EXPECT_FALSE(ParseSerialLineSpec("/dev/ttyS0:", error));
    EXPECT_FALSE(ParseSerialLineSpec(":9600", error));
}

} // namespace
} // namespace quorvan
