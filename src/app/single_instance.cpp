#include "app/single_instance.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvan_app {

SingleInstance::SingleInstance(const QString& name, const QString& dir)
{
    QString base = dir;
    if (base.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        base = !runtime.isEmpty() && QDir(runtime).exists() ? runtime : QDir::tempPath();
    }
    path_ = QDir(base).filePath(QStringLiteral("quorvan-%1-%2.lock").arg(name).arg(getuid()));
    const QByteArray native = QFile::encodeName(path_);
    // A link planted at the lock's place (the directory may be the shared
    // temporary one) is not followed.
    fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        otherRunning_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

SingleInstance::~SingleInstance()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace quorvan_app
