// The encoder buttons of the main window against the virtual encoder.
#include "encoder_fixture.h"

#include "sim/state_file.h"
#include "sim/virtual_port.h"

#include <QApplication>
#include <QFile>
#include <QCheckBox>
#include <QCursor>
#include <QProcess>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using test_support::EncoderFixture;
using test_support::MessageKind;

namespace {

// Passes the parallel-port accesses on and switches the encoder off right
// after the given count of stop conditions of the operation (the first by
// default): the encoder loses power between two runs.
class PowerCut final : public quorvan::PortIo {
public:
    PowerCut(quorvan::PortIo& inner, quorvan::VirtualEncoder& encoder, std::uint32_t afterStops = 1)
        : inner_(inner), encoder_(encoder), stopsAtStart_(encoder.stops()), afterStops_(afterStops)
    {
    }
    void write(std::int32_t address, std::uint8_t value) override
    {
        inner_.write(address, value);
        if (encoder_.powered() && encoder_.stops() >= stopsAtStart_ + afterStops_)
            encoder_.setPower(false);
    }
    std::uint8_t read(std::int32_t address) override { return inner_.read(address); }
    quorvan::PortIo* inner() const { return &inner_; }

private:
    quorvan::PortIo& inner_;
    quorvan::VirtualEncoder& encoder_;
    std::uint32_t stopsAtStart_;
    std::uint32_t afterStops_;
};

// Receive on an encoder that loses its power after `stops` bus stops.
void ReceiveWithPowerCut(EncoderFixture& f, quorvan_app::TForm1& form, std::uint32_t stops)
{
    PowerCut cut(*form.Link().portIo(), f.encoder(), stops);
    form.Link().setPortIo(&cut);
    f.pass();
    form.BREC1Click();
    form.Link().setPortIo(cut.inner());
}

// Passes the accesses on and notes, at each write, the cursor and the status
// text that the operator sees while the operation runs.
class Watch final : public quorvan::PortIo {
public:
    Watch(quorvan::PortIo& inner, quorvan_app::TForm1& form) : inner_(inner), form_(form) {}
    void write(std::int32_t address, std::uint8_t value) override
    {
        inner_.write(address, value);
        const QCursor* cursor = QApplication::overrideCursor();
        if (!cursor || cursor->shape() != Qt::BusyCursor)
            ++withoutWaitCursor;
        const QString text = form_.StatusBar1->currentMessage();
        if (texts.isEmpty() || texts.last() != text)
            texts << text;
    }
    std::uint8_t read(std::int32_t address) override { return inner_.read(address); }

    int withoutWaitCursor = 0;
    QStringList texts;
    quorvan::PortIo* inner() const { return &inner_; }

private:
    quorvan::PortIo& inner_;
    quorvan_app::TForm1& form_;
};

const QStringList kStation = {
    QStringLiteral("[General]"),
    QStringLiteral("DefaultPS=\" RADIO \""),
    QStringLiteral("PI=d3a2"),
    QStringLiteral("TP=1"),
    QStringLiteral("PTY=10"),
    QStringLiteral("MS=0"),
    QStringLiteral("DI0=1"),
    QStringLiteral("AF1=87.6"),
    QStringLiteral("AF2=200.0"), // out of the band: dropped by Send
    QStringLiteral("AF3="),
    QStringLiteral("AF4=107.9"),
    QStringLiteral("RT1Type=1"),
    QStringLiteral("PhaseShift=3"),
    QStringLiteral("ClockSource=1"),
    QStringLiteral("[DPS1]"),
    QStringLiteral("Label0=\"NOW ON\""),
    QStringLiteral("Label1=\"QUORVAN FM\""), // longer than a label: cut by Send
    QStringLiteral("Enabled=1"),
    QStringLiteral("Mode=0"),
    QStringLiteral("Delay=7"),
    QStringLiteral("[DataGroups]"),
    QStringLiteral("Enabled=1"),
    QStringLiteral("GroupType1=8"),
    QStringLiteral("Byte14=1f"),
    QStringLiteral("Byte18=A5"),
    QStringLiteral("[Radiotext]"),
    QStringLiteral("Enabled=1"),
    QStringLiteral("Radiotext1=\"Quorvan FM - the station\""),
};

} // namespace

