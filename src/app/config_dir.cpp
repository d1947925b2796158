#include "app/config_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorvan_app {

namespace {
QString withSeparator(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

QString ConfigDirectoryFor(const QString& exeDir, const QString& configHome)
{
    const QFileInfo info(exeDir);
    if (info.isDir() && info.isWritable())
        return withSeparator(exeDir);
    const QString dir = withSeparator(configHome) + QStringLiteral("quorvan");
    QDir().mkpath(dir);
    return withSeparator(dir);
}

QString ConfigDirectory()
{
    return ConfigDirectoryFor(QCoreApplication::applicationDirPath(),
                              QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

} // namespace quorvan_app
