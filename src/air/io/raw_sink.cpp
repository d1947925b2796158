#include "air/io/sinks.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace quorvan::air {

namespace {

class RawSink final : public Sink {
public:
    RawSink(int fd, const SinkFormat& format) : fd_(fd), format_(format) {}

    bool write(const float* mono, std::size_t frames) override
    {
        ConvertSamples(mono, frames, format_.channels, format_.format, bytes_);
        std::size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t n = ::write(fd_, bytes_.data() + done, bytes_.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error_ = std::string("stdout: ") + std::strerror(errno);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool close() override { return true; }
    std::string description() const override { return "stdout"; }

private:
    int fd_;
    SinkFormat format_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace

std::unique_ptr<Sink> OpenRawSink(int fd, const SinkFormat& format)
{
    return std::make_unique<RawSink>(fd, format);
}

} // namespace quorvan::air
