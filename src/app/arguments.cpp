#include "app/arguments.h"

#include "version/version.h"

#include <cstring>
#include <ostream>

namespace quorvan_app {

void ParseArguments(const QStringList& args, TForm1Options& options)
{
    const QString flag = QStringLiteral("--virtual-encoder");
    for (const QString& a : args.mid(1)) {
        if (a == flag) {
            options.virtualEncoder = true;
        } else if (a.startsWith(flag + QLatin1Char('='))) {
            options.virtualEncoder = true;
            options.virtualStateFile = a.mid(flag.size() + 1);
        }
    }
}

bool PrintInformation(int argc, const char* const* argv, std::ostream& out)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            out << "quorvan " << quorvan::programVersion() << '\n';
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            out << "usage: quorvan [--virtual-encoder[=STATEFILE]]\n"
                   "       quorvan --version | --help\n"
                   "  --virtual-encoder[=STATEFILE]  talk to the virtual encoder instead of a port\n"
                   "                                 (its memory in STATEFILE, default: virtual-encoder.state\n"
                   "                                 beside the settings file) and show its monitor window\n"
                   "  --version                      print the version and exit\n"
                   "  --help                         print this text and exit\n";
            return true;
        }
    }
    return false;
}

} // namespace quorvan_app
