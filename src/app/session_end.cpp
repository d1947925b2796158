#include "app/session_end.h"

#include "app/form1.h"
#include "settings/termination_signals.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <iostream>

namespace quorvan_app {

void SaveOnSessionEnd(TForm1& form)
{
    if (quorvan::TerminationSignals::install()) {
        // The signal handler only writes to a pipe; the event loop picks it up here.
        auto* notifier = new QSocketNotifier(quorvan::TerminationSignals::fd(), QSocketNotifier::Read, &form);
        QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
            quorvan::TerminationSignals::take();
            form.EndSession();
        });
    }
    // The desktop session is ending: keep the values (the session may still
    // be cancelled, so the program goes on running).
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager&) {
        const QString error = form.SaveSettingsNow();
        if (!error.isEmpty())
            std::cerr << "quorvan: " << error.toLocal8Bit().constData() << '\n';
    });
    // Any other way out of the event loop.
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, &form, [&form] { form.EndSession(); });
}

} // namespace quorvan_app
