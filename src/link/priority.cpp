#include "link/priority.h"

#include <sys/resource.h>

namespace quorvan {

bool SetHighPriority(bool on)
{
    return ::setpriority(PRIO_PROCESS, 0, on ? -10 : 0) == 0;
}

} // namespace quorvan
