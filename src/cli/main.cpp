// quorvanctl: the headless front end over the core.
#include "cli/cli.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
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
        const Command* command = FindCommand(name);
        if (!command)
            throw UsageError("unknown command '" + name + "' (quorvanctl help lists them)");
        Context ctx(options, name, std::vector<std::string>(argv + at + 1, argv + argc));
        return command->run(ctx);
    } catch (const CliError& e) {
        std::cerr << "quorvanctl: " << e.what() << '\n';
        return e.code();
    } catch (const std::exception& e) {
        std::cerr << "quorvanctl: " << e.what() << '\n';
        return kExitFailure;
    }
}
