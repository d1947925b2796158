// The monitor beside the main window: opened only with the virtual encoder,
// current after every operation, names in the window's PTY coding.
#include "app/virtual_monitor.h"
#include "encoder_fixture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest>

using test_support::EncoderFixture;

class VirtualMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void onlyWithTheVirtualEncoder();
    void followsTheOperationsOfTheWindow();
};

void VirtualMonitorTest::onlyWithTheVirtualEncoder()
{
    EncoderFixture f;
    f.start(false);
    QVERIFY(quorvan_app::OpenVirtualEncoderMonitor(*f.form) == nullptr);
}

void VirtualMonitorTest::followsTheOperationsOfTheWindow()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\""),
                     QStringLiteral("PTY=31"), QStringLiteral("AF1=87.6"), QStringLiteral("AF2=107.9")});
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    QVERIFY(monitor != nullptr);
    QVERIFY(monitor->isVisible());

    f.pass();
    form.BSEND1Click();
    QCOMPARE(monitor->LPS->text(), QStringLiteral("\"QUORVAN \""));
    QCOMPARE(monitor->LAF->text(), QStringLiteral("87.6  107.9 MHz"));
    QCOMPARE(monitor->LPTY->text(), QStringLiteral("31 Alarm!"));
    QVERIFY(monitor->RAMView->toPlainText().startsWith(QStringLiteral("00: ")));

    form.RBPTYC->button(1)->click(); // RBDS names
    QCOMPARE(monitor->LPTY->text(), QStringLiteral("31 ALERT !"));

    form.BSWOFFClick();
    QCOMPARE(monitor->LCarrier->text(), QStringLiteral("off"));
    QCOMPARE(monitor->LLastCommand->text(), QStringLiteral("0x30 Carrier off"));

    // A status bit set in the monitor is what Read Status finds.
    monitor->CBStatusTA->click();
    QCOMPARE(f.encoder().status(), 0x02);
}

QTEST_MAIN(VirtualMonitorTest)
#include "virtual_monitor_test.moc"
