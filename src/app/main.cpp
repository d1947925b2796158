// Program entry: one running copy only, the splash window through start-up,
// then the main window until it closes.
#include "app/arguments.h"
#include "app/form1.h"
#include "app/form2.h"
#include "app/look.h"
#include "app/session_end.h"
#include "app/single_instance.h"
#include "app/virtual_monitor.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>
#include <memory>

int main(int argc, char** argv)
{
    if (quorvan_app::PrintInformation(argc, argv, std::cout))
        return 0;
    if (!quorvan_app::HaveDisplay(argc, argv)) {
        std::cerr << quorvan_app::kNoDisplayMessage << '\n';
        return 1;
    }
    const quorvan_app::SingleInstance instance;
    QApplication app(argc, argv);
    if (instance.AlreadyRunning()) {
        QMessageBox::critical(nullptr, QStringLiteral("Application already running"),
                              QStringLiteral("Instance of this application is already running."));
        return 0;
    }
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    quorvan_app::ApplyProgramLook(app);

    quorvan_app::TForm1Options options;
    const QString unknown = quorvan_app::UnknownArgumentsWarning(
        quorvan_app::ParseArguments(QApplication::arguments(), options));
    if (!unknown.isEmpty())
        std::cerr << "quorvan: " << unknown.toLocal8Bit().constData() << '\n';

    auto splash = std::make_unique<quorvan_app::TForm2>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    quorvan_app::TForm1 form(options);
    try {
        form.FormCreate();
    } catch (...) {
        // The splash window never outlives a failed start.
        splash.reset();
        throw;
    }
    splash.reset();
    quorvan_app::SaveOnSessionEnd(form);
    const quorvan_app::VirtualMonitorKeeper monitor(form);

    // The window may be hidden in the tray, so closing it is what ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&form, &quorvan_app::TForm1::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    const int status = QApplication::exec();
    // Ended by a signal or the session while the settings could not be
    // saved: the caller learns of it from the exit status, not only stderr.
    return status != 0 ? status : (form.EndSessionSaveFailed() ? 1 : 0);
}
