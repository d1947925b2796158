#include "app/arguments.h"

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

} // namespace quorvan_app
