// libFuzzer target: the group stream of an arbitrary data image, and a
// receiver fed that stream and then arbitrary groups.
#include "rds/generator.h"
#include "rds/receiver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quorvan;
    image::ImageBytes ram{};
    std::copy_n(data, std::min(size, ram.size()), ram.begin());
    rds::GroupGenerator generator;
    rds::Receiver receiver;
    for (int n = 0; n < 400; ++n) {
        if (n == 17)
            generator.ClockTimeTriggered({0x40, ram[0x68], ram[0x69], ram[0x6A], ram[0x6B], ram[0x6C]});
        const rds::Group g = generator.Next(ram);
        if (g.blocks[0] != rds::PIOf(ram)) __builtin_trap();
        receiver.Take(g);
    }
    // The PS received is the default PS or a dynamic PS value; the AF list
    // holds only frequencies.
    if (!receiver.ps.empty() && receiver.ps.size() != 8) __builtin_trap();
    for (int code : receiver.af)
        if (code < 1 || code > 204) __builtin_trap();
    // Then whatever groups the rest of the input makes.
    for (std::size_t i = ram.size(); i + 8 <= size; i += 8) {
        rds::Group g;
        for (int b = 0; b < 4; ++b)
            g.blocks[b] = static_cast<std::uint16_t>(data[i + 2 * b] << 8 | data[i + 2 * b + 1]);
        receiver.Take(g);
        if (receiver.rtSegments > 16 || receiver.rt.size() > 64 || receiver.af.size() > 25) __builtin_trap();
    }
    return 0;
}
