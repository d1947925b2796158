#include "support/private_jack.h"

#include <jack/jack.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {

namespace {

void Quiet(const char*) {}

} // namespace

PrivateJack::PrivateJack(const std::string& name, const std::string& log, int rate, int period)
    : name_(name + "-" + std::to_string(::getpid()))
{
    if (const char* v = std::getenv("JACK_DEFAULT_SERVER")) {
        hadServer_ = true;
        oldServer_ = v;
    }
    ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        const std::string r = std::to_string(rate), p = std::to_string(period);
        ::execlp("jackd", "jackd", "--no-realtime", "-S", "-d", "dummy", "-r", r.c_str(), "-p", p.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) {
        error_ = "jackd could not be started";
        return;
    }
    // Up when a client can join it.
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            error_ = "jackd ended at once (is scripts/setup run?); see " + log;
            return;
        }
        jack_status_t s{};
        if (jack_client_t* probe = jack_client_open("quorvan-probe", JackNoStartServer, &s)) {
            jack_client_close(probe);
            pid_ = pid;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    error_ = "jackd started but never answered; see " + log;
}

PrivateJack::~PrivateJack()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 150 && ::waitpid(pid_, &status, WNOHANG) != pid_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (::kill(pid_, 0) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
    }
    if (hadServer_)
        ::setenv("JACK_DEFAULT_SERVER", oldServer_.c_str(), 1);
    else
        ::unsetenv("JACK_DEFAULT_SERVER");
}

} // namespace quorvan::test
