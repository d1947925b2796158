// The settings file through the window's start-up and close, the port
// selection at start-up, and the ends that do not close the window.
#include "encoder_fixture.h"

#include "app/session_end.h"
#include "settings/termination_signals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include <csignal>

using test_support::EncoderFixture;
using test_support::MessageKind;

class WindowSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void valuesSurviveCloseAndStart();
    void edgeCaseFileGivesTheWindowState();
    void storedPortIsSelectedByTheLoadOnlyWhenItChanges_data();
    void storedPortIsSelectedByTheLoadOnlyWhenItChanges();
    void highPriorityChecksTheSpeedOnce_data();
    void highPriorityChecksTheSpeedOnce();
    void refusedHighPriorityIsToldOnce();
    void valuesTheFieldsCannotHoldAreCorrectedAndTold();
    void failedSaveKeepsTheWindowOpen();
    void comPortThatCannotBeOpened();
    void damagedVirtualStateFileIsToldAndKept();
    void badLpt2AddressDoesNotStopStartUp_data();
    void badLpt2AddressDoesNotStopStartUp();
    void terminationSignalSaves_data();
    void terminationSignalSaves();
    void terminationWithAFailedSaveIsToldAsAFailure();
};

void WindowSettingsTest::valuesSurviveCloseAndStart()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    form.PSDEF->setText(QStringLiteral(" QRV "));
    form.PI->setText(QStringLiteral("C0DE"));
    form.TP->setChecked(true);
    form.PTY->setCurrentIndex(12);
    form.SGAF->item(0, 1)->setText(QStringLiteral("99.9"));
    form.RT[1]->setText(QStringLiteral("Second \"text\""));
    form.RBRT[1]->click();
    form.SERTSW->setSteps(0);
    form.DPS1->setText(3, QStringLiteral("ROW 4"));
    form.ED1PR->setText(QStringLiteral("\"quoted\" "));
    form.RGPORT->setItemIndex(1);
    form.CBBI->setChecked(false);
    QVERIFY(form.CBRTAB->isChecked()); // a new settings file toggles A/B
    form.CBRTAB->setChecked(false);
    form.BSETCTClick(); // clock time running
    const quorvan::TStationParams before = form.ReadStationParams();
    QVERIFY(before.system.CTRunning);
    QVERIFY(!before.radiotext.ToggleAB);
    f.stop();

    QVERIFY(f.readSettings().contains("CTState=Start"));
    QVERIFY(f.readSettings().contains("ToggleAB=0"));
    quorvan_app::TForm1& again = f.start();
    quorvan::TStationParams after = again.ReadStationParams();
    QCOMPARE(after.preferences.RGPORT, 1);
    QVERIFY(after.system.CTRunning);
    QVERIFY(again.Timer3->isActive());
    QVERIFY(!again.BREC1->isEnabled()); // Bidirectional off
    after.program.TA = before.program.TA;
    QVERIFY(after == before);
}

