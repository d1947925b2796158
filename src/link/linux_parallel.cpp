#include "link/linux_parallel.h"

#include "link/null_port.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/ppdev.h>
#endif
#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define QUORVAN_HAVE_IOPERM 1
#endif

namespace quorvan {

std::optional<std::int32_t> ParportBaseAddress(const std::string& procDir, int number)
{
    std::ifstream in(procDir + "/parport" + std::to_string(number) + "/base-addr");
    long long value = -1;
    if (!(in >> value) || value < 0 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<int> FindParportByBase(const std::string& procDir, std::int32_t base)
{
    for (int n = 0; n < 16; ++n) {
        const auto found = ParportBaseAddress(procDir, n);
        if (found && *found == base)
            return n;
    }
    return std::nullopt;
}

std::string PpdevOpenError(const std::string& path, int error)
{
    std::string text = "cannot open " + path + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM)
        text += "; add the user to group lp (sudo adduser $USER lp) and log in again";
    else if (error == ENOENT || error == ENXIO || error == ENODEV)
        text += "; load the ppdev module (sudo modprobe ppdev)";
    return text;
}

#if defined(__linux__)
namespace {

std::string sysError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

class PpdevPortIo final : public PortIo {
public:
    PpdevPortIo(int fd, std::string path, std::int32_t base) : fd_(fd), path_(std::move(path)), base_(base) {}
    ~PpdevPortIo() override { close(); }

    void write(std::int32_t address, std::uint8_t value) override
    {
        if (fd_ < 0 || address != base_)
            return;
        unsigned char v = value;
        if (::ioctl(fd_, PPWDATA, &v) != 0)
            fail("writing the data register of " + path_);
    }
    std::uint8_t read(std::int32_t address) override
    {
        if (fd_ < 0 || address != base_ + 1)
            return 0xFF;
        unsigned char v = 0xFF;
        if (::ioctl(fd_, PPRSTATUS, &v) != 0) {
            fail("reading the status register of " + path_);
            return 0xFF;
        }
        return v;
    }
    bool ok() const override { return fd_ >= 0; }
    std::string error() const override { return error_; }

private:
    void fail(const std::string& what)
    {
        error_ = sysError(what);
        close();
    }
    void close()
    {
        if (fd_ < 0)
            return;
        ::ioctl(fd_, PPRELEASE);
        ::close(fd_);
        fd_ = -1;
    }
    int fd_;
    std::string path_;
    std::int32_t base_;
    std::string error_;
};

#ifdef QUORVAN_HAVE_IOPERM
// Direct I/O granted by ioperm on the data and the status register only.
class DirectPortIo final : public PortIo {
public:
    explicit DirectPortIo(std::int32_t base) : base_(base) {}
    ~DirectPortIo() override { ::ioperm(static_cast<unsigned long>(base_), 2, 0); }
    void write(std::int32_t address, std::uint8_t value) override
    {
        if (address == base_)
            outb(value, static_cast<unsigned short>(address));
    }
    std::uint8_t read(std::int32_t address) override
    {
        if (address != base_ + 1)
            return 0xFF;
        return inb(static_cast<unsigned short>(address));
    }

private:
    std::int32_t base_;
};
#endif

} // namespace

std::unique_ptr<PortIo> OpenPpdevDevice(const std::string& path, std::int32_t base)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return std::make_unique<NullPortIo>(PpdevOpenError(path, errno));
    if (::ioctl(fd, PPCLAIM) != 0) {
        auto null = std::make_unique<NullPortIo>(sysError("cannot claim " + path));
        ::close(fd);
        return null;
    }
    // The data lines are only ever driven: keep the data register an output.
    int forward = 0;
    ::ioctl(fd, PPDATADIR, &forward);
    return std::make_unique<PpdevPortIo>(fd, path, base);
}

std::unique_ptr<PortIo> OpenLinuxParallelPort(std::int32_t base, const std::string& procDir, const std::string& devDir,
                                              bool directIo)
{
    if (base < 256 || base > 0xFFFF)
        return std::make_unique<NullPortIo>("no parallel port at I/O address " + std::to_string(base));
    if (const auto n = FindParportByBase(procDir, base))
        return OpenPpdevDevice(devDir + "/parport" + std::to_string(*n), base);
#ifdef QUORVAN_HAVE_IOPERM
    if (directIo && ::geteuid() == 0) {
        if (::ioperm(static_cast<unsigned long>(base), 2, 1) == 0)
            return std::make_unique<DirectPortIo>(base);
        return std::make_unique<NullPortIo>(
            "no parallel port at I/O address " + std::to_string(base)
            + ": no ppdev device has that base address and direct I/O was refused (" + std::strerror(errno)
            + "); if the PC has a parallel port, load its drivers (sudo modprobe parport_pc ppdev) "
              "and check the address (LPT1 888, LPT2 as set under Preferences)");
    }
#endif
    return std::make_unique<NullPortIo>("no parallel port at I/O address " + std::to_string(base)
                                        + " (no ppdev device with that base address; direct I/O needs root)");
}

#else // not Linux

std::unique_ptr<PortIo> OpenPpdevDevice(const std::string& path, std::int32_t)
{
    return std::make_unique<NullPortIo>("ppdev is not available for " + path);
}

std::unique_ptr<PortIo> OpenLinuxParallelPort(std::int32_t base, const std::string&, const std::string&, bool)
{
    return std::make_unique<NullPortIo>("no parallel port at I/O address " + std::to_string(base));
}

#endif

} // namespace quorvan
