#include "link/link_fakes.h"

#include <sstream>

namespace quorvan::test {

Events ev(const std::string& spaced)
{
    std::istringstream in(spaced);
    Events out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

} // namespace quorvan::test