class OperationsTest : public QObject {
    Q_OBJECT
private slots:
    void sendWritesWhatQuorvanctlWrites();
    void guardHoldsSendAndReceiveButNotStoreOrControls();
    void resetAsksFirst();
    void trafficAnnouncementToggles();
    void trafficAnnouncementAfterARestart();
    void readStatusShowsTheByte();
    void receiveFillsTheWindowAndRunsTheRules();
    void receiveCutOffAfterTheFirstRun();
    void failedReceiveRunsNoFollowUp();
    void failedReceiveShowsTextsInTheStationCharacterSet();
    void notReadyHintTellsWhy();
    void operationFinishedAfterEachOperation();
    void waitCursorAndStatusTextsDuringAnOperation();
};

void OperationsTest::sendWritesWhatQuorvanctlWrites()
{
    EncoderFixture f;
    f.writeSettings(kStation);
    quorvan_app::TForm1& form = f.start();
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));

    // The window tidied what Send tidied: the AF list closed up, the long label cut.
    QCOMPARE(form.SGAF->item(0, 1)->text(), QStringLiteral("87.6"));
    QCOMPARE(form.SGAF->item(1, 1)->text(), QStringLiteral("107.9"));
    QCOMPARE(form.SGAF->item(2, 1)->text(), QString());
    QCOMPARE(form.DPS1->text(1), QStringLiteral("QUORVAN "));
    QCOMPARE(f.ram(0x0F), 2);

    // quorvanctl send with the same settings file, on an encoder of its own.
    const QString otherState = f.dir.filePath(QStringLiteral("cli.state"));
    QProcess cli;
    cli.start(QStringLiteral(QUORVANCTL),
              {QStringLiteral("--settings"), f.settingsPath(), QStringLiteral("--port"),
               QStringLiteral("virtual:") + otherState, QStringLiteral("send")});
    QVERIFY(cli.waitForFinished(60000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    quorvan::EncoderState other;
    std::string error;
    QCOMPARE(int(quorvan::LoadEncoderState(otherState.toStdString(), other, error)), int(quorvan::StateLoad::Loaded));
    for (int a = 0; a < 0xC0; ++a) {
        if (a == 0x70 || a == 0x71)
            continue; // status and command: never written
        QVERIFY2(other.ram[size_t(a)] == f.ram(a), qPrintable(QStringLiteral("address %1").arg(a, 2, 16)));
    }
}

void OperationsTest::guardHoldsSendAndReceiveButNotStoreOrControls()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    f.pass();
    form.BSWOFFClick();
    QVERIFY(!f.encoder().carrier());
    const auto starts = f.encoder().starts();
    form.BSEND1Click(); // at once after Switch Off: the controls do not hold it back
    // Six transactions; the RT+ registers go into the extension record, off the bus.
    QCOMPARE(f.encoder().starts(), starts + 6);

    f.time.advanceMs(999);
    form.PSDEF->setText(QStringLiteral("SECOND"));
    form.BSEND1Click(); // within the second: nothing at all
    form.BREC1Click();
    QCOMPARE(f.encoder().starts(), starts + 6);
    QCOMPARE(form.PSDEF->text(), QStringLiteral("SECOND"));

    form.BSTOR1Click(); // no guard
    QCOMPARE(f.encoder().lastCommand(), quorvan::VirtualEncoder::kCommandStore);
    form.BSWONClick();
    QVERIFY(f.encoder().carrier());

    f.pass(1000);
    form.BSEND1Click();
    QCOMPARE(f.ramText(0x02, 8), std::string("SECOND  "));
}

void OperationsTest::resetAsksFirst()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    f.pass();
    form.SetStatusText(QStringLiteral("before"));
    f.answerYes = false;
    const auto starts = f.encoder().starts();
    form.BRESETClick();
    QCOMPARE(f.questions, QStringList{QStringLiteral("Reset the RDS encoder?")});
    QCOMPARE(f.encoder().starts(), starts);
    QCOMPARE(f.status(), QStringLiteral("before"));

    f.answerYes = true;
    form.BRESETClick();
    QCOMPARE(f.encoder().lastCommand(), quorvan::VirtualEncoder::kCommandReset);
    QCOMPARE(f.status(), QStringLiteral("Ready"));
}

