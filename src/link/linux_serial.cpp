#include "link/linux_serial.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quorvan {

namespace {

std::string sysError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// The group whose members may open the device: its own group where that
// group may read and write it, else the one Debian gives serial ports.
std::string deviceGroup(const std::string& device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) == 0 && st.st_gid != 0 && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        if (const group* g = ::getgrgid(st.st_gid))
            return g->gr_name;
    return "dialout";
}

} // namespace

std::string SerialOpenError(const std::string& device, int error)
{
    std::string text = "cannot open " + device + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM) {
        const std::string group = deviceGroup(device);
        text += "; add the user to group " + group + " (sudo adduser $USER " + group + ") and log in again";
    } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
        text += "; check the device (COM1Device..COM4Device in section [Config] name another, "
                "such as /dev/ttyUSB0)";
    }
    return text;
}

namespace {

class LinuxSerialLines final : public SerialLines {
public:
    LinuxSerialLines(int fd, std::string device) : fd_(fd), device_(std::move(device)) {}
    ~LinuxSerialLines() override { close(); }

    void setDTR(bool on) override { modemBit(TIOCM_DTR, on); }
    void setRTS(bool on) override { modemBit(TIOCM_RTS, on); }
    bool cts() override
    {
        if (fd_ < 0)
            return true;
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) != 0) {
            lost();
            return true;
        }
        return (bits & TIOCM_CTS) != 0;
    }
    bool ok() const override { return fd_ >= 0; }
    std::string error() const override { return error_; }

private:
    void modemBit(int bit, bool on)
    {
        if (fd_ < 0)
            return;
        if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0)
            lost();
    }
    void lost()
    {
        error_ = sysError("serial device " + device_ + " lost");
        close();
    }
    void close()
    {
        if (fd_ < 0)
            return;
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }
    int fd_;
    std::string device_;
    std::string error_;
};

} // namespace

std::unique_ptr<SerialLines> OpenLinuxSerialLines(const std::string& device, std::string& error)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = SerialOpenError(device, errno);
        return nullptr;
    }
    auto fail = [&](const std::string& what) {
        error = sysError(what);
        ::close(fd);
        return nullptr;
    };
    // Exclusive: no other program may open the port, nor a second copy of this one.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail("serial port " + device + " is in use");
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return fail(device + " is not a serial port");
    if (::ioctl(fd, TIOCEXCL) != 0)
        return fail("cannot open " + device + " exclusively");
    // From here on the device is marked exclusive; a failure must take that
    // back, or a program that still has the device open would keep it.
    auto failExclusive = [&](const std::string& what) {
        const int saved = errno;
        ::ioctl(fd, TIOCNXCL);
        errno = saved;
        return fail(what);
    };
    // Only the modem-control lines matter: raw mode, no flow control of any kind.
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return failExclusive("cannot set up " + device);
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0)
        return failExclusive(device + " has no modem-control lines");
    return std::make_unique<LinuxSerialLines>(fd, device);
}

} // namespace quorvan
