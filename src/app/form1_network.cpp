// "Text Sources" > "Network": the network command port in the window. The
// page holds its five settings, where it listens (or why not), the last
// commands and the count of refused senders. The listener is the core's;
// the window watches its sockets with notifiers and runs the commands on
// the station values of its controls, one handler at a time like the timers.
//
// While a transfer holds the window the notifiers cannot fire: the sockets
// are then read from the port lines (TransferService) and what comes is
// coalesced, so the kernel's buffers never overflow and a burst of TEXT=
// lines ends in one write of the newest text.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/form_engine.h"
#include "app/latin1.h"
#include "remote/remote_config.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTime>

#include <algorithm>

namespace quorvan_app {

using namespace build;

namespace {

// What network commands run on in the window: the link with the window's
// port options, the controls repainted before a transfer holds the window,
// and the radiotext switching timer.
class WindowRemoteHost final : public quorvan::remote::RemoteHost {
public:
    WindowRemoteHost(TForm1& form, FormEngine& engine) : form_(form), engine_(engine) {}
    quorvan::EncoderContext encoder(const quorvan::TStationParams& params) override
    {
        return engine_.Context(params.preferences.CBBI, params.preferences.CBSS);
    }
    void showValues(const quorvan::TStationParams& params) override
    {
        form_.WriteStationParams(params);
        form_.repaint();
    }
    void restartRadiotextSwitching() override
    {
        if (form_.Timer2->isActive()) {
            form_.Timer2->stop();
            form_.Timer2->start();
        }
    }
    quorvan::RadiotextOnAir& radiotextOnAir() override { return engine_.memory.radiotextOnAir; }
    void trafficAnnouncementWritten(bool on) override { form_.ShowEncoderTA(on); }
    // The "Time and Date" button owns the clock-time state: it is pressed
    // once the commands have run, when the state is not the one asked for.
    void setClockTimeTransmission(quorvan::TStationParams&, bool on) override
    {
        QTimer::singleShot(0, &form_, [&form = form_, on] {
            if ((form.BSETCT->text() != QLatin1String("Start")) != on)
                form.BSETCTClick();
        });
    }

private:
    TForm1& form_;
    FormEngine& engine_;
};

} // namespace

void TForm1::buildNetworkPage()
{
    QWidget* page = TSTSN;
    GBRM = group(page, "GBRM", QStringLiteral("Command port"), 4, 4, 236, 128);
    CBRMEN = check(GBRM, "CBRMEN", QStringLiteral("Enabled"), 8, 18, 200);
    bold(CBRMEN);
    auto portSpin = [](QWidget* parent, const char* name, int y) {
        auto* spin = named(new QSpinBox(parent), name, 0);
        spin->setRange(0, 65535);
        spin->setValue(10001);
        spin->setKeyboardTracking(false);  // listen anew when the number is complete
        spin->setGeometry(104, y, 70, 21);
        return spin;
    };
    label(GBRM, "LRMUDP", QStringLiteral("UDP port:"), 8, 42, 92);
    SERMUDP = portSpin(GBRM, "SERMUDP", 39);
    label(GBRM, "LRMTCP", QStringLiteral("TCP port:"), 8, 64, 92);
    SERMTCP = portSpin(GBRM, "SERMTCP", 61);
    label(GBRM, "LRMPORT0", QStringLiteral("0 = off"), 180, 53, 50)->setEnabled(false);
    label(GBRM, "LRMADDR", QStringLiteral("Listen address:"), 8, 86, 92);
    ERMADDR = edit(GBRM, "ERMADDR", 45, 104, 83, 124);
    ERMADDR->setText(QStringLiteral("127.0.0.1"));
    label(GBRM, "LRMALLOW", QStringLiteral("Allow:"), 8, 106, 92);
    ERMALLOW = edit(GBRM, "ERMALLOW", 0, 104, 103, 124);
    ERMALLOW->setToolTip(QStringLiteral("Addresses or prefixes such as 192.168.1.0/24, separated by commas; "
                                        "empty: this computer only"));

    GBRMST = group(page, "GBRMST", QStringLiteral("Status"), 244, 4, 241, 62);
    LRMSTAT = label(GBRMST, "LRMSTAT", QStringLiteral("Not listening"), 8, 16, 225, 28, 0);
    LRMSTAT->setWordWrap(true);
    LRMSTAT->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LRMREF = label(GBRMST, "LRMREF", QStringLiteral("Refused senders: 0"), 8, 44, 225);

    // The encoder protocol: its TCP and UDP ports ([Remote] UECPTCPPort,
    // UECPUDPPort; the serial line and the addresses are the settings
    // file's); its frames go into the log below. The status is one line, whole
    // in its tool-tip.
    GBUECP = group(page, "GBUECP", QStringLiteral("UECP"), 244, 70, 241, 62);
    label(GBUECP, "LUECPTCP", QStringLiteral("TCP:"), 8, 16, 28);
    SEUECPTCP = portSpin(GBUECP, "SEUECPTCP", 13);
    SEUECPTCP->setGeometry(36, 13, 62, 21);
    label(GBUECP, "LUECPUDP", QStringLiteral("UDP:"), 106, 16, 28);
    SEUECPUDP = portSpin(GBUECP, "SEUECPUDP", 13);
    SEUECPUDP->setGeometry(134, 13, 62, 21);
    label(GBUECP, "LUECPPORT0", QStringLiteral("0 = off"), 200, 16, 38)->setEnabled(false);
    for (QSpinBox* spin : {SEUECPTCP, SEUECPUDP})
        spin->setValue(0);
    LUECPST = label(GBUECP, "LUECPST", QStringLiteral("Off"), 8, 35, 225, 14, 0);
    LUECPERR = label(GBUECP, "LUECPERR", QStringLiteral("No errors"), 8, 47, 225, 14, 0);

    LVRMLOG = named(new QTableWidget(0, 4, page), "LVRMLOG", 0);
    LVRMLOG->setGeometry(4, 136, 481, 96);
    LVRMLOG->setHorizontalHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("From"), QStringLiteral("Command"), QStringLiteral("Reply")});
    LVRMLOG->verticalHeader()->setVisible(false);
    LVRMLOG->verticalHeader()->setDefaultSectionSize(16);
    LVRMLOG->horizontalHeader()->setFixedHeight(18);
    LVRMLOG->setColumnWidth(0, 56);
    LVRMLOG->setColumnWidth(1, 96);
    LVRMLOG->setColumnWidth(2, 232);
    // The reply is never cut: FitRemoteLogColumns() gives it the width it
    // needs and the command the rest; a scroll bar shows beyond the page.
    LVRMLOG->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LVRMLOG->horizontalHeader()->setStretchLastSection(false);
    LVRMLOG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVRMLOG->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVRMLOG->setWordWrap(false);

    TimerRM = new QTimer(this);
    TimerRM->setObjectName(QStringLiteral("TimerRM"));
    TimerRM->setInterval(1000);
}

