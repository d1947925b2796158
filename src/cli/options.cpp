#include "cli/cli.h"

#include <cstring>

namespace quorvan::cli {

int ParseOptions(int argc, char** argv, Options& options)
{
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--help" || arg == "--version")
            break; // the command
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        auto value = [&]() -> std::string {
            if (eq != std::string::npos)
                return arg.substr(eq + 1);
            if (i + 1 >= argc)
                throw UsageError("option " + name + " needs a value");
            return argv[++i];
        };
        if (name == "--settings") {
            options.settingsFile = value();
        } else if (name == "--port") {
            options.port = value();
        } else if (name == "--record") {
            options.recordFile = value();
        } else if (name == "--timed" && eq == std::string::npos) {
            options.timed = true;
        } else {
            throw UsageError("unknown option " + arg);
        }
        if ((name == "--settings" || name == "--port" || name == "--record")) {
            const std::string& v = name == "--settings" ? *options.settingsFile
                                   : name == "--port"   ? *options.port
                                                        : *options.recordFile;
            if (v.empty())
                throw UsageError("option " + name + " needs a value");
        }
    }
    return i;
}

} // namespace quorvan::cli
