#include "link/busy_loop.h"

namespace quorvan {

void BusyLoop(std::uint32_t iterations)
{
    // volatile: every decrement is a load and a store the compiler may not drop or merge.
    volatile std::uint32_t counter = iterations;
    while (counter != 0)
        counter = counter - 1;
}

} // namespace quorvan