void TForm1::connectNetworkPage()
{
    connect(CBRMEN, &QCheckBox::toggled, this, &TForm1::RemoteSettingsChanged);
    connect(SERMUDP, &QSpinBox::valueChanged, this, &TForm1::RemoteSettingsChanged);
    connect(SERMTCP, &QSpinBox::valueChanged, this, &TForm1::RemoteSettingsChanged);
    connect(SEUECPTCP, &QSpinBox::valueChanged, this, &TForm1::RemoteSettingsChanged);
    connect(SEUECPUDP, &QSpinBox::valueChanged, this, &TForm1::RemoteSettingsChanged);
    connect(ERMADDR, &QLineEdit::editingFinished, this, &TForm1::RemoteSettingsChanged);
    connect(ERMALLOW, &QLineEdit::editingFinished, this, &TForm1::RemoteSettingsChanged);
    // Idle connections close after 60 s.
    connect(TimerRM, &QTimer::timeout, this, [this] {
        engine_->remoteService.expire();
        RefreshRemoteSockets();
    });
}

void TForm1::ShowRemoteSettings()
{
    const quorvan::RemoteValues& r = engine_->remote;
    const QSignalBlocker b1(CBRMEN), b2(SERMUDP), b3(SERMTCP), b4(ERMADDR), b5(ERMALLOW), b6(SEUECPTCP), b7(SEUECPUDP);
    CBRMEN->setChecked(r.Enabled);
    SERMUDP->setValue(r.UDPPort);
    SERMTCP->setValue(r.TCPPort);
    SEUECPTCP->setValue(r.UECPTCPPort);
    SEUECPUDP->setValue(r.UECPUDPPort);
    ERMADDR->setText(toQt(r.ListenAddress));
    ERMALLOW->setText(toQt(r.Allow));
}

