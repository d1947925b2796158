// quorvanctl: the headless front end over the core.
#include "cli/cli.h"
#include "settings/termination_signals.h"
#include "version/version.h"

#include <csignal>
#include <cstring>

#include <exception>
#include <iostream>

namespace {

// A termination signal that arrived during the command: now that the command
// has finished and saved, the program ends by it, so that a shell sees an
// interrupted run.
void endByHeldSignal()
{
    using quorvan::TerminationSignals;
    const int sig = TerminationSignals::take();
    if (sig == 0)
        return;
    std::cerr << "quorvanctl: " << ::strsignal(sig) << ": stopped after the operation ended" << std::endl;
    TerminationSignals::uninstall();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Signals the caller has the program ignore (nohup, a background job) stay ignored.
void holdTerminationSignals()
{
    const int signals[] = {SIGTERM, SIGINT, SIGHUP};
    bool ignored[3] = {};
    for (int i = 0; i < 3; ++i) {
        struct sigaction old {};
        ignored[i] = ::sigaction(signals[i], nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
    }
    quorvan::TerminationSignals::install();
    for (int i = 0; i < 3; ++i)
        if (ignored[i])
            std::signal(signals[i], SIG_IGN);
}

int runCommandLine(int argc, char** argv)
{
    using namespace quorvan::cli;
    try {
        Options options;
        const int at = ParseOptions(argc, argv, options);
        if (at >= argc) {
            std::cerr << Usage();
            return kExitUsage;
        }
        const std::string name = argv[at];
        if (name == "help" || name == "-h" || name == "--help") {
            std::cout << Usage();
            return kExitOk;
        }
        if (name == "--version") {
            std::cout << "quorvanctl " << quorvan::programVersion() << '\n';
            return kExitOk;
        }
        const Command* command = FindCommand(name);
        if (!command)
            throw UsageError("unknown command '" + name + "' (quorvanctl help lists them)");
        // NAME --help: the command's synopsis, whatever else stands beside it.
        for (int i = at + 1; i < argc; ++i)
            if (std::strcmp(argv[i], "--help") == 0) {
                std::cout << CommandUsage(name) << "\n(man quorvanctl describes every command)\n";
                return kExitOk;
            }
        Context ctx(options, name, std::vector<std::string>(argv + at + 1, argv + argc));
        // SIGINT, SIGTERM or SIGHUP in the middle of an operation would cut a
        // bus transaction short and lose the virtual encoder's new state: the
        // signal is held until the command has ended and saved, and then ends
        // the program as it would have (follow takes it itself to stop).
        holdTerminationSignals();
        return command->run(ctx);
    } catch (const CliError& e) {
        std::cerr << "quorvanctl: " << e.what() << '\n';
        return e.code();
    } catch (const std::exception& e) {
        std::cerr << "quorvanctl: " << e.what() << '\n';
        return kExitFailure;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int code = runCommandLine(argc, argv);
    endByHeldSignal();
    return code;
}
