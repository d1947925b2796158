#include "air/sink.h"

#include <algorithm>
#include <cstring>

namespace quorvan::air {

namespace {

void PutLE(std::uint8_t* p, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

std::optional<SampleFormat> ParseSampleFormat(std::string_view text)
{
    if (text == "s16")
        return SampleFormat::S16;
    if (text == "s32")
        return SampleFormat::S32;
    if (text == "float")
        return SampleFormat::Float;
    return std::nullopt;
}

std::string_view SampleFormatName(SampleFormat format)
{
    switch (format) {
    case SampleFormat::S16:
        return "s16";
    case SampleFormat::S32:
        return "s32";
    case SampleFormat::Float:
        return "float";
    }
    return "";
}

int BytesPerSample(SampleFormat format)
{
    return format == SampleFormat::S16 ? 2 : 4;
}

namespace {

// One loop per format and channel count, so that the compiler sees a plain
// loop over the samples (no switch per sample); the rounding is the same in
// all: half away from zero, done by hand because std::lround is a library
// call per sample, a noticeable part of a live output's cost.
template <int Bytes, auto Word>
void ConvertLoop(const float* mono, std::size_t frames, int channels, std::uint8_t* p)
{
    for (std::size_t i = 0; i < frames; ++i) {
        const auto w = static_cast<std::uint32_t>(Word(std::clamp(static_cast<double>(mono[i]), -1.0, 1.0)));
        for (int c = 0; c < channels; ++c, p += Bytes)
            PutLE(p, w, Bytes);
    }
}

std::uint16_t S16Word(double x)
{
    const double v = x * 32767;
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(v + (v < 0 ? -0.5 : 0.5)));
}

std::uint32_t S32Word(double x)
{
    const double v = x * 2147483647.0;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(v + (v < 0 ? -0.5 : 0.5)));
}

std::uint32_t FloatWord(double x)
{
    const float f = static_cast<float>(x);
    std::uint32_t word = 0;
    std::memcpy(&word, &f, sizeof word);
    return word;
}

// Mono, the usual case, with the channel count known to the compiler.
template <int Bytes, auto Word>
void ConvertChannels(const float* mono, std::size_t frames, int channels, std::uint8_t* p)
{
    if (channels == 1)
        ConvertLoop<Bytes, Word>(mono, frames, 1, p);
    else
        ConvertLoop<Bytes, Word>(mono, frames, channels, p);
}

} // namespace

void ConvertSamples(const float* mono, std::size_t frames, int channels, SampleFormat format, std::vector<std::uint8_t>& out)
{
    out.resize(frames * static_cast<std::size_t>(channels * BytesPerSample(format)));
    switch (format) {
    case SampleFormat::S16:
        ConvertChannels<2, S16Word>(mono, frames, channels, out.data());
        break;
    case SampleFormat::S32:
        ConvertChannels<4, S32Word>(mono, frames, channels, out.data());
        break;
    case SampleFormat::Float:
        ConvertChannels<4, FloatWord>(mono, frames, channels, out.data());
        break;
    }
}

} // namespace quorvan::air
