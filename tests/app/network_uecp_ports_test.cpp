// The UECP ports on "Text Sources" > "Network": the page shows the settings'
// UECPTCPPort and UECPUDPPort, a port typed there opens at once, and the
// window saves it; the serial line and the addresses stay the file's.
#include "encoder_fixture.h"
#include "support/loopback.h"

#include <QSpinBox>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using test_support::EncoderFixture;
using test_support::FreePort;

namespace {

bool TcpConnects(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class NetworkUecpPortsTest : public QObject {
    Q_OBJECT
private slots:
    void portsAreSetOnThePageAndSaved();
};

void NetworkUecpPortsTest::portsAreSetOnThePageAndSaved()
{
    EncoderFixture f;
    const int tcp = FreePort(SOCK_STREAM);
    f.writeSettings({QStringLiteral("[Remote]"), QStringLiteral("UECPTCPPort=%1").arg(tcp),
                     QStringLiteral("UECPSiteAddress=5")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.SEUECPTCP->value(), tcp);
    QCOMPARE(form.SEUECPUDP->value(), 0);
    QVERIFY2(form.LUECPST->text().contains(QString::number(tcp)), qPrintable(form.LUECPST->text()));
    QVERIFY(TcpConnects(tcp));
    // Every control of the box inside it.
    for (QWidget* w : {static_cast<QWidget*>(form.SEUECPTCP), static_cast<QWidget*>(form.SEUECPUDP),
                       static_cast<QWidget*>(form.LUECPST), static_cast<QWidget*>(form.LUECPERR)})
        QVERIFY2(QRect(QPoint(0, 0), form.GBUECP->size()).contains(w->geometry()), w->objectName().toLatin1());

    const int udp = FreePort(SOCK_DGRAM);
    form.SEUECPUDP->setValue(udp);
    QVERIFY2(form.LUECPST->text().contains(QString::number(udp)), qPrintable(form.LUECPST->text()));
    form.SEUECPTCP->setValue(0);
    QVERIFY(!TcpConnects(tcp));
    f.stop();
    const QByteArray saved = f.readSettings();
    QVERIFY2(saved.contains("UECPUDPPort=" + QByteArray::number(udp)), saved.constData());
    QVERIFY2(saved.contains("UECPTCPPort=0\r\n"), saved.constData());
    QVERIFY2(saved.contains("UECPSiteAddress=5"), saved.constData());
}

QTEST_MAIN(NetworkUecpPortsTest)
#include "network_uecp_ports_test.moc"
