// The start-up values: the load-time rules both front ends apply to what a
// settings file left, and the COM port devices kept through the key table.
#include "content/pi.h"
#include "content/user_group.h"
#include "settings/loaded_values.h"
#include "settings/settings_test_util.h"
#include "settings/startup_values.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

// The rules as each front end applied them by hand before they had one place.
SettingsValues ByHand(SettingsValues v, std::string& notice)
{
    v.params.system.CTRunning = ctStateStartsTransmission(v.window.CTState);
    notice = LoadedValuesNotice(CorrectLoadedValues(v.params));
    PIExit(v.params);
    NormaliseUserGroupBytes(v.params);
    return v;
}

TEST(StartupValues, GiveWhatTheHandAppliedRulesGaveForEverySampleFile)
{
    const char* const files[] = {
        "",
        "[Config]\nCTState=Start\n[General]\nPI=d3c2\nAF1=99.9\nAF2=120.0\n",
        "[DataGroups]\nEnabled=1\nByte14=3f\nByte15=zz\nByte16=123\nByte17=\nByte18=A\n",
        "[General]\nPI=12345\nDefaultPS=\"MUCH TOO LONG\"\n[DPS1]\nMode=0\n[Radiotext]\nRadiotext1=\"x\"\n",
    };
    for (const char* text : files) {
        SettingsValues loaded = loadedFrom(crlf(text));
        std::string expectedNotice;
        const SettingsValues expected = ByHand(loaded, expectedNotice);
        const StartupValues startup = ApplyStartupValues(loaded);
        EXPECT_EQ(loaded, expected) << text;
        EXPECT_EQ(startup.notice, expectedNotice) << text;
        const DPSEnabledState mode = DpsFieldsForMode(loaded.params.dynamicPs.RGDPS1M);
        EXPECT_EQ(startup.dpsFields.rows, mode.rows) << text;
        EXPECT_EQ(startup.dpsFields.text, mode.text) << text;
    }
}

TEST(StartupValues, NormaliseTheBytesAndPIAndResumeTheClockOnceAndForAll)
{
    SettingsValues v = loadedFrom(crlf("[Config]\nCTState=Start\n[General]\nPI=d3c2\n"
                                       "[DataGroups]\nByte14=3f\nByte15=zz\n[DPS1]\nMode=0\n"));
    const StartupValues first = ApplyStartupValues(v);
    EXPECT_EQ(v.params.program.PI, "F3F2");
    EXPECT_EQ(v.params.system.DB3, "1F");
    EXPECT_EQ(v.params.system.DB3D, "31");
    EXPECT_EQ(v.params.system.DB4, "FF");
    EXPECT_EQ(v.params.system.DB4D, "255");
    EXPECT_TRUE(v.params.system.CTRunning);
    EXPECT_TRUE(first.dpsFields.rows);
    EXPECT_FALSE(first.dpsFields.text);
    EXPECT_NE(first.notice.find("PI 'd3c2' is not in capitals"), std::string::npos) << first.notice;

    // A second pass finds nothing left to do.
    const SettingsValues once = v;
    const StartupValues second = ApplyStartupValues(v);
    EXPECT_EQ(v, once);
    EXPECT_EQ(second.notice, "");
}

TEST(ComDevices, AreLoadedKeptOnSaveAndLeaveOtherLinesAlone)
{
    const std::string file = crlf("[Config]\nPort=3\nCOM2Device=/dev/ttyUSB0\nMyOwnKey=kept\n"
                                  "[Elsewhere]\nx=1\n");
    const SettingsValues v = loadedFrom(file);
    EXPECT_EQ(v.ports.COMDevice[0], "");
    EXPECT_EQ(v.ports.COMDevice[1], "/dev/ttyUSB0");
    EXPECT_EQ(comDevicesIn(IniFile::parse(file)), v.ports.COMDevice);
    EXPECT_EQ(comDevicesIn(IniFile::parse(crlf("[config]\ncom4device=/dev/ttyACM1\n")))[3], "/dev/ttyACM1");

    const std::string saved = savedOver(file, v);
    EXPECT_NE(saved.find("Port=3\r\nCOM2Device=/dev/ttyUSB0\r\nMyOwnKey=kept\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Elsewhere]\r\nx=1\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("COM1Device"), std::string::npos) << saved;
    EXPECT_EQ(loadedFrom(saved).ports.COMDevice, v.ports.COMDevice);

    // A new file gains no device keys; a device that is set is written.
    EXPECT_EQ(savedOver("", SettingsValues{}).find("Device="), std::string::npos);
    SettingsValues set;
    set.ports.COMDevice[2] = "/dev/ttyS7";
    EXPECT_NE(savedOver("", set).find("COM3Device=/dev/ttyS7\r\n"), std::string::npos);
}

} // namespace
} // namespace quorvan::test