void OperationsTest::trafficAnnouncementToggles()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    QVERIFY(!form.TA->isChecked());
    form.BSETTAClick();
    QVERIFY(form.TA->isChecked());
    QCOMPARE(f.ram(0x0E), 1);
    form.BSETTAClick();
    QVERIFY(!form.TA->isChecked());
    QCOMPARE(f.ram(0x0E), 0);

    // Not acknowledged: the box keeps its new state, the status says "!Ready".
    f.encoder().setPower(false);
    form.BSETTAClick();
    QVERIFY(form.TA->isChecked());
    QCOMPARE(f.status(), QStringLiteral("!Ready"));
}

// TA is not kept in the settings file: after a restart the switch shows
// what the encoder reports, or that it is not known.
void OperationsTest::trafficAnnouncementAfterARestart()
{
    EncoderFixture f;
    {
        quorvan_app::TForm1& form = f.start();
        QCOMPARE(form.TA->checkState(), Qt::Unchecked);
        f.encoder().setStatus(0x03); // pilot tone, TA left on
        form.BSTATClick();           // Read Status shows it too
        QCOMPARE(form.TA->checkState(), Qt::Checked);
        f.stop();
    }
    {
        quorvan_app::TForm1& form = f.start();
        QCOMPARE(form.TA->checkState(), Qt::Checked);
        QVERIFY(!form.TA->isTristate());
        f.stop();
    }
    // A port that cannot read: unknown until the operator sets it.
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Bidirectional=0")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.TA->checkState(), Qt::PartiallyChecked);
    QVERIFY2(form.TA->toolTip().startsWith(QStringLiteral("TA unknown: the port is not bidirectional")),
             qPrintable(form.TA->toolTip()));
    QVERIFY(!form.ReadStationParams().program.TA); // Send would not switch an announcement on
    form.BSETTAClick();
    QCOMPARE(form.TA->checkState(), Qt::Checked);
    QCOMPARE(f.ram(0x0E), 1);
    QVERIFY(!form.TA->isTristate());
    QVERIFY(form.TA->toolTip().isEmpty());
    form.BSETTAClick();
    QCOMPARE(form.TA->checkState(), Qt::Unchecked);
    QCOMPARE(f.ram(0x0E), 0);
    f.stop();

    // An encoder that does not answer at start-up: unknown as well.
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Bidirectional=1")});
    {
        quorvan_app::TForm1& first = f.start();
        f.encoder().setPower(false);
        first.BSTATClick();
        f.stop();
    }
    quorvan_app::TForm1& silent = f.start();
    QVERIFY(!f.encoder().powered());
    QCOMPARE(silent.TA->checkState(), Qt::PartiallyChecked);
    QVERIFY(silent.TA->toolTip().startsWith(QStringLiteral("TA unknown: the encoder did not answer")));
}

void OperationsTest::readStatusShowsTheByte()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    f.encoder().setStatus(0x83);
    form.BSTATClick();
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.messages[0].first, MessageKind::Information);
    QCOMPARE(f.messages[0].second, QStringLiteral("Status byte value: 131\nPilot tone: 1\nTA: 1"));

    f.encoder().setPower(false); // no answer: no box, "!Ready"
    form.BSTATClick();
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(f.status(), QStringLiteral("!Ready"));
}