void WindowSettingsTest::edgeCaseFileGivesTheWindowState()
{
    EncoderFixture f;
    f.writeSettings({
        QStringLiteral("; kept as it is"),
        QStringLiteral("[Config]"),
        QStringLiteral("Port=7"),
        QStringLiteral("SummerTimeOffset=5"),
        QStringLiteral("UTCOffset=13"),
        QStringLiteral("CTState=On"),
        QStringLiteral("PTYCodes=1"),
        QStringLiteral("[General]"),
        QStringLiteral("ClockSource=5"),
        QStringLiteral("PTY=40"),
        QStringLiteral("TA=1"),
        QStringLiteral("DefaultPS=\" AB \""),
        QStringLiteral("PhaseShift=5"),
        QStringLiteral("Justification0=1"),
        QStringLiteral("Justification2=0"),
        QStringLiteral("[DPS1]"),
        QStringLiteral("Text=trailing "),
        QStringLiteral("Delay=7"),
        QStringLiteral("[Radiotext]"),
        QStringLiteral("SelRT2=1"),
        QStringLiteral("SelRT3=1"),
        QStringLiteral("Radiotext12=\"two\""),
        QStringLiteral("[Other]"),
        QStringLiteral("Key=value"),
    });
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.RGPORT->itemIndex(), 0);
    QCOMPARE(form.Link().PortAddress, 888);
    QCOMPARE(form.SESMTO->value(), 2);
    QCOMPARE(form.SEUTCO->value(), 0);
    QCOMPARE(form.BSETCT->text(), QStringLiteral("Start"));
    QVERIFY(!form.Timer3->isActive());
    QCOMPARE(form.RGCS->itemIndex(), 1);
    QVERIFY(form.SEPHASE->isEnabled()); // the clock source rule ran
    QCOMPARE(form.SEPHASE->steps(), 5);
    QCOMPARE(form.PTY->currentIndex(), 0);
    QVERIFY(!form.TA->isChecked());
    QCOMPARE(form.PSDEF->text(), QStringLiteral(" AB "));
    QCOMPARE(form.DPS1B->text(), QStringLiteral("trailing"));
    QCOMPARE(form.SEDPS1DL->steps(), 7);
    QVERIFY(form.RBJUST0->isChecked());
    QVERIFY(!form.RBJUST2->isChecked());
    QVERIFY(!form.RBRT[0]->isChecked());
    QVERIFY(!form.RBRT[1]->isChecked());
    QVERIFY(form.RBRT[2]->isChecked());
    QCOMPARE(form.RT[1]->text(), QStringLiteral("two"));
    QVERIFY(!form.CBRTAB->isChecked()); // an older file without ToggleAB keeps the flag
    QCOMPARE(form.RBPTYC->itemIndex(), 1);
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("Ready"));
    QVERIFY(f.messages.empty());

    // Saving keeps the lines the program does not know.
    f.stop();
    const QByteArray saved = f.readSettings();
    QVERIFY(saved.startsWith("; kept as it is\r\n"));
    QVERIFY(saved.contains("[Other]\r\nKey=value"));
    QVERIFY(saved.contains("DefaultPS=\" AB \""));
    QVERIFY(saved.contains("TA=0"));
}

void WindowSettingsTest::storedPortIsSelectedByTheLoadOnlyWhenItChanges_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("selections");
    QTest::addColumn<int>("address");
    QTest::newRow("LPT1, as the window starts") << QStringLiteral("Port=0") << 1 << 888;
    QTest::newRow("out of range: LPT1") << QStringLiteral("Port=9") << 1 << 888;
    QTest::newRow("LPT2") << QStringLiteral("Port=1") << 2 << 632;
    QTest::newRow("COM3") << QStringLiteral("Port=4") << 2 << 3;
}

void WindowSettingsTest::storedPortIsSelectedByTheLoadOnlyWhenItChanges()
{
    QFETCH(QString, line);
    QFETCH(int, selections);
    QFETCH(int, address);
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), line});
    f.form = std::make_unique<quorvan_app::TForm1>(f.options());
    QStringList texts;
    QObject::connect(f.form->StatusBar1, &QStatusBar::messageChanged,
                     [&texts](const QString& text) { texts << text; });
    f.form->FormCreate();
    // The start-up's own selection, and before it the load's when the stored
    // port differs from LPT1.
    QCOMPARE(int(texts.count(QStringLiteral("Opening port..."))), selections);
    QCOMPARE(f.form->Link().PortAddress, address);
    QVERIFY(f.messages.empty());
}

void WindowSettingsTest::highPriorityChecksTheSpeedOnce_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("unchanged") << QStringLiteral("HighPriority=0");
    QTest::newRow("changed") << QStringLiteral("HighPriority=1");
}

void WindowSettingsTest::highPriorityChecksTheSpeedOnce()
{
    QFETCH(QString, line);
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), line});
    quorvan_app::TForm1& form = f.start();
    // One check counts the units of one second of the (manual) clock.
    QCOMPARE(f.spinner.spins, 1000);
    QCOMPARE(form.LCPU->text(), QStringLiteral("CPU Speed: 1000 units"));
    QCOMPARE(form.Link().BusDelay, 1000 * 580 + 50000000);
    QCOMPARE(f.priority.nice, line.endsWith(QLatin1Char('1')) ? quorvan::kHighPriorityNice : 0);
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("Ready"));
}

