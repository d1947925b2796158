#include "settings/termination_signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorvan {

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_previous[3];
bool g_installed = false;

extern "C" void onTerminationSignal(int sig)
{
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool makePipe()
{
    if (g_pipe[0] >= 0)
        return true;
    if (::pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return true;
}

} // namespace

bool TerminationSignals::install()
{
    if (g_installed)
        return true;
    if (!makePipe())
        return false;
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &sa, &g_previous[i]);
    g_installed = true;
    return true;
}

void TerminationSignals::uninstall()
{
    if (!g_installed)
        return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_installed = false;
}

int TerminationSignals::fd()
{
    return g_pipe[0];
}

int TerminationSignals::take()
{
    if (g_pipe[0] < 0)
        return 0;
    int last = 0;
    unsigned char buf[64];
    for (;;) {
        ssize_t n = ::read(g_pipe[0], buf, sizeof buf);
        if (n <= 0)
            break;
        last = buf[n - 1];
    }
    return last;
}

} // namespace quorvan
