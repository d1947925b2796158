// Runs the built quorvanctl binary and captures its exit code and output.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvan::test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

// A scratch directory for one test; the CLI runs with it as its working
// directory and as XDG_CONFIG_HOME, so that it never sees the user's files.
// The lines of a program's output.
std::vector<std::string> Lines(const std::string& text);

class CliSandbox {
public:
    CliSandbox();
    ~CliSandbox();
    CliResult run(const std::vector<std::string>& args) const;
    // Starts `exe` (default: quorvanctl; found on PATH) in the directory without
    // waiting: stdout to the file `outName`, stderr to `outName`.err. The pid.
    int start(const std::vector<std::string>& args, const std::string& outName, std::string exe = "") const;
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string read(const std::string& name) const;
    void write(const std::string& name, const std::string& text) const;
    // The quorvanctl binary run (default: the one built).
    std::string program = QUORVAN_CLI_PATH;

private:
    std::filesystem::path dir_;
};

} // namespace quorvan::test
