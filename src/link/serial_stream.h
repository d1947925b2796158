// A serial line as a byte stream: termios raw mode, 8 data bits, no parity,
// one stop bit, no flow control, at a standard baud rate. For protocols that
// talk over RS-232 (the encoder protocol of broadcast automation), unlike
// linux_serial.h, which uses only the modem-control lines.
//
// It never blocks: reads take what is there, and bytes the line cannot take
// at once wait in a bounded buffer for flush().
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

inline constexpr int kDefaultSerialBaud = 9600;

struct SerialLineSpec {
    std::string device;
    int baud = kDefaultSerialBaud;
};
// "DEVICE[:BAUD]"; nothing with `error` set for an empty device or a rate
// that is not a standard one (50 .. 4000000).
std::optional<SerialLineSpec> ParseSerialLineSpec(std::string_view text, std::string& error);

class SerialStream {
public:
    static constexpr std::size_t kMaxUnsent = 16 * 1024;

    // nullptr with `error` set when the device is missing, busy or not a serial line.
    static std::unique_ptr<SerialStream> Open(const SerialLineSpec& spec, std::string& error);
    ~SerialStream();
    SerialStream(const SerialStream&) = delete;
    SerialStream& operator=(const SerialStream&) = delete;

    int fd() const { return fd_; }
    // Appends what has arrived to `out`; false when the line is gone (error()).
    bool read(std::string& out);
    // Sends what the line takes now; the rest waits (beyond kMaxUnsent it is dropped).
    void write(std::string_view bytes);
    void flush();
    bool unsent() const { return !out_.empty(); }
    const std::string& error() const { return error_; }

private:
    explicit SerialStream(int fd, std::string device) : fd_(fd), device_(std::move(device)) {}
    int fd_ = -1;
    std::string device_;
    std::string out_;
    std::string error_;
};

} // namespace quorvan