void OperationsTest::receiveFillsTheWindowAndRunsTheRules()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    quorvan::VirtualEncoder& enc = f.encoder();
    enc.poke(0x00, {0x12, 0x34, 'R', 'A', 'D', 'I', 'O', ' ', ' ', ' ', 5, 0x03, 1, 1, 0, 2, 1, 204});
    std::vector<std::uint8_t> rt{0x03}; // radiotext on, type B
    for (char c : std::string("Hello there"))
        rt.push_back(std::uint8_t(c));
    rt.resize(65, ' ');
    rt.insert(rt.end(), {0x00, 0x48, 0x1A, 0x00, 0x00, 0x00, 0x00}); // group 4B, "Byte 4" 1A
    enc.poke(0x1F, rt);
    std::vector<std::uint8_t> dps{0x01, 18, 0, 0, 255, 0, 4, 0, 20};
    for (char c : std::string("ABCDEFGHIJKLMNOPQRST"))
        dps.push_back(std::uint8_t(c));
    enc.poke(0x6E, dps);

    form.RTSA->setChecked(true);
    QVERIFY(!form.Timer2->isActive()); // radiotext still off in the window
    f.pass();
    form.BREC1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));

    QCOMPARE(form.PI->text(), QStringLiteral("1234"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("RADIO"));
    QCOMPARE(form.SGAF->item(0, 1)->text(), QStringLiteral("87.6"));
    QCOMPARE(form.SGAF->item(1, 1)->text(), QStringLiteral("107.9"));
    QCOMPARE(form.CBAFEdit->text(), QStringLiteral("87.6")); // the current row, as received
    QVERIFY(form.CBRTEN->isChecked());
    QCOMPARE(form.CBRTT[0]->currentIndex(), 1);
    QVERIFY(form.RT[0]->text().startsWith(QStringLiteral("Hello there")));
    QCOMPARE(form.CBGRTYP->currentIndex(), 9);
    QCOMPARE(form.DB[0]->text(), QStringLiteral("1A"));
    QCOMPARE(form.DBD[0]->text(), QStringLiteral("26"));
    QCOMPARE(form.RGDPS1M->itemIndex(), 0);
    QCOMPARE(form.DPS1->text(0), QStringLiteral("ABCDEFGH"));
    QCOMPARE(form.DPS1->text(2), QStringLiteral("QRST"));
    QVERIFY(form.DPS1EN->isChecked());
    // The rules after Receive: switching runs (RTSA and the received CBRTEN),
    // the phase controls follow "Auto (stereo)", the version B group locks
    // "Byte 5" and "Byte 6", mode 0 takes the rows, 255 shows "(infinite)".
    QVERIFY(form.Timer2->isActive());
    QVERIFY(form.SEPHASE->isEnabled());
    QVERIFY(!form.DB[1]->isEnabled());
    QVERIFY(form.DPS1->isEnabled());
    QVERIFY(form.DPSTextFromRows());
    QVERIFY(form.SEDPS1DL->displayText().contains(QStringLiteral("(infinite)")));
}

void OperationsTest::receiveCutOffAfterTheFirstRun()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    f.encoder().poke(0x00, {0xAB, 0xCD, 'C', 'U', 'T', ' ', ' ', ' ', ' ', ' ', 3, 0, 1, 0, 0, 0});
    form.RT[0]->setText(QStringLiteral("kept"));
    form.DB[0]->setText(QStringLiteral("07"));

    PowerCut cut(*form.Link().portIo(), f.encoder());
    form.Link().setPortIo(&cut);
    f.pass();
    form.BREC1Click();

    QCOMPARE(f.status(), QStringLiteral("!Ready"));
    QCOMPARE(form.PI->text(), QStringLiteral("ABCD"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("CUT"));
    QCOMPARE(form.PTY->currentIndex(), 3);
    QCOMPARE(form.RT[0]->text(), QStringLiteral("kept"));
    QCOMPARE(form.DB[0]->text(), QStringLiteral("07"));
}

void OperationsTest::failedReceiveRunsNoFollowUp()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    // No encoder: nothing in the window changes, not even what the rules
    // after a Receive would enable (mode 2 keeps the mode 0 rows disabled).
    form.RGDPS1MClick();
    f.encoder().setPower(false);
    const quorvan::TStationParams before = form.ReadStationParams();
    QVERIFY(!form.DPS1->isEnabled());
    QVERIFY(form.DPS1B->isEnabled());
    f.pass();
    form.BREC1Click();
    QCOMPARE(f.status(), QStringLiteral("!Ready"));
    QVERIFY(form.ReadStationParams() == before);
    QVERIFY(!form.DPS1->isEnabled());
    QVERIFY(form.DPS1B->isEnabled());

    // The third run fails: the first two runs' values stand as received,
    // "Byte 4" FF included (no five-bit limit), with its mirror.
    f.encoder().setPower(true);
    f.encoder().poke(0x60, {0x01, 0x08, 0xFF, 0x0A});
    f.encoder().poke(0x76, {3, 'D', 'P', 'S'});
    ReceiveWithPowerCut(f, form, 2);
    QCOMPARE(f.status(), QStringLiteral("!Ready"));
    QCOMPARE(form.CBGRTYP->currentIndex(), 1);
    QCOMPARE(form.DB[0]->text(), QStringLiteral("FF"));
    QCOMPARE(form.DBD[0]->text(), QStringLiteral("255"));
    QCOMPARE(form.DB[1]->text(), QStringLiteral("0A"));
    QCOMPARE(form.DBD[1]->text(), QStringLiteral("10"));
    QVERIFY(!form.DPS1EN->isChecked());
    QVERIFY(!form.DPS1->isEnabled());
}

