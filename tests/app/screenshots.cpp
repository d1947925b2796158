// Saves a picture of every page of the main window (and of each sub-page of
// "Text Sources") into the directory given as the first argument.
// Run under Xvfb or with QT_QPA_PLATFORM=offscreen. The clock stands still at
// 9:05 on 8 December 2026, so the pictures come out the same on every run.
#include "app/form1.h"
#include "app/form2.h"
#include "app/look.h"
#include "link/clock.h"
#include "manual_spinner.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    quorvan_app::ApplyProgramLook(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir settings;
    quorvan_app::TForm1Options options;
    options.exeDirectory = settings.path() + QLatin1Char('/');
    options.trayAvailable = false;
    quorvan::ManualTime time(quorvan::DateTime{2026, 12, 8, 9, 5, 0, 0});
    test_support::ManualSpinner spinner(time);
    test_support::ManualPriority priority;
    options.clock = &time;
    options.sleeper = &time;
    options.spinner = &spinner;
    options.monotonic = &time;
    options.waiter = &time;
    options.priority = &priority;
    options.ports.parportProcDir = settings.filePath(QStringLiteral("proc")).toStdString();
    options.ports.devDir = settings.filePath(QStringLiteral("dev")).toStdString();
    options.ports.directIo = false;
    quorvan_app::TForm1 form(options);
    form.FormCreate();
    form.show();
    static const char* const names[] = {"1-program", "2-dynamic-ps", "3-radiotext", "4-system",
                                        "5-preferences", "6-text-sources", "7-help"};
    for (int i = 0; i < form.PageControl1->count(); ++i) {
        form.PageControl1->setCurrentIndex(i);
        if (form.PageControl1->widget(i) == form.TSTS) {
            for (int j = 0; j < form.PageControl2->count(); ++j) {
                form.PageControl2->setCurrentIndex(j);
                QApplication::processEvents();
                const QString file = QStringLiteral("%1/%2%3.png")
                                         .arg(out, QLatin1String(names[i]),
                                              j == 0 ? QString() : QStringLiteral("-%1").arg(j + 1));
                form.grab().save(file);
                std::printf("%s\n", qPrintable(file));
            }
            form.PageControl2->setCurrentIndex(0);
            continue;
        }
        QApplication::processEvents();
        const QString file = QStringLiteral("%1/%2.png").arg(out, QLatin1String(names[i]));
        form.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    }
    quorvan_app::TForm2 splash;
    splash.show();
    QApplication::processEvents();
    splash.grab().save(out + QStringLiteral("/splash.png"));
    return 0;
}
