// quorvanctl as another program beside the window: run on the window's
// settings and its virtual encoder's state file, to its exit. Built into the
// app tests only (QUORVANCTL is the path tests/app/CMakeLists.txt gives).
#pragma once

#include "encoder_fixture.h"

#include <QProcess>
#include <QStringList>
#include <QtGlobal>

namespace test_support {

// quorvanctl on the window's state file; its exit code (-1 when it does not end).
inline int Quorvanctl(const EncoderFixture& f, const QStringList& command)
{
    QProcess ctl;
    ctl.start(QStringLiteral(QUORVANCTL), QStringList{QStringLiteral("--settings"), f.settingsPath(),
                                                      QStringLiteral("--port"),
                                                      QStringLiteral("virtual:") + f.statePath()} +
                                              command);
    if (!ctl.waitForFinished(60000))
        return -1;
    if (ctl.exitCode() != 0)
        qWarning("%s", ctl.readAllStandardError().constData());
    return ctl.exitCode();
}

} // namespace test_support
