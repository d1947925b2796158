// A main window for the tests: its settings directory is a fresh temporary
// directory, its clock a ManualTime, and the system tray present or not as
// the test chooses.
#pragma once

#include "app/form1.h"
#include "app/look.h"
#include "link/clock.h"
#include "manual_spinner.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace test_support {

struct FormFixture {
    explicit FormFixture(bool trayAvailable = false,
                         quorvan::DateTime start = quorvan::DateTime{2026, 12, 8, 9, 5, 0, 0})
        : time(start), spinner(time)
    {
        quorvan_app::TForm1Options options;
        options.exeDirectory = dir.path() + QLatin1Char('/');
        options.trayAvailable = trayAvailable;
        options.clock = &time;
        options.sleeper = &time;
        options.spinner = &spinner;
    options.monotonic = &time;
    options.waiter = &time;
    options.priority = &priority;
        options.openFile = [this](const QString&, const QString&, bool) { return chosenFile; };
        // Nothing may reach a real port: no ppdev devices, no serial devices, no direct I/O.
        options.ports.parportProcDir = dir.filePath(QStringLiteral("proc")).toStdString();
        options.ports.devDir = dir.filePath(QStringLiteral("dev")).toStdString();
        options.ports.directIo = false;
        form = std::make_unique<quorvan_app::TForm1>(options);
    }

    // Writes a file into the settings directory.
    QString writeFile(const QString& name, const QByteArray& content) const
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
        return path;
    }

    QTemporaryDir dir;
    quorvan::ManualTime time;
    ManualSpinner spinner;
    ManualPriority priority;
    QString chosenFile; // what the open dialogs "choose"
    std::unique_ptr<quorvan_app::TForm1> form;
};

inline void applyLook()
{
    quorvan_app::ApplyProgramLook(*qApp);
}

} // namespace test_support
