// The single-instance rule: the first copy of the program holds an exclusive
// lock on a small file in the user's runtime directory. The system releases
// the lock when the process ends in any way, a crash included, so a stale
// lock can never keep the program from starting.
#pragma once

#include <QString>

namespace quorvan_app {

class SingleInstance {
public:
    // dir: where the lock file lies; empty: the runtime directory.
    explicit SingleInstance(const QString& name = QStringLiteral("halvik4"), const QString& dir = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Another running process holds the lock. When the lock file cannot be
    // created at all, the program runs as a first instance.
    bool AlreadyRunning() const { return otherRunning_; }
    QString LockPath() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    bool otherRunning_ = false;
};

} // namespace quorvan_app
