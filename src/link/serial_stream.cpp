#include "link/serial_stream.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace quorvan {

namespace {

struct Rate {
    int baud;
    speed_t speed;
};
constexpr std::array<Rate, 30> kRates{{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

std::optional<speed_t> SpeedOf(int baud)
{
    for (const Rate& r : kRates)
        if (r.baud == baud)
            return r.speed;
    return std::nullopt;
}

} // namespace

std::optional<SerialLineSpec> ParseSerialLineSpec(std::string_view text, std::string& error)
{
    SerialLineSpec spec;
    const std::size_t colon = text.rfind(':');
    spec.device = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos) {
        const std::string_view rate = text.substr(colon + 1);
        int baud = 0;
        for (const char c : rate) {
            if (c < '0' || c > '9' || baud > 10'000'000) {
                baud = -1;
                break;
            }
            baud = baud * 10 + (c - '0');
        }
        if (rate.empty() || baud < 0 || !SpeedOf(baud)) {
            error = "\"" + std::string(rate) + "\" is not a standard baud rate";
            return std::nullopt;
        }
        spec.baud = baud;
    }
    if (spec.device.empty()) {
        error = "no serial device named";
        return std::nullopt;
    }
    return spec;
}

std::unique_ptr<SerialStream> SerialStream::Open(const SerialLineSpec& spec, std::string& error)
{
    const int fd = ::open(spec.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + spec.device + ": " + std::strerror(errno);
        return nullptr;
    }
    auto fail = [&](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail("serial device " + spec.device + " is in use");
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return fail(spec.device + " is not a serial line");
    // 8N1, raw, no flow control, the receiver on.
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    const speed_t speed = *SpeedOf(spec.baud);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return fail("cannot set up " + spec.device);
    return std::unique_ptr<SerialStream>(new SerialStream(fd, spec.device));
}

SerialStream::~SerialStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool SerialStream::read(std::string& out)
{
    char buffer[1024];
    for (int n = 0; n < 64; ++n) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            out.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        // 0 or EIO: the other end hung up (a pseudo-terminal) or the device is gone.
        error_ = "serial device " + device_ + " lost" + (got < 0 ? std::string(": ") + std::strerror(errno) : "");
        return false;
    }
    return true;
}

void SerialStream::write(std::string_view bytes)
{
    if (out_.size() + bytes.size() > kMaxUnsent)
        return;  // the line is stuck; replies are dropped rather than held
    out_ += bytes;
    flush();
}

void SerialStream::flush()
{
    while (!out_.empty()) {
        const ssize_t sent = ::write(fd_, out_.data(), out_.size());
        if (sent <= 0)
            return;
        out_.erase(0, static_cast<std::size_t>(sent));
    }
}

} // namespace quorvan
