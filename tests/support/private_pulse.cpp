#include "support/private_pulse.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {

namespace fs = std::filesystem;

PrivatePulse::PrivatePulse(const std::string& dir, int rate, const std::vector<std::string>& sinks,
                           const std::string& format)
    : dir_(dir)
{
    fs::create_directories(dir_);
    if (const char* v = std::getenv("XDG_RUNTIME_DIR")) {
        hadRuntime_ = true;
        oldRuntime_ = v;
    }
    if (const char* v = std::getenv("HOME")) {
        hadHome_ = true;
        oldHome_ = v;
    }
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    ::setenv("HOME", dir_.c_str(), 1);
    // As root the server needs --system=no to stay a user's server; it then
    // warns on stderr, which goes to a file here.
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open((dir_ + "/pulseaudio.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        std::vector<std::string> args = {"pulseaudio", "-n", "--daemonize=yes", "--exit-idle-time=-1", "--system=no",
                                         "--disallow-exit"};
        for (const std::string& name : sinks)
            args.push_back("--load=module-null-sink sink_name=" + name + " rate=" + std::to_string(rate) +
                           " channels=1" + (format.empty() ? "" : " format=" + format));
        args.push_back("--load=module-native-protocol-unix");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp("pulseaudio", argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error_ = "pulseaudio did not start (is scripts/setup run?); see " + dir_ + "/pulseaudio.log";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream pidFile(dir_ + "/pulse/pid");
        int daemon = 0;
        if (pidFile >> daemon && daemon > 0 && fs::exists(dir_ + "/pulse/native")) {
            pid_ = daemon;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error_ = "pulseaudio started but never answered in " + dir_;
}

PrivatePulse::~PrivatePulse()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && ::kill(pid_, 0) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (hadRuntime_)
        ::setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    if (hadHome_)
        ::setenv("HOME", oldHome_.c_str(), 1);
    else
        ::unsetenv("HOME");
}

} // namespace quorvan::test