void WindowSettingsTest::refusedHighPriorityIsToldOnce()
{
    EncoderFixture f;
    f.priority.refuseRaise = true;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("HighPriority=1")});
    quorvan_app::TForm1& form = f.start();
    // Said after the port selection's "Ready", which would hide it otherwise.
    QVERIFY2(form.StatusBar1->currentMessage().startsWith(QStringLiteral("High Priority is not allowed")),
             qPrintable(form.StatusBar1->currentMessage()));
    QCOMPARE(f.priority.nice, 0);
    QCOMPARE(form.LCPU->text(), QStringLiteral("CPU Speed: 1000 units"));
    form.CBHPRI->setChecked(false);
    form.CBHPRI->setChecked(true);
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("Ready"));
}

// A settings file with values the fields cannot hold: they are corrected at
// load to what goes on air, and the status bar names the keys once.
void WindowSettingsTest::valuesTheFieldsCannotHoldAreCorrectedAndTold()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("PI=ZZZZ"), QStringLiteral("AF1=200"),
                     QStringLiteral("AF2=98.5"), QStringLiteral("DefaultPS=\"THIS IS WAY TOO LONG\"")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.StatusBar1->currentMessage(),
             QStringLiteral("settings: PI 'ZZZZ' is not hexadecimal; FFFF used, "
                            "AF1 '200' is not a frequency of 87.6 to 107.9 MHz; left out, "
                            "DefaultPS 'THIS IS WAY TOO LONG' is longer than 8 characters; 'THIS IS ' used"));
    QCOMPARE(form.PI->text(), QStringLiteral("FFFF"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("THIS IS "));
    QCOMPARE(form.ReadStationParams().program.SGAF[0], std::string());
    QCOMPARE(form.ReadStationParams().program.SGAF[1], std::string("98.5"));
}

void WindowSettingsTest::failedSaveKeepsTheWindowOpen()
{
    EncoderFixture f;
    // The settings file's place is taken by a directory: the save must fail.
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("quorvan.rds")));
    quorvan_app::TForm1& form = f.start();
    QSignalSpy closed(&form, &quorvan_app::TForm1::closed);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(closed.count(), 0);
    QCOMPARE(form.StatusText(), QStringLiteral("Ready"));
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].first, MessageKind::Error);
    QCOMPARE(f.messages[0].second, QStringLiteral("Unable to write to ") + f.settingsPath());
}

void WindowSettingsTest::comPortThatCannotBeOpened()
{
    EncoderFixture f;
    const QString missing = f.dir.filePath(QStringLiteral("no-such-tty"));
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Port=3"), QStringLiteral("COM2Device=") + missing});
    quorvan_app::TForm1& form = f.start(false);
    // Reported once by the settings load, which selects COM2; the start-up's
    // own selection then finds LPT1.
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].first, MessageKind::Warning);
    QCOMPARE(f.messages[0].second, QStringLiteral("Can't open specified port (COM2)."));
    QCOMPARE(form.PageControl1->currentIndex(), 4);
    QCOMPARE(form.RGPORT->itemIndex(), 0);
    QCOMPARE(form.Link().PortAddress, 888);
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("Ready"));
    // The test's LPT1 is out of reach: no ppdev device, and no direct I/O even as root.
    QVERIFY(QString::fromStdString(form.Link().PortError()).contains(QStringLiteral("no ppdev device")));

    // Chosen by the operator: the same path again.
    form.PageControl1->setCurrentIndex(0);
    form.RGPORT->setItemIndex(3);
    QCOMPARE(int(f.messages.size()), 2);
    QCOMPARE(form.PageControl1->currentIndex(), 4);
    QCOMPARE(form.RGPORT->itemIndex(), 0);
    QCOMPARE(form.Link().PortAddress, 888);
}