void TForm1::RemoteSettingsChanged()
{
    quorvan::RemoteValues values = engine_->remote;  // the UECP serial line and addresses are the file's
    values.Enabled = CBRMEN->isChecked();
    values.UDPPort = SERMUDP->value();
    values.TCPPort = SERMTCP->value();
    values.UECPTCPPort = SEUECPTCP->value();
    values.UECPUDPPort = SEUECPUDP->value();
    values.ListenAddress = toBytes(ERMADDR->text().trimmed());
    values.Allow = toBytes(ERMALLOW->text().trimmed());
    FormEngine& e = *engine_;
    if (e.remoteStarted && values == e.remote && e.remoteService.lines().listener().listening() == values.Enabled)
        return;
    e.remote = values;
    RestartRemote();
}

void TForm1::RestartRemote()
{
    FormEngine& e = *engine_;
    e.remoteNotifiers.clear();
    quorvan::remote::CommandPort& lines = e.remoteService.lines();
    quorvan::remote::UecpPort& uecpPort = e.remoteService.uecp();
    if (!e.remoteStarted) {
        lines.onLog = [this] { AppendRemoteLog(); };
        uecpPort.onLog = [this] { AppendUecpLog(); };
        e.remoteStarted = true;
    }
    lines.stop();
    std::string error;
    const std::optional<quorvan::remote::ListenerConfig> config = quorvan::remote::ListenerConfigOf(e.remote, error);
    QString status = QStringLiteral("Not listening (switched off)");
    if (!error.empty()) {
        status = toQt(error);
    } else if (config) {
        lines.start(*config);
        status = toQt(lines.listener().status());
    }
    LRMSTAT->setText(status);

    uecpPort.stop();
    const std::optional<quorvan::remote::UecpConfig> uecp = quorvan::remote::UecpConfigOf(e.remote, error);
    QString uecpStatus = QStringLiteral("Off (no UECP port in the settings file)");
    if (!error.empty()) {
        uecpStatus = toQt(error);
    } else if (uecp) {
        uecpPort.start(*uecp);
        uecpStatus = toQt(uecpPort.status()) +
                     QStringLiteral("; site %1, encoder %2").arg(uecp->site).arg(uecp->encoder);
    }
    LUECPST->setText(uecpStatus);
    LUECPST->setToolTip(uecpStatus);
    if (lines.listener().listening() || uecpPort.active())
        TimerRM->start();
    else
        TimerRM->stop();
    RefreshRemoteSockets();
}

void TForm1::RefreshRemoteSockets()
{
    FormEngine& e = *engine_;
    std::map<int, quorvan::remote::Listener::Watch> wanted;
    for (const quorvan::remote::Listener::Watch& w : e.remoteService.watches())
        wanted[w.fd] = w;
    for (auto it = e.remoteNotifiers.begin(); it != e.remoteNotifiers.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        // A notifier may be the one whose signal runs now: it goes later,
        // and watches nothing meanwhile (its socket is closed).
        for (std::unique_ptr<QSocketNotifier>* n : {&it->second.read, &it->second.write})
            if (*n) {
                (*n)->setEnabled(false);
                n->release()->deleteLater();
            }
        it = e.remoteNotifiers.erase(it);
    }
    for (const auto& [fd, watch] : wanted) {
        FormEngine::SocketNotifiers& n = e.remoteNotifiers[fd];
        if (!n.read) {
            n.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            connect(n.read.get(), &QSocketNotifier::activated, this,
                    [this, fd = fd] { RemoteSocketReady(fd); });
            n.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
            connect(n.write.get(), &QSocketNotifier::activated, this,
                    [this, fd = fd] { RemoteSocketReady(fd); });
        }
        n.read->setEnabled(watch.read);
        n.write->setEnabled(watch.write);
    }
    ShowRemoteState();
}

