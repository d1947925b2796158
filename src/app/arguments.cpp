#include "app/arguments.h"

#include "version/version.h"

#include <cstdlib>
#include <cstring>
#include <ostream>

namespace quorvan_app {

QStringList ParseArguments(const QStringList& args, TForm1Options& options)
{
    const QString flag = QStringLiteral("--virtual-encoder");
    QStringList unknown;
    for (const QString& a : args.mid(1)) {
        if (a == flag) {
            options.virtualEncoder = true;
        } else if (a.startsWith(flag + QLatin1Char('='))) {
            options.virtualEncoder = true;
            options.virtualStateFile = a.mid(flag.size() + 1);
        } else {
            unknown << a;
        }
    }
    options.unknownArguments = unknown;
    return unknown;
}

QString UnknownArgumentsWarning(const QStringList& unknown)
{
    if (unknown.isEmpty())
        return {};
    QStringList quoted;
    for (const QString& a : unknown)
        quoted << QLatin1Char('"') + a + QLatin1Char('"');
    return QStringLiteral("unknown argument%1 %2 ignored (quorvan --help lists the options)")
        .arg(unknown.size() > 1 ? QStringLiteral("s") : QString(), quoted.join(QStringLiteral(", ")));
}

bool HaveDisplay(int argc, const char* const* argv)
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return true;
    return false;
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