void WindowSettingsTest::damagedVirtualStateFileIsToldAndKept()
{
    EncoderFixture f;
    {
        QFile state(f.statePath());
        QVERIFY(state.open(QIODevice::WriteOnly));
        state.write("this is no encoder\n");
    }
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].first, MessageKind::Warning);
    QVERIFY(f.messages[0].second.contains(QStringLiteral("damaged virtual encoder state file")));
    QVERIFY(form.VirtualEncoder() == nullptr);
    QVERIFY(form.Timer1->isActive()); // the start-up went on
    f.pass();
    form.BSEND1Click(); // nothing to reach: never "Ready"
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("!Ready"));
    f.stop();
    QFile state(f.statePath());
    QVERIFY(state.open(QIODevice::ReadOnly));
    QCOMPARE(state.readAll(), QByteArray("this is no encoder\n"));
}

void WindowSettingsTest::badLpt2AddressDoesNotStopStartUp_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("not a number") << QStringLiteral("2x8");
    QTest::newRow("empty") << QString();
    QTest::newRow("a COM number") << QStringLiteral("3");
    QTest::newRow("above 65535") << QStringLiteral("70000");
}

void WindowSettingsTest::badLpt2AddressDoesNotStopStartUp()
{
    QFETCH(QString, address);
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Port=1"), QStringLiteral("LPT2Address=") + address,
                     QStringLiteral("CTState=Start")});
    quorvan_app::TForm1& form = f.start();
    // Told once: the settings load selects LPT2 before it reads the address.
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages.back().first, MessageKind::Warning);
    QVERIFY(f.messages.back().second.contains(QStringLiteral("LPT2 address")));
    // The start-up went on: clock time resumed, Timer1 runs.
    QCOMPARE(form.BSETCT->text(), QStringLiteral("Stop"));
    QVERIFY(form.Timer3->isActive());
    QVERIFY(form.Timer1->isActive());
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("!Ready")); // the clock-time load found no port
    // No port is in use: operations end "!Ready" instead of reaching another port.
    f.pass();
    form.BSEND1Click();
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("!Ready"));

    // The operator picks LPT1 and LPT2 again: the refusal is told again.
    form.RGPORT->setItemIndex(0);
    form.RGPORT->setItemIndex(1);
    QCOMPARE(int(f.messages.size()), 2);

    // A good address: the idle bus (24) is written to that port at selection.
    form.ELPTA->setText(QStringLiteral("632"));
    form.RGPORT->setItemIndex(0);
    f.encoder().setLines(false, false);
    form.RGPORT->setItemIndex(1);
    QCOMPARE(form.Link().PortAddress, 632);
    QVERIFY(f.encoder().clockLine());
    QVERIFY(f.encoder().dataLine());
    QCOMPARE(int(f.messages.size()), 2);
    f.pass();
    form.BSEND1Click();
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("Ready"));
}

void WindowSettingsTest::terminationSignalSaves_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void WindowSettingsTest::terminationSignalSaves()
{
    QFETCH(int, signal);
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    quorvan_app::SaveOnSessionEnd(form);
    QSignalSpy closed(&form, &quorvan_app::TForm1::closed);
    form.PSDEF->setText(QStringLiteral("SIGNAL"));
    std::raise(signal);
    // The handler only wrote to a pipe; the event loop sees it at once.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QVERIFY(f.readSettings().contains("DefaultPS=\"SIGNAL\""));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("Exit"));
    QVERIFY(!form.EndSessionSaveFailed());
    quorvan::TerminationSignals::uninstall();
}

// Ended by a signal when the settings file cannot be written: the program
// still ends (nobody may be there to answer), but the failure is kept for
// its exit status instead of ending as a success.
void WindowSettingsTest::terminationWithAFailedSaveIsToldAsAFailure()
{
    EncoderFixture f;
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("quorvan.rds")));
    quorvan_app::TForm1& form = f.start();
    QSignalSpy closed(&form, &quorvan_app::TForm1::closed);
    form.EndSession();
    QCOMPARE(closed.count(), 1);
    QVERIFY(form.EndSessionSaveFailed());
    QVERIFY(f.messages.empty()); // no message box: the error went to stderr
}

QTEST_MAIN(WindowSettingsTest)
#include "window_settings_test.moc"
