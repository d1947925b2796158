// Section Remote of the settings file: the network command port's values.
#include "settings/ini_file.h"
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
