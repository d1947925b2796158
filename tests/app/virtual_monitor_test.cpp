// The monitor beside the main window: opened only with the virtual encoder,
// current after every operation, names in the window's PTY coding.
#include "app/encoder_section.h"
#include "app/meaning_section.h"
#include "app/ram_section.h"
#include "app/virtual_monitor.h"
#include "encoder_fixture.h"
#include "quorvanctl_run.h"
#include "sim/state_file.h"

#include <QLabel>
#include <QTimer>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using test_support::EncoderFixture;
using test_support::Quorvanctl;

class VirtualMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void onlyWithTheVirtualEncoder();
    void followsTheOperationsOfTheWindow();
    void scrollsOnAScreenLowerThanItsSections();
    void namesTheClockTimeBytesOfStartAndEachTick();
    void sharesTheEncoderWithQuorvanctl();
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
    QCOMPARE(monitor->Meaning->LPS->text(), QStringLiteral("\"QUORVAN \""));
    QCOMPARE(monitor->Meaning->LAF->text(), QStringLiteral("87.6  107.9 MHz"));
    QCOMPARE(monitor->Meaning->LPTY->text(), QStringLiteral("31 Alarm!"));
    QVERIFY(monitor->Ram->RAMView->toPlainText().startsWith(QStringLiteral("00: ")));

    form.RBPTYC->button(1)->click(); // RBDS names
    QCOMPARE(monitor->Meaning->LPTY->text(), QStringLiteral("31 ALERT !"));

    form.BSWOFFClick();
    QCOMPARE(monitor->Encoder->LCarrier->text(), QStringLiteral("off"));
    QCOMPARE(monitor->Encoder->LLastCommand->text(), QStringLiteral("0x30 Carrier off"));

    // A status bit set in the monitor is what Read Status finds.
    monitor->Encoder->CBStatusTA->click();
    QCOMPARE(f.encoder().status(), 0x02);
}

// The offscreen screen (800 pixels high) is lower than the monitor's sections:
// the window stays on the screen, shows every section's full width, and the
// last section is reached by scrolling.
void VirtualMonitorTest::scrollsOnAScreenLowerThanItsSections()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    QVERIFY(monitor != nullptr);
    const QRect room = form.screen()->availableGeometry();
    QVERIFY(monitor->wholeSize().height() > room.height());
    QVERIFY(room.contains(monitor->frameGeometry()));
    QVERIFY(monitor->Page->viewport()->width() >= monitor->wholeSize().width());
    const QScrollBar* bar = monitor->Page->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->value(), 0);
    monitor->Page->ensureWidgetVisible(monitor->Encoder->CBStatusTA);
    QVERIFY(bar->value() > 0);
    QCOMPARE(monitor->Encoder->CBStatusTA->visibleRegion(), QRegion(monitor->Encoder->CBStatusTA->rect()));
}

// Start writes the clock-time record; the ticks after it write it again.
// Each operation's bytes are named, also when a tick rewrote them unchanged,
// and a minute's trigger names the latch it caused.
void VirtualMonitorTest::namesTheClockTimeBytesOfStartAndEachTick()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    QVERIFY(monitor != nullptr);

    form.BSETCT->click();
    QCOMPARE(monitor->Ram->LChanged->text(), QStringLiteral("Changed by the last operation: 0x67..0x6C"));

    f.time.set(quorvan::DateTime{2026, 12, 8, 9, 5, 45, 0}); // a tick in the same minute: the same record again
    form.Timer3Timer();
    QCOMPARE(monitor->Ram->LChanged->text(),
             QStringLiteral("Changed by the last operation: nothing (written unchanged: 0x67..0x6C)"));

    f.time.set(quorvan::DateTime{2026, 12, 8, 9, 6, 0, 0}); // the trigger, then the next minute's record
    form.Timer3Timer();
    QCOMPARE(monitor->Ram->LChanged->text(),
             QStringLiteral("Changed by the last operation: 0x6C..0x6D, clock time latched "
                            "(written unchanged: 0x67..0x6B)"));
}

// The window and quorvanctl on one state file: the monitor's check (once a
// second) shows quorvanctl's write, and the window's next operation keeps it;
// quorvanctl in turn sees the window's writes.
void VirtualMonitorTest::sharesTheEncoderWithQuorvanctl()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\"")});
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    QVERIFY(monitor != nullptr);
    const auto* check = monitor->findChild<QTimer*>(QStringLiteral("StateFileCheck"));
    QVERIFY(check != nullptr);
    QVERIFY(check->isActive());
    QCOMPARE(check->interval(), 1000);

    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));

    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("From the studio")}), 0);
    monitor->checkStateFile();
    QVERIFY2(monitor->Meaning->LRT->text().startsWith(QStringLiteral("\"From the studio ")), qPrintable(monitor->Meaning->LRT->text()));
    QVERIFY2(monitor->Ram->LChanged->text().startsWith(QStringLiteral("Changed by another program: 0x")),
             qPrintable(monitor->Ram->LChanged->text()));
    QCOMPARE(f.ramText(0x02, 8), std::string("QUORVAN "));
    monitor->checkStateFile(); // the file again: nothing to load
    QVERIFY(monitor->Ram->LChanged->text().startsWith(QStringLiteral("Changed by another program: 0x")));

    // quorvanctl writes again; the window's next operation loads it first.
    QCOMPARE(Quorvanctl(f, {QStringLiteral("carrier"), QStringLiteral("off")}), 0);
    f.pass();
    form.BSTATClick(); // Read Status
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    QCOMPARE(monitor->Encoder->LCarrier->text(), QStringLiteral("off"));
    monitor->Encoder->CBPilot->click();
    QCOMPARE(Quorvanctl(f, {QStringLiteral("status")}), 0);
    quorvan::EncoderState saved;
    std::string error;
    QCOMPARE(int(quorvan::LoadEncoderState(f.statePath().toStdString(), saved, error)), int(quorvan::StateLoad::Loaded));
    QCOMPARE(std::string(saved.ram.begin() + 0x20, saved.ram.begin() + 0x2F), std::string("From the studio"));
    QCOMPARE(std::string(saved.ram.begin() + 0x02, saved.ram.begin() + 0x0A), std::string("QUORVAN "));
    QVERIFY(!saved.carrier);
    QCOMPARE(saved.status, 0x01);
}

QTEST_MAIN(VirtualMonitorTest)
#include "virtual_monitor_test.moc"
