#include "sources/file_mask.h"

namespace quorvan {

namespace {

char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool matchesFileMask(std::string_view name, std::string_view mask)
{
    if (mask.empty())
        return false;
    // Greedy match with a single back-track point: the last `*` seen. Runs in
    // O(name x mask) at worst, never recurses, so hostile masks such as
    // "*a*a*a*a*b" cannot blow the stack or take exponential time.
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || foldCase(mask[m]) == foldCase(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace quorvan
