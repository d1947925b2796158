// The file sink's container: WAV while the RIFF chunk's 32-bit size can
// count the render, RF64 beyond, decided from the length before the first
// sample (a 4 GiB file is never written to find out).
#include "air/io/sinks.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <unistd.h>

namespace quorvan::air {
namespace {

TEST(FileSink, RendersPast4GiBAreRf64)
{
    SinkFormat mono;  // s16, 192 kHz: 384 000 bytes a second
    EXPECT_EQ(WavContainer(mono, 3600LL * 192000), SF_FORMAT_WAV);
    // 4 GiB hold 11 184 s of it (3.1 h); --seconds allows 86 400.
    EXPECT_EQ(WavContainer(mono, 11184LL * 192000), SF_FORMAT_WAV);
    EXPECT_EQ(WavContainer(mono, 11185LL * 192000), SF_FORMAT_RF64);
    EXPECT_EQ(WavContainer(mono, 86400LL * 192000), SF_FORMAT_RF64);
    SinkFormat wide{768000, 2, SampleFormat::Float};  // 6 144 000 bytes a second
    EXPECT_EQ(WavContainer(wide, 600LL * 768000), SF_FORMAT_WAV);
    EXPECT_EQ(WavContainer(wide, 700LL * 768000), SF_FORMAT_RF64);

    const auto dir = std::filesystem::temp_directory_path() / ("quorvan-file-sink-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const std::int64_t seconds : {std::int64_t{1}, std::int64_t{86400}}) {
        const std::string path = (dir / ("x" + std::to_string(seconds) + ".wav")).string();
        std::string error;
        auto sink = OpenFileSink(path, mono, seconds * 192000, error);
        ASSERT_TRUE(sink) << error;
        std::vector<float> second(192000, 0.25f);
        ASSERT_TRUE(sink->write(second.data(), second.size()));
        ASSERT_TRUE(sink->close()) << sink->error();
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_TRUE(f) << path;
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, seconds == 1 ? SF_FORMAT_WAV : SF_FORMAT_RF64);
        EXPECT_EQ(info.frames, 192000);
        sf_close(f);
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace quorvan::air
