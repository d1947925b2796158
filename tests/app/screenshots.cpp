// Saves a picture of every page of the main window (and of each sub-page of
// "Text Sources") into the directory given as the first argument. The
// "Network" sub-page is taken while it listens on loopback (UDP and TCP
// 10001, or free ports when those are taken), after a few commands.
// Run under Xvfb or with QT_QPA_PLATFORM=offscreen. The clock stands still at
// 9:05 on 8 December 2026, so the pictures come out the same on every run.
// With "--extended" after the directory it takes the states of the
// "Extended" page instead (each sub-page filled, a refusal, a cut text, a
// real port), as the X server shows them ("import -window root"), so it runs
// under Xvfb only.
#include "app/form1.h"
#include "app/form2.h"
#include "app/look.h"
#include "link/clock.h"
#include "manual_spinner.h"
#include "remote/uecp_frame.h"
#include "support/loopback.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

namespace {

using test_support::FreePort;
using test_support::Loopback;

// The Network sub-page of a window on the virtual encoder, listening, after
// a playout system's datagram, a TCP client's commands and a bad value.
void NetworkShot(quorvan_app::TForm1Options options, const QString& file)
{
    QTemporaryDir state;
    // The encoder protocol on its own port, from the settings file.
    const int uecpPort = FreePort(SOCK_STREAM, 10002);
    {
        QFile rds(options.exeDirectory + QStringLiteral("quorvan.rds"));
        if (rds.open(QIODevice::Append))
            rds.write(QStringLiteral("[Remote]\r\nUECPTCPPort=%1\r\n").arg(uecpPort).toLatin1());
    }
    options.virtualEncoder = true;
    options.virtualStateFile = state.filePath(QStringLiteral("encoder.state"));
    quorvan_app::TForm1 form(options);
    form.FormCreate();
    form.show();
    form.PageControl1->setCurrentWidget(form.TSTS);
    form.PageControl2->setCurrentWidget(form.TSTSN);
    const int udp = FreePort(SOCK_DGRAM, 10001), tcp = FreePort(SOCK_STREAM, 10001);
    form.SERMUDP->setValue(udp);
    form.SERMTCP->setValue(tcp);
    form.CBRMEN->setChecked(true);

    const int pad = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = Loopback(udp);
    const char datagram[] = "TEXT=Alvara - Lumen\r\nDPS=Alvara - Lumen\r\n";
    ::sendto(pad, datagram, sizeof datagram - 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ::close(pad);
    for (int i = 0; i < 200 && form.LVRMLOG->rowCount() < 2; ++i)
        QApplication::processEvents();
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in server = Loopback(tcp);
    if (::connect(client, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0) {
        const char lines[] = "PS=QUORVAN\r\nPTY=10\r\nPTY=40\r\nSTATUS?\r\n";
        ::send(client, lines, sizeof lines - 1, MSG_NOSIGNAL);
        for (int i = 0; i < 200 && form.LVRMLOG->rowCount() < 6; ++i)
            QApplication::processEvents();
    }
    ::close(client);
    // An automation system on UECP: mode 2, PS and radiotext in one frame, then a damaged frame.
    const int automation = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in encoder = Loopback(uecpPort);
    if (::connect(automation, reinterpret_cast<const sockaddr*>(&encoder), sizeof encoder) == 0) {
        using namespace quorvan::remote::uecp;
        std::string frames = EncodeFrame(0, 1, std::string("\x2C\x02\x02\x00\x00QUORVAN \x0A\x00\x00\x14\x00Now: Alvara - Lumen", 37));
        std::string damaged = EncodeFrame(0, 2, std::string("\x07\x00\x00\x0A", 4));
        damaged[damaged.size() - 2] ^= 1;
        frames += damaged;
        ::send(automation, frames.data(), frames.size(), MSG_NOSIGNAL);
        for (int i = 0; i < 200 && form.LVRMLOG->rowCount() < 8; ++i)
            QApplication::processEvents();
    }
    ::close(automation);
    QApplication::processEvents();
    form.grab().save(file);
    std::printf("%s\n", qPrintable(file));
    form.CBRMEN->setChecked(false);
}

// The whole screen as the X server shows it.
void RootShot(const QString& file)
{
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    std::printf("%s\n", qPrintable(file));
}

// The "Extended" page in each of its states, on the virtual encoder with a
// value in every field, then on a real port.
void ExtendedShots(quorvan_app::TForm1Options options, const QString& out)
{
    QTemporaryDir state;
    {
        QFile rds(options.exeDirectory + QStringLiteral("quorvan.rds"));
        if (rds.open(QIODevice::WriteOnly))
            rds.write("[General]\r\nDefaultPS=QUORVAN\r\nPI=D3C2\r\n"
                      "[Extended]\r\nECC=E0\r\nLIC=08\r\nPIN=15 09:30\r\nPTYN=Jazzbar\r\n"
                      "LongPS=\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe Quorvan\r\n"
                      "ERT=\xd0\x9a\xd0\xb8\xd0\xbd\xd0\xbe \xe2\x80\x93 \xd0\x93\xd1\x80\xd1\x83\xd0\xbf\xd0\xbf"
                      "\xd0\xb0 \xd0\xba\xd1\x80\xd0\xbe\xd0\xb2\xd0\xb8\r\n"
                      "AFMethod=B\r\nAFB1=98.5: 87.6 101.2 104.1R\r\nAFB2=101.2: 98.5 87.6\r\n"
                      "AFB3=104.1: 98.5R 95.0 89.3 92.7 106.6 107.9\r\n"
                      "EON1PI=D3C4\r\nEON1PS=PARTNER\r\nEON1AF=87.6 95.0 101.2 104.1 106.6\r\nEON1PTY=10\r\nEON1TP=1\r\n"
                      "EON2PI=D301\r\nEON2PS=VERKEHR\r\nEON2AF=89.3\r\nEON2PTY=3\r\nEON2TP=1\r\n"
                      "GroupSequence=0A 2A 0A 1A 0A 2A 0A 12A 0A 15A 0A 14A 0A 10A U\r\n");
    }
    options.virtualEncoder = true;
    options.virtualStateFile = state.filePath(QStringLiteral("encoder.state"));
    {
        quorvan_app::TForm1 form(options);
        form.FormCreate();
        form.move(20, 20);
        form.show();
        form.activateWindow();
        form.PageControl1->setCurrentWidget(form.TSEXT);
        const char* const names[] = {"station", "afb", "eon", "round"};
        for (int j = 0; j < form.PageControl3->count(); ++j) {
            form.PageControl3->setCurrentIndex(j);
            RootShot(QStringLiteral("%1/ext-%2-%3.png").arg(out).arg(j + 1).arg(QLatin1String(names[j])));
        }
        form.PageControl3->setCurrentIndex(1);
        form.EAFB[3]->setText(QStringLiteral("98.5: 87.6 120.0"));
        form.ExtendedFieldExit(form.EAFB[3]);
        form.EAFB[3]->setText(QStringLiteral("98.5: 87.6 120.0")); // as typed, before it goes back
        RootShot(QStringLiteral("%1/ext-5-refused-afb.png").arg(out));
        form.PageControl3->setCurrentIndex(3);
        form.EGRPSEQ->setText(QStringLiteral("0A 2A 0A 1A 0A 2A 16A"));
        form.ExtendedFieldExit(form.EGRPSEQ);
        RootShot(QStringLiteral("%1/ext-6-refused-round.png").arg(out));
        form.PageControl3->setCurrentIndex(0);
        form.ELPS->setText(QString::fromUtf8("Радио Квортан – Новости"));
        form.ExtendedFieldExit(form.ELPS);
        RootShot(QStringLiteral("%1/ext-7-cut-long-ps.png").arg(out));
        form.EPIN->setText(QStringLiteral("32 09:30"));
        form.ExtendedFieldExit(form.EPIN);
        RootShot(QStringLiteral("%1/ext-8-refused-pin.png").arg(out));
    }
    options.virtualEncoder = false; // LPT1, as the settings say
    quorvan_app::TForm1 form(options);
    form.FormCreate();
    form.move(20, 20);
    form.show();
    form.PageControl1->setCurrentWidget(form.TSEXT);
    for (int j = 0; j < form.PageControl3->count(); ++j) {
        form.PageControl3->setCurrentIndex(j);
        RootShot(QStringLiteral("%1/ext-9-real-port-%2.png").arg(out).arg(j + 1));
    }
}

} // namespace

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
    if (argc > 2 && QLatin1String(argv[2]) == QLatin1String("--extended")) {
        ExtendedShots(options, out);
        return 0;
    }
    quorvan_app::TForm1 form(options);
    form.FormCreate();
    form.show();
    // Named by page, so that a new page leaves the older pictures' names as they are.
    const auto nameOf = [&form](QWidget* page) -> const char* {
        const std::pair<QWidget*, const char*> pages[] = {
            {form.TSProgram, "1-program"}, {form.TSDPS1, "2-dynamic-ps"}, {form.TSRT, "3-radiotext"},
            {form.TSSystem, "4-system"}, {form.MPreferences, "5-preferences"}, {form.TSTS, "6-text-sources"},
            {form.MHelp, "7-help"}, {form.TSEXT, "8-extended"}};
        for (const auto& [p, name] : pages)
            if (p == page)
                return name;
        return "page";
    };
    for (int i = 0; i < form.PageControl1->count(); ++i) {
        form.PageControl1->setCurrentIndex(i);
        QWidget* page = form.PageControl1->widget(i);
        QTabWidget* sub = page == form.TSTS ? form.PageControl2 : page == form.TSEXT ? form.PageControl3 : nullptr;
        if (sub) {
            for (int j = 0; j < sub->count(); ++j) {
                if (sub->widget(j) == form.TSTSN)
                    continue; // taken while listening, below
                sub->setCurrentIndex(j);
                QApplication::processEvents();
                const QString file = QStringLiteral("%1/%2%3.png")
                                         .arg(out, QLatin1String(nameOf(page)),
                                              j == 0 ? QString() : QStringLiteral("-%1").arg(j + 1));
                form.grab().save(file);
                std::printf("%s\n", qPrintable(file));
            }
            sub->setCurrentIndex(0);
            continue;
        }
        QApplication::processEvents();
        const QString file = QStringLiteral("%1/%2.png").arg(out, QLatin1String(nameOf(page)));
        form.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    }
    NetworkShot(options, QStringLiteral("%1/6-text-sources-%2.png").arg(out).arg(form.PageControl2->indexOf(form.TSTSN) + 1));
    quorvan_app::TForm2 splash;
    splash.show();
    QApplication::processEvents();
    splash.grab().save(out + QStringLiteral("/splash.png"));
    return 0;
}
