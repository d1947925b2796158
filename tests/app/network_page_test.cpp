// "Text Sources" > "Network" at work in the window: the settings file
// switches the port on, commands from loopback change the window's values
// and the virtual encoder, and the page says where it listens or why not.
#include "encoder_fixture.h"
#include "support/loopback.h"

#include <QSpinBox>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using test_support::EncoderFixture;
using test_support::FreePort;

namespace {

void SendDatagram(int port, const QByteArray& bytes)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    ::close(fd);
}

// Lets the window handle what has arrived (bounded: the data is there already).
bool ProcessUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000 && !done(); ++i)
        QCoreApplication::processEvents();
    return done();
}

} // namespace

class NetworkPageTest : public QObject {
    Q_OBJECT
private slots:
    void commandsChangeTheWindowAndAreSaved();
    void statusSaysWhyItDoesNotListen();
    void logShowsWholeRepliesAndTransports();
    void artistAndTitleInTwoDatagramsGoOutTagged();
    void trafficAnnouncementFromTheNetworkIsKnown();
};

// A TA switch that said "unknown" (the port cannot read the status) knows
// the announcement once the network has written it, off as well as on.
void NetworkPageTest::trafficAnnouncementFromTheNetworkIsKnown()
{
    EncoderFixture f;
    const int udp = FreePort(SOCK_DGRAM);
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Bidirectional=0"), QStringLiteral("[Remote]"),
                     QStringLiteral("Enabled=1"), QStringLiteral("UDPPort=%1").arg(udp), QStringLiteral("TCPPort=0")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.TA->checkState(), Qt::PartiallyChecked);
    SendDatagram(udp, "TA=0\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 1; }));
    QCOMPARE(form.TA->checkState(), Qt::Unchecked);
    QVERIFY(!form.TA->isTristate());
    QVERIFY(form.TA->toolTip().isEmpty());
    SendDatagram(udp, "TA=1\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 2; }));
    QCOMPARE(form.TA->checkState(), Qt::Checked);
    QCOMPARE(f.ram(0x0E), 1);
    f.stop();
}

void NetworkPageTest::artistAndTitleInTwoDatagramsGoOutTagged()
{
    EncoderFixture f;
    const int udp = FreePort(SOCK_DGRAM);
    f.writeSettings({QStringLiteral("[Radiotext]"), QStringLiteral("Enabled=1"), QStringLiteral("RTPlus=1"),
                     QStringLiteral("[Remote]"), QStringLiteral("Enabled=1"), QStringLiteral("UDPPort=%1").arg(udp),
                     QStringLiteral("TCPPort=0")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.LRTPNOTE->text(), QStringLiteral("Sent by the virtual encoder"));
    // The artist waits in the window between two batches of commands.
    SendDatagram(udp, "ARTIST=Queen\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 1; }));
    SendDatagram(udp, "TITLE=Innuendo\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 2; }));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Queen - Innuendo"));
    QCOMPARE(f.rtPlusText(), std::string("\x03\x04\x00\x04\x01\x08\x07", 7));
    QCOMPARE(form.LRTPPV->text(), QStringLiteral("Artist \"Queen\" (0+5)\nTitle \"Innuendo\" (8+8)"));
    // Explicit tags held for this text across batches: a title only.
    SendDatagram(udp, "RTPLUS=1,8,8,0,0,0\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 3; }));
    QCOMPARE(form.LRTPPV->text(), QStringLiteral("Title \"Innuendo\" (8+8)"));
    QCOMPARE(f.rtPlusText(), std::string("\x03\x01\x08\x07\x00\x00\x00", 7));
    f.stop();
}

void NetworkPageTest::commandsChangeTheWindowAndAreSaved()
{
    EncoderFixture f;
    const int udp = FreePort(SOCK_DGRAM);
    f.writeSettings({QStringLiteral("[Remote]"), QStringLiteral("Enabled=1"), QStringLiteral("UDPPort=%1").arg(udp),
                     QStringLiteral("TCPPort=0")});
    quorvan_app::TForm1& form = f.start();
    QVERIFY(form.CBRMEN->isChecked());
    QCOMPARE(form.SERMUDP->value(), udp);
    QCOMPARE(form.LRMSTAT->text(), QStringLiteral("Listening on 127.0.0.1, UDP %1").arg(udp));

    SendDatagram(udp, "TEXT=Net title\r\nPS=NETWORK\r\nPTY=40\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 3; }));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Net title"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("NETWORK"));
    QCOMPARE(f.ramText(0x02, 8), std::string("NETWORK "));
    QCOMPARE(f.ramText(0x20, 10), std::string("Net title "));
    // Newest first, in the datagram's order: the bad PTY last, after the writes before it.
    QCOMPARE(form.LVRMLOG->item(0, 2)->text(), QStringLiteral("PTY=40"));
    QCOMPARE(form.LVRMLOG->item(0, 3)->text(), QStringLiteral("-"));
    QCOMPARE(form.LVRMLOG->item(1, 2)->text(), QStringLiteral("PS=NETWORK"));
    QCOMPARE(form.LVRMLOG->item(1, 3)->text(), QStringLiteral("+"));
    QCOMPARE(form.LVRMLOG->item(2, 2)->text(), QStringLiteral("TEXT=Net title"));
    QCOMPARE(form.LVRMLOG->item(0, 1)->text(), QStringLiteral("127.0.0.1 UDP"));

    // Switched off from the page: nothing listens; the values stay and are saved.
    form.CBRMEN->setChecked(false);
    QCOMPARE(form.LRMSTAT->text(), QStringLiteral("Not listening (switched off)"));
    SendDatagram(udp, "PS=LATE\r\n");
    ProcessUntil([] { return false; });
    QCOMPARE(form.PSDEF->text(), QStringLiteral("NETWORK"));
    f.stop();
    const QByteArray saved = f.readSettings();
    QVERIFY2(saved.contains("DefaultPS=\"NETWORK\"\r\n"), saved.constData());
    QVERIFY2(saved.contains(QStringLiteral("[Remote]\r\nEnabled=0\r\nUDPPort=%1\r\nTCPPort=0\r\n").arg(udp).toLatin1()),
             saved.constData());
}

void NetworkPageTest::statusSaysWhyItDoesNotListen()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.LRMSTAT->text(), QStringLiteral("Not listening (switched off)"));
    // A port another program holds.
    const int busy = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(busy, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t length = sizeof a;
    ::getsockname(busy, reinterpret_cast<sockaddr*>(&a), &length);
    const int port = ntohs(a.sin_port);
    form.SERMTCP->setValue(0);
    form.SERMUDP->setValue(port);
    form.CBRMEN->setChecked(true);
    QCOMPARE(form.LRMSTAT->text(), QStringLiteral("Not listening on 127.0.0.1: UDP %1: port in use").arg(port));
    ::close(busy);
    form.ERMALLOW->setText(QStringLiteral("10.0.0.0/40"));
    emit form.ERMALLOW->editingFinished();
    QCOMPARE(form.LRMSTAT->text(),
             QStringLiteral("Not listening: \"10.0.0.0/40\" in Allow is not an address or prefix"));
}

// The log names the transport of every sender and shows a query's whole
// reply; the refused-senders count keeps the language file's caption.
void NetworkPageTest::logShowsWholeRepliesAndTransports()
{
    EncoderFixture f;
    const int udp = FreePort(SOCK_DGRAM), tcp = FreePort(SOCK_STREAM);
    f.writeSettings({QStringLiteral("[Remote]"), QStringLiteral("Enabled=1"), QStringLiteral("UDPPort=%1").arg(udp),
                     QStringLiteral("TCPPort=%1").arg(tcp)});
    QFile language(f.dir.filePath(QStringLiteral("quorvan.lng")));
    QVERIFY(language.open(QIODevice::WriteOnly));
    language.write("[TRANSLATIONS]\r\nForm1.LRMREF.Caption=Abgewiesene Absender: 0\r\n");
    language.close();
    quorvan_app::TForm1& form = f.start();
    form.show();

    SendDatagram(udp, "TEXT=Queen - Bohemian Rhapsody (A Night at the Opera)\r\n");
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 1; }));
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in server = test_support::Loopback(tcp);
    QCOMPARE(::connect(client, reinterpret_cast<const sockaddr*>(&server), sizeof server), 0);
    const char query[] = "TEXT?\r\n";
    QCOMPARE(::send(client, query, sizeof query - 1, MSG_NOSIGNAL), ssize_t(sizeof query - 1));
    QVERIFY(ProcessUntil([&] { return form.LVRMLOG->rowCount() == 2; }));
    ::close(client);

    QCOMPARE(form.LVRMLOG->item(1, 1)->text(), QStringLiteral("127.0.0.1 UDP"));
    QCOMPARE(form.LVRMLOG->item(0, 1)->text(), QStringLiteral("127.0.0.1 TCP"));
    const QString reply = form.LVRMLOG->item(0, 3)->text();
    QCOMPARE(reply, QStringLiteral("TEXT=Queen - Bohemian Rhapsody (A Night at the Opera)"));
    const int needed = form.LVRMLOG->fontMetrics().horizontalAdvance(reply);
    QVERIFY2(form.LVRMLOG->columnWidth(3) > needed,
             qPrintable(QStringLiteral("%1 <= %2").arg(form.LVRMLOG->columnWidth(3)).arg(needed)));
    QCOMPARE(form.LVRMLOG->item(0, 3)->toolTip(), reply);

    QCOMPARE(form.LRMREF->text(), QStringLiteral("Abgewiesene Absender: 0"));
    f.stop();
}

QTEST_MAIN(NetworkPageTest)
#include "network_page_test.moc"