// The runs a failed Receive completed show their texts as a whole Receive
// does: the encoder's codes read in the station's character set.
void OperationsTest::failedReceiveShowsTextsInTheStationCharacterSet()
{
    EncoderFixture f;
    {
        QFile file(f.settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Config]\r\nCharset=1\r\n[General]\r\nDefaultPS=\"KVÄLL\"\r\n"
                                  "[Radiotext]\r\nRadiotext1=\"Žižkov 100 €\"\r\nEnabled=1\r\nSelRT1=1\r\n")
                       .toUtf8());
    }
    quorvan_app::TForm1& form = f.start();
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.ramText(0x02, 8), std::string("KV\xD1LL   "));

    form.PSDEF->setText(QStringLiteral("OTHER"));
    form.RT[0]->clear();
    ReceiveWithPowerCut(f, form, 2);
    QCOMPARE(f.status(), QStringLiteral("!Ready"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("KVÄLL"));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Žižkov 100 €"));
}

void OperationsTest::notReadyHintTellsWhy()
{
    // A port out of reach: the status bar says "!Ready", its hint why.
    {
        EncoderFixture f;
        quorvan_app::TForm1& form = f.start(false);
        QCOMPARE(form.StatusBar1->toolTip(), QString());
        form.BSWOFFClick();
        QCOMPARE(f.status(), QStringLiteral("!Ready"));
        const QString hint = form.StatusBar1->toolTip();
        QVERIFY2(hint.startsWith(QStringLiteral("port unreachable: ")), qPrintable(hint));
        QVERIFY2(hint.contains(QStringLiteral("no ppdev device")), qPrintable(hint));
    }
    // An encoder that does not answer, then one that does: the hint follows
    // the last operation.
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    f.encoder().setPower(false);
    form.BSWOFFClick();
    QCOMPARE(f.status(), QStringLiteral("!Ready"));
    QVERIFY(form.StatusBar1->toolTip().contains(QStringLiteral("not acknowledged")));
    f.encoder().setPower(true);
    form.BSWONClick();
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    QCOMPARE(form.StatusBar1->toolTip(), QString());
}

void OperationsTest::operationFinishedAfterEachOperation()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    QSignalSpy finished(&form, &quorvan_app::TForm1::operationFinished);
    form.BSWOFFClick();
    QCOMPARE(finished.count(), 1);
    // The state file already holds what the monitor shows.
    quorvan::EncoderState saved;
    std::string error;
    QCOMPARE(int(quorvan::LoadEncoderState(f.statePath().toStdString(), saved, error)), int(quorvan::StateLoad::Loaded));
    QVERIFY(!saved.carrier);

    f.answerYes = false;
    form.BRESETClick(); // nothing sent: nothing to show
    QCOMPARE(finished.count(), 1);
    f.pass();
    form.BSEND1Click();
    QCOMPARE(finished.count(), 2);
}

void OperationsTest::waitCursorAndStatusTextsDuringAnOperation()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    Watch watch(*form.Link().portIo(), form);
    form.Link().setPortIo(&watch);
    f.pass();
    form.BREC1Click();
    QCOMPARE(watch.withoutWaitCursor, 0);
    QCOMPARE(watch.texts, (QStringList{QStringLiteral("Sending data..."), QStringLiteral("Receiving data...")}));
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    watch.texts.clear();
    form.BSWOFFClick();
    QCOMPARE(watch.withoutWaitCursor, 0);
    QCOMPARE(watch.texts, QStringList{QStringLiteral("Sending data...")});
    QVERIFY(QApplication::overrideCursor() == nullptr);
    form.Link().setPortIo(watch.inner());
}

QTEST_MAIN(OperationsTest)
#include "operations_test.moc"
