#include "air/io/sinks.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace quorvan::air {

namespace {

std::string EndsWith(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// Why the folder of `path` cannot take a new file, in the words a user fixes
// it by ("" when it can, or when the cause is something else).
std::string FolderProblem(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return "";
    const std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0)
        return errno == ENOENT ? "the folder " + dir + " does not exist"
                               : "the folder " + dir + " cannot be reached: " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return dir + " is not a folder";
    return "";
}

class FileSink final : public Sink {
public:
    FileSink(SNDFILE* file, std::string path, int channels) : file_(file), path_(std::move(path)), channels_(channels) {}
    ~FileSink() override { close(); }

    bool write(const float* mono, std::size_t frames) override
    {
        buffer_.resize(frames * static_cast<std::size_t>(channels_));
        for (std::size_t i = 0; i < frames; ++i)
            std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(i * channels_), channels_, mono[i]);
        if (sf_writef_float(file_, buffer_.data(), static_cast<sf_count_t>(frames)) != static_cast<sf_count_t>(frames)) {
            error_ = path_ + ": " + sf_strerror(file_);
            return false;
        }
        return true;
    }

    bool close() override
    {
        if (!file_)
            return true;
        const int r = sf_close(file_);
        file_ = nullptr;
        if (r != 0) {
            error_ = path_ + ": " + sf_error_number(r);
            return false;
        }
        return true;
    }

    std::string description() const override { return "file " + path_; }
    std::size_t period() const override { return 1 << 16; }

private:
    SNDFILE* file_;
    std::string path_;
    int channels_;
    std::vector<float> buffer_;
};

} // namespace

int WavContainer(const SinkFormat& format, std::int64_t frames)
{
    // The RIFF chunk's size counts everything after its first 8 bytes in 32
    // bits: the data, its chunk header and the format chunks before it
    // (libsndfile writes at most a few hundred bytes of them).
    constexpr std::int64_t kRiffLimit = 0xFFFFFFFFLL;
    constexpr std::int64_t kHeaderRoom = 4096;
    const std::int64_t frameBytes = std::int64_t{format.channels} * BytesPerSample(format.format);
    if (frames > 0 && frames > (kRiffLimit - kHeaderRoom) / frameBytes)
        return SF_FORMAT_RF64;
    return SF_FORMAT_WAV;
}

std::unique_ptr<Sink> OpenFileSink(const std::string& path, const SinkFormat& format, std::int64_t frames,
                                   std::string& error)
{
    SF_INFO info{};
    info.samplerate = format.rate;
    info.channels = format.channels;
    const std::string ext = EndsWith(path);
    const int subtype = format.format == SampleFormat::S16   ? SF_FORMAT_PCM_16
                        : format.format == SampleFormat::S32 ? SF_FORMAT_PCM_32
                                                             : SF_FORMAT_FLOAT;
    if (ext == "wav") {
        info.format = WavContainer(format, frames) | subtype;
    } else if (ext == "flac") {
        if (format.format != SampleFormat::S16) {
            error = path + ": a FLAC file holds s16 samples here (--format s16), not " +
                    std::string(SampleFormatName(format.format));
            return nullptr;
        }
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    } else {
        error = path + ": the output is a .wav or .flac file, or - for raw samples on stdout";
        return nullptr;
    }
    if (!sf_format_check(&info)) {
        error = path + ": this file type cannot hold " + std::to_string(format.rate) + " Hz " +
                std::string(SampleFormatName(format.format)) + " samples";
        return nullptr;
    }
    if (const std::string problem = FolderProblem(path); !problem.empty()) {
        error = path + ": " + problem;
        return nullptr;
    }
    errno = 0;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        const int cause = errno;
        std::string why = sf_strerror(nullptr);
        // libsndfile says "System error" for a failed open; the system says what failed.
        if (why.find("System error") != std::string::npos && cause != 0)
            why = std::strerror(cause);
        error = path + ": " + why;
        return nullptr;
    }
    return std::make_unique<FileSink>(file, path, format.channels);
}

} // namespace quorvan::air
