// What a new station reads and installs on its first day: the user units stop
// instead of restarting for ever on exit status 2, the air unit has no card
// of its own and says how to set one, and the manual pages, the window's Help
// page and the package description cover the software output, the On air
// section, RT+ and UECP.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readSource(const std::string& path)
{
    std::ifstream in(std::string(QUORVAN_SOURCE_DIR) + "/" + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The value of the unit's first "Key=" line ("" when there is none).
std::string unitValue(const std::string& unit, const std::string& key)
{
    std::istringstream lines(unit);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return "";
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(FirstDayPackage, TheUserUnitsDoNotRestartOnExitStatusTwo)
{
    for (const char* name : {"packaging/quorvan-air.service.in", "packaging/quorvan-follow.service.in"}) {
        const std::string unit = readSource(name);
        ASSERT_FALSE(unit.empty()) << name;
        EXPECT_EQ(unitValue(unit, "Restart"), "on-failure") << name;
        EXPECT_EQ(unitValue(unit, "RestartPreventExitStatus"), "2") << name;
        EXPECT_TRUE(has(unit, "loginctl enable-linger")) << name;
    }
}

TEST(FirstDayPackage, TheAirUnitHasNoCardOfItsOwnAndSaysHowToSetOne)
{
    const std::string unit = readSource("packaging/quorvan-air.service.in");
    EXPECT_EQ(unitValue(unit, "Environment"), "QUORVAN_AIR_DEVICE=");
    const std::string start = unitValue(unit, "ExecStart");
    // The check runs in the service's own process, so that its exit status 2
    // is the one RestartPreventExitStatus sees.
    EXPECT_EQ(start.rfind("/bin/sh -c '", 0), 0u) << start;
    EXPECT_TRUE(has(start, "[ -z \"$${QUORVAN_AIR_DEVICE}\" ]")) << start;
    EXPECT_TRUE(has(start, "systemctl --user edit quorvan-air")) << start;
    EXPECT_TRUE(has(start, "exit 2")) << start;
    EXPECT_TRUE(has(start, "quorvanctl air --port virtual --device \"$${QUORVAN_AIR_DEVICE}\"")) << start;
    EXPECT_FALSE(has(start, "--device default")) << start;
    EXPECT_FALSE(has(start, "virtual-encoder.state")) << "the settings' VirtualEncoder= names the state file";
}

TEST(FirstDayPackage, TheManualPagesHelpAndPackageDescribeTheNewParts)
{
    const std::string ctl = readSource("packaging/quorvanctl.1");
    for (const char* part : {"6 the virtual", "\\fB\\-\\-output\\fI FILE\\fR|\\fB\\-\\fR",
                             ".I /usr/lib/systemd/user/quorvan\\-air.service",
                             ".I /usr/lib/systemd/user/quorvan\\-follow.service", ".IB STATEFILE .air",
                             "loginctl enable\\-linger", "QUORVAN_AIR_DEVICE"})
        EXPECT_TRUE(has(ctl, part)) << "quorvanctl.1 lacks " << part;

    const std::string window = readSource("packaging/quorvan.1");
    const std::string help = readSource("src/app/help_text.cpp");
    for (const std::string* text : {&window, &help})
        for (const char* part :
             {"Virtual encoder (software output)", "On air", "spectrum", "computed", "not measured", "RT+", "UECP",
              "UECPTCPPort", "STATEFILE.air"}) {
            // roff writes a dash and a dot as they stand here, but a file name in bold-italic.
            const std::string roffPart = std::string(part) == "STATEFILE.air" ? ".IB STATEFILE .air" : part;
            EXPECT_TRUE(has(*text, text == &window ? roffPart : part))
                << (text == &window ? "quorvan.1" : "help_text.cpp") << " lacks " << part;
        }

    const std::string package = readSource("packaging/CMakeLists.txt");
    const std::size_t at = package.find("set(CPACK_PACKAGE_DESCRIPTION\n");
    ASSERT_NE(at, std::string::npos);
    const std::string description = package.substr(at, package.find("\")", at) - at);
    for (const char* part : {"quorvanctl air", "UECP", "RT+", "quorvan-air"})
        EXPECT_TRUE(has(description, part)) << "the package description lacks " << part;
}

namespace {

TEST(FirstDayPackage, TheUnitTheReadmeAndTheManualPageDescribeALoopThrough)
{
    const std::string unit = readSource("packaging/quorvan-air.service.in");
    // The drop-in is a comment: the unit itself still has no card.
    EXPECT_TRUE(has(unit, "#   Environment=QUORVAN_AIR_OPTIONS=--input-device hw:CARD=MPX,DEV=0 --rds-phase 0"));
    EXPECT_EQ(unitValue(unit, "Environment"), "QUORVAN_AIR_DEVICE=");

    const std::string readme = readSource("README.md");
    const std::size_t at = readme.find("### Loop-through\n");
    ASSERT_NE(at, std::string::npos);
    ASSERT_LT(readme.find("## Software encoder\n"), at);
    const std::string section = readme.substr(at, readme.find("\n### ", at + 1) - at);
    for (const char* part : {"processor MPX out -> card in -> quorvanctl air -> card out -> transmitter",
                             "--jack --input-device jack", "holdover", "no pilot: RDS runs free", "--rds-phase",
                             "quadrature", "**Latency.**", "RDSLEVEL=", "STATEFILE.air.mpx"})
        EXPECT_TRUE(has(section, part)) << "the Loop-through section lacks " << part;

    const std::string ctl = readSource("packaging/quorvanctl.1");
    for (const char* part : {"[\\fB\\-\\-input\\-device\\fI PCM\\fR \\fB\\-\\-device\\fI PCM\\fR", ".IB STATEFILE .air.mpx",
                             "\\%RDSLEVEL= and \\%RDSPHASE="})
        EXPECT_TRUE(has(ctl, part)) << "quorvanctl.1 lacks " << part;
}

} // namespace
