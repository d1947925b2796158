#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

CliSandbox::CliSandbox()
{
    // Named after the test, or after the suite in a suite's shared set-up.
    const auto* unit = ::testing::UnitTest::GetInstance();
    const auto* info = unit->current_test_info();
    const auto* suite = unit->current_test_suite();
    const std::string name = info ? std::string(info->test_suite_name()) + "-" + info->name()
                                  : std::string(suite ? suite->name() : "shared") + "-suite";
    dir_ = fs::temp_directory_path() / ("quorvan-cli-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

CliSandbox::~CliSandbox()
{
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string CliSandbox::read(const std::string& name) const
{
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void CliSandbox::write(const std::string& name, const std::string& text) const
{
    std::ofstream(path(name), std::ios::binary) << text;
}

int CliSandbox::start(const std::vector<std::string>& args, const std::string& outName, std::string exe) const
{
    const std::string outPath = path(outName), errPath = path(outName + ".err");
    if (exe.empty())
        exe = program;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::chdir(dir_.c_str()) != 0)
            ::_exit(127);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(exe.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

CliResult CliSandbox::run(const std::vector<std::string>& args) const
{
    const pid_t pid = start(args, ".stdout");
    CliResult r;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.code = WEXITSTATUS(status);
    r.out = read(".stdout");
    r.err = read(".stdout.err");
    return r;
}

} // namespace quorvan::test
