// The Linux serial backend on a pseudo-terminal: it opens and locks like a
// serial device but has no modem-control lines, so every open is refused.
#include "link/linux_serial.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

TEST(LinuxSerial, RefusedOpenLeavesTheDeviceAsItWasFound)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || !::ptsname(master))
        GTEST_SKIP() << "no pseudo-terminals here";
    const std::string device = ::ptsname(master);
    // Another program has the device open (without locking it).
    const int other = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);

    std::string error;
    EXPECT_EQ(OpenLinuxSerialLines(device, error), nullptr);
    EXPECT_NE(error.find(device + " has no modem-control lines"), std::string::npos) << error;
#ifdef TIOCGEXCL
    int exclusive = -1;
    ASSERT_EQ(::ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "a refused open must not leave the device exclusive";
#endif

    // The other program holds the lock: the port is in use.
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    error.clear();
    EXPECT_EQ(OpenLinuxSerialLines(device, error), nullptr);
    EXPECT_NE(error.find("serial port " + device + " is in use"), std::string::npos) << error;

    ::close(other);
    ::close(master);
}

} // namespace
} // namespace quorvan::test
