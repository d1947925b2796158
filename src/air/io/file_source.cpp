#include "air/io/sources.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace quorvan::air {

namespace {

class FileSource final : public Source {
public:
    FileSource(SNDFILE* file, const SF_INFO& info, std::string path, int channel)
        : file_(file), info_(info), path_(std::move(path)), channel_(channel)
    {
        // libsndfile reads 16- and 32-bit integers as x / 2^(bits-1) but
        // writes floats as x * (2^(bits-1) - 1), as the sinks here do: read
        // the integers themselves and divide by the sinks' own factor, so
        // that a sample comes out of a file of the same format as it went in.
        const int subtype = info.format & SF_FORMAT_SUBMASK;
        if (subtype == SF_FORMAT_PCM_16 || subtype == SF_FORMAT_PCM_32) {
            sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
            scale_ = subtype == SF_FORMAT_PCM_16 ? 1.0 / 32767 : 1.0 / 2147483647.0;
        }
        format_ = subtype == SF_FORMAT_PCM_16 || subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8
                      ? SampleFormat::S16
                  : subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE ? SampleFormat::Float
                                                                              : SampleFormat::S32;
    }
    ~FileSource() override { sf_close(file_); }

    std::size_t read(float* mono, std::size_t frames) override
    {
        const auto channels = static_cast<std::size_t>(info_.channels);
        buffer_.resize(frames * channels);
        const sf_count_t got = sf_readf_float(file_, buffer_.data(), static_cast<sf_count_t>(frames));
        if (got < 0 || (got == 0 && sf_error(file_) != SF_ERR_NO_ERROR)) {
            error_ = path_ + ": " + sf_strerror(file_);
            return 0;
        }
        const auto n = static_cast<std::size_t>(got);
        const std::size_t c = static_cast<std::size_t>(channel_ - 1);
        for (std::size_t i = 0; i < n; ++i) {
            const float v = buffer_[i * channels + c];
            mono[i] = scale_ ? static_cast<float>(v * scale_) : v;
        }
        return n;
    }

    int rate() const override { return info_.samplerate; }
    std::int64_t frames() const override { return info_.frames; }
    SampleFormat format() const override { return format_; }
    std::string description() const override
    {
        return "file " + path_ + (info_.channels > 1 ? ", channel " + std::to_string(channel_) : "");
    }

private:
    SNDFILE* file_;
    SF_INFO info_;
    std::string path_;
    int channel_;
    double scale_ = 0;  // 0: libsndfile's own floats
    SampleFormat format_ = SampleFormat::Float;
    std::vector<float> buffer_;
};

} // namespace

std::unique_ptr<Source> OpenFileSource(const std::string& path, int channel, std::string& error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = path + ": " + (errno == ENOENT ? std::string("no such file") : std::string(std::strerror(errno)));
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        error = path + " is a folder, not a WAV or FLAC file";
        return nullptr;
    }
    SF_INFO info{};
    errno = 0;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        const int cause = errno;
        std::string why = sf_strerror(nullptr);
        if (why.find("System error") != std::string::npos && cause != 0)
            why = std::strerror(cause);
        error = path + ": not a WAV or FLAC file libsndfile reads (" + why + ")";
        return nullptr;
    }
    if (channel == 0 && info.channels > 1) {
        sf_close(file);
        error = path + " has " + std::to_string(info.channels) + " channels: choose the MPX by --input-channel 1 to " +
                std::to_string(info.channels);
        return nullptr;
    }
    channel = std::max(channel, 1);
    if (channel < 1 || channel > info.channels) {
        sf_close(file);
        error = path + " has " + std::to_string(info.channels) + (info.channels == 1 ? " channel" : " channels") +
                ": there is no input channel " + std::to_string(channel) + " (--input-channel 1 to " +
                std::to_string(info.channels) + ")";
        return nullptr;
    }
    return std::make_unique<FileSource>(file, info, path, channel);
}

} // namespace quorvan::air