void TForm1::ShowRemoteState()
{
    const FormEngine& e = *engine_;
    const int refused = e.remoteService.lines().listener().refused();
    // The caption may come from the language file: only its number changes.
    QString caption = LRMREF->text();
    while (!caption.isEmpty() && caption.back().isDigit())
        caption.chop(1);
    if (!caption.isEmpty() && !caption.back().isSpace())
        caption += QLatin1Char(' ');
    LRMREF->setText(caption + QString::number(refused));
}

void TForm1::FitRemoteLogColumns()
{
    constexpr int kReply = 3, kCommand = 2, kMinimumCommand = 80;
    int others = 0;
    for (int c = 0; c < kCommand; ++c)
        others += LVRMLOG->columnWidth(c);
    // From the table's own width: the viewport is laid out only once the
    // page is shown. Room is kept for the vertical scroll bar.
    const int available = LVRMLOG->width() - 2 * LVRMLOG->frameWidth()
                          - LVRMLOG->verticalScrollBar()->sizeHint().width();
    LVRMLOG->resizeColumnToContents(kReply);
    const int reply = LVRMLOG->columnWidth(kReply);
    const int command = std::max(kMinimumCommand, available - others - reply);
    LVRMLOG->setColumnWidth(kCommand, command);
    LVRMLOG->setColumnWidth(kReply, std::max(reply, available - others - command));
}

void TForm1::RemoteSocketReady(int fd)
{
    engine_->remoteService.handle(fd);
    RefreshRemoteSockets();
    RunRemoteCommands();
}

void TForm1::RunRemoteCommands()
{
    FormEngine& e = *engine_;
    if (!e.remoteService.pending())
        return;
    if (e.depth > 0) {
        e.heldRemote = true;
        return;
    }
    {
        HandlerScope scope(*this);
        quorvan::TStationParams params = ReadStationParams();
        WindowRemoteHost host(*this, e);
        if (e.remoteService.runPending(params, host)) {
            WriteStationParams(params);
            RTPlusPreview();  // tags given over the network change no widget
        }
    }
    RefreshRemoteSockets();
    // What came during the transfers runs next, after the window has had its events.
    if (e.remoteService.pending())
        QTimer::singleShot(0, this, &TForm1::RunRemoteCommands);
}

void TForm1::AppendRemoteLog()
{
    const quorvan::remote::LogEntry& entry = engine_->remoteService.lines().log().back();
    QString command = QString::fromUtf8(entry.line.data(), qsizetype(entry.line.size()));
    if (entry.lines > 1)
        command += QStringLiteral("  (%1 lines)").arg(entry.lines);
    AddRemoteLogRow(entry.time, QString::fromStdString(entry.peer), command,
                    QString::fromUtf8(entry.reply.data(), qsizetype(entry.reply.size())));
}

// A UECP frame in the log: its elements decoded ("UECP PS QUORVAN, PTY 10"),
// or why it was refused; the last error stays in the UECP group.
void TForm1::AppendUecpLog()
{
    const quorvan::remote::UecpLogEntry& entry = engine_->remoteService.uecp().log().back();
    const QString text = QString::fromUtf8(entry.text.data(), qsizetype(entry.text.size()));
    AddRemoteLogRow(entry.time, QString::fromStdString(entry.peer), QStringLiteral("UECP ") + text,
                    entry.error ? QStringLiteral("!") : QStringLiteral("OK"));
    if (entry.error) {
        const QTime time(entry.time.hour, entry.time.minute, entry.time.second);
        LUECPERR->setText(time.toString(QStringLiteral("hh:mm:ss ")) + text);
        LUECPERR->setToolTip(LUECPERR->text());
    }
}

void TForm1::AddRemoteLogRow(const quorvan::DateTime& at, const QString& from, const QString& command,
                             const QString& reply)
{
    const QTime time(at.hour, at.minute, at.second);
    LVRMLOG->insertRow(0);
    const QStringList cells{time.toString(QStringLiteral("hh:mm:ss")), from, command, reply};
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setToolTip(cells[c]);
        LVRMLOG->setItem(0, c, item);
    }
    while (LVRMLOG->rowCount() > int(quorvan::remote::CommandPort::kLogSize))
        LVRMLOG->removeRow(LVRMLOG->rowCount() - 1);
    FitRemoteLogColumns();
    ShowRemoteState();
}

} // namespace quorvan_app
