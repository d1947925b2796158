// Runs a piece of a test as an unprivileged user, for the refusals that root
// would never meet.
#pragma once

#include <functional>
#include <string>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {

// Runs `what` as an unprivileged user (uid/gid 65534 when the test runs as
// root) in a child process and returns the text it produced.
inline std::string AsUnprivilegedUser(const std::function<std::string()>& what)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const std::string text = what();
        const ssize_t written = ::write(pipeFds[1], text.data(), text.size());
        ::_exit(written == ssize_t(text.size()) ? 0 : 3);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed";
    return text;
}

} // namespace quorvan::test
