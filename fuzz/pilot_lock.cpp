// libFuzzer target: the pilot lock of a loop-through, with the modulator and
// the mix behind it, on random and hostile sample blocks. The bytes choose a
// rate and, block by block, raw floats (extremes, infinities and NaN
// included), DC, square waves or a pilot near or beyond the edge of the
// range. Whatever comes in: no crash, the clock finite, moving forward within
// 19 000 Hz +- twice the pull range, its phasor on the unit circle,
// and every output sample a number within full scale.
#include "air/mix.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t next() { return at < size ? data[at++] : 0; }
    float nextFloat()
    {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits = bits << 8 | next();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quorvan::air;
    Bytes in{data, size};
    static constexpr int kRates[] = {128000, 171000, 192000, 228000};
    const int rate = kRates[in.next() % 4];
    PilotLock lock(rate);
    Modulator modulator({rate, 4.5, 0}, [] { return quorvan::rds::Group{{0xD3A2, 0x0408, 0xE0CD, 0x5155}}; });
    modulator.setRdsPhase((in.next() % 4) * 90.0);
    std::vector<float> block(4096), out(4096);
    std::vector<PilotClock> clock(4096);
    Mix mix;
    double sampleIndex = 0;
    PilotClock last;
    bool haveLast = false;
    while (in.at < in.size) {
        const int kind = in.next() % 5;
        const std::size_t n = 1 + (std::size_t{in.next()} << 4 | in.next() >> 4) % block.size();
        const float level = in.nextFloat();
        const double hz = 19000 + (static_cast<int>(in.next()) - 128) * 0.25;  // +-32 Hz
        for (std::size_t i = 0; i < n; ++i, ++sampleIndex) {
            switch (kind) {
            case 0: block[i] = in.nextFloat(); break;
            case 1: block[i] = level; break;
            case 2: block[i] = (static_cast<std::int64_t>(sampleIndex) / (1 + in.data[0] % 64)) % 2 ? level : -level; break;
            case 3:
                block[i] = static_cast<float>(
                    0.08 * std::sin(2 * std::numbers::pi * std::fmod(hz * sampleIndex / rate, 1.0)));
                break;
            default: block[i] = static_cast<float>(i % 2 ? 1e30 : -1e30); break;
            }
        }
        lock.process(block.data(), clock.data(), n);
        modulator.renderLocked(out.data(), clock.data(), n);
        mix.add(block.data(), out.data(), out.data(), n);
        for (std::size_t i = 0; i < n; ++i) {
            const PilotClock& c = clock[i];
            if (!(c.fraction >= 0 && c.fraction < 1) || !std::isfinite(c.re) || !std::isfinite(c.im) ||
                std::abs(c.re * c.re + c.im * c.im - 1) > 1e-3)
                __builtin_trap();
            if (haveLast) {
                const double f = (static_cast<double>(c.cycle - last.cycle) + c.fraction - last.fraction) * rate;
                if (!(f > kPilotFrequency - 2 * kPullRange - 1 && f < kPilotFrequency + 2 * kPullRange + 1))
                    __builtin_trap();
            }
            last = c;
            haveLast = true;
            if (!(out[i] >= -1.0f && out[i] <= 1.0f))
                __builtin_trap();
        }
        if (!std::isfinite(lock.frequency()) || !std::isfinite(lock.level()))
            __builtin_trap();
    }
    return 0;
}
