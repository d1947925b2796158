// What the port says when it cannot be reached: the cause and what to do
// about it, for root without a parallel port and for a user who may not
// open the device. The refused opens run for real, in a child process that
// has given up root where the test runs as root.
#include "link/linux_parallel.h"
#include "link/linux_serial.h"
#include "link/unprivileged_user.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

namespace fs = std::filesystem;

struct LockedDevice {
    fs::path dir = fs::temp_directory_path() / ("quorvan-causes-" + std::to_string(::getpid()));
    std::string path = (dir / "device").string();
    LockedDevice()
    {
        fs::create_directories(dir);
        std::ofstream(path) << "x";
        ::chmod(path.c_str(), 0);
    }
    ~LockedDevice() { fs::remove_all(dir); }
};

TEST(PortCauses, SerialPortRefusedToAUserNamesGroupDialout)
{
    const LockedDevice device;
    const std::string error = AsUnprivilegedUser([&] {
        std::string e;
        const auto lines = OpenLinuxSerialLines(device.path, e);
        return lines ? std::string("opened") : e;
    });
    EXPECT_NE(error.find("cannot open " + device.path + ": Permission denied"), std::string::npos) << error;
    EXPECT_NE(error.find("add the user to group dialout (sudo adduser $USER dialout) and log in again"),
              std::string::npos)
        << error;

    // A device that is not there points at the keys that name another.
    const std::string missing = SerialOpenError("/dev/ttyUSB9", ENOENT);
    EXPECT_NE(missing.find("COM1Device..COM4Device"), std::string::npos) << missing;
}

TEST(PortCauses, PpdevDeviceRefusedToAUserNamesGroupLp)
{
    const LockedDevice device;
    const std::string error = AsUnprivilegedUser([&] {
        const auto io = OpenPpdevDevice(device.path, 888);
        return io->ok() ? std::string("opened") : io->error();
    });
    EXPECT_NE(error.find("Permission denied; add the user to group lp (sudo adduser $USER lp)"), std::string::npos)
        << error;
    EXPECT_NE(PpdevOpenError("/dev/parport0", ENOENT).find("sudo modprobe ppdev"), std::string::npos);
}

// Root on a PC without a parallel port (or one the kernel does not let at
// the registers): the message speaks of ppdev, the missing port and what to do.
TEST(PortCauses, RootWithoutAParallelPortIsToldWhatToDo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "direct I/O is tried by root only";
    const fs::path empty = fs::temp_directory_path() / ("quorvan-noport-" + std::to_string(::getpid()));
    fs::create_directories(empty);
    // Where the kernel grants the registers there is nothing to check.
    const auto io = OpenLinuxParallelPort(0x278, empty.string(), empty.string(), /*directIo=*/true);
    fs::remove_all(empty);
    if (io->ok())
        GTEST_SKIP() << "direct I/O was granted here";
    const std::string error = io->error();
    EXPECT_NE(error.find("no parallel port at I/O address 632"), std::string::npos) << error;
    EXPECT_NE(error.find("no ppdev device"), std::string::npos) << error;
    EXPECT_NE(error.find("sudo modprobe parport_pc ppdev"), std::string::npos) << error;
}

} // namespace
} // namespace quorvan::test
