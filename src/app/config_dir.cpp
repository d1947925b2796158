#include "app/config_dir.h"

#include "app/latin1.h"
#include "settings/file_system.h"
#include "settings/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quorvan_app {

namespace {

const QString kLanguageFile = QStringLiteral("quorvan.lng");

QString withSeparator(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace

QString ExecutableDirectory()
{
    return withSeparator(QCoreApplication::applicationDirPath());
}

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString LanguageFilePathFor(const QString& exeDir, const QString& configHome, bool installed)
{
    const QString beside = withSeparator(exeDir) + kLanguageFile;
    const QFileInfo dir(exeDir);
    if (!installed && dir.isDir() && dir.isWritable())
        return beside;
    const QString own = withSeparator(configHome) + QStringLiteral("quorvan/") + kLanguageFile;
    return QFileInfo::exists(own) ? own : beside;
}

QString LanguageFilePath(const QString& exeDir)
{
    quorvan::PosixFileSystem fs;
    return LanguageFilePathFor(exeDir, ConfigHome(), quorvan::isInstalledProgram(fs, FileNameBytes(exeDir)));
}

} // namespace quorvan_app
