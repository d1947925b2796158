#include "link/priority.h"

#include <cerrno>
#include <cstring>

#include <sys/resource.h>

namespace quorvan {

int PosixProcessPriority::niceness()
{
    errno = 0;
    const int value = ::getpriority(PRIO_PROCESS, 0);
    return errno == 0 ? value : 0;
}

int PosixProcessPriority::setNiceness(int value)
{
    return ::setpriority(PRIO_PROCESS, 0, value) == 0 ? 0 : errno;
}

std::string HighPriority::apply(bool on)
{
    if (!normal_)
        normal_ = system_.niceness();
    const int wanted = on && *normal_ > kHighPriorityNice ? kHighPriorityNice : *normal_;
    if (system_.niceness() == wanted)
        return {};
    const int error = system_.setNiceness(wanted);
    if (error == 0 || !on || told_)
        return {};
    told_ = true;
    return std::string("High Priority is not allowed (") + std::strerror(error) +
           "): the program runs at normal priority";
}

} // namespace quorvan
