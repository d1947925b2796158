#include "rds/af_method_b.h"

#include "rds/groups.h"

#include <algorithm>

namespace quorvan::rds {

std::vector<std::uint16_t> AFMethodB(const std::vector<AfMethodBList>& lists)
{
    auto pair = [](int high, int low) { return static_cast<std::uint16_t>((high << 8) | low); };
    auto valid = [](int code) { return code >= 1 && code <= 204; };
    std::vector<std::uint16_t> blocks;
    for (const AfMethodBList& list : lists) {
        if (!valid(list.tuned))
            continue;
        std::vector<AfMethodBEntry> alternatives;
        for (const AfMethodBEntry& e : list.alternatives)
            if (valid(e.code) && e.code != list.tuned && alternatives.size() < static_cast<std::size_t>(kAfMethodBEntries))
                alternatives.push_back(e);
        blocks.push_back(pair(kAFCountBase + 1 + 2 * static_cast<int>(alternatives.size()), list.tuned));
        for (const AfMethodBEntry& e : alternatives) {
            const int low = std::min<int>(list.tuned, e.code), high = std::max<int>(list.tuned, e.code);
            blocks.push_back(e.regional ? pair(high, low) : pair(low, high));
        }
    }
    return blocks;
}

} // namespace quorvan::rds
