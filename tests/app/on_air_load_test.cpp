// What another program puts on air reaches the window's fields: quorvanctl
// on the window's state file changes the radiotext or the PS, the monitor's
// check finds it, the fields show it (marked), and the window's next Send
// keeps it instead of undoing it. Unsent edits are not overwritten unasked.
#include "app/monitor_window.h"
#include "app/virtual_monitor.h"
#include "encoder_fixture.h"
#include "quorvanctl_run.h"

#include <QtTest>

using test_support::EncoderFixture;
using test_support::Quorvanctl;

class OnAirLoadTest : public QObject {
    Q_OBJECT
private slots:
    void anotherProgramsRadiotextIsLoadedAndKeptBySend();
    void anotherProgramsPSAndTrafficAreLoaded();
    void unsentEditsAreOverwrittenOnlyWhenTheOperatorSaysSo();
};

void OnAirLoadTest::anotherProgramsRadiotextIsLoadedAndKeptBySend()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\""),
                     QStringLiteral("[Radiotext]"), QStringLiteral("Enabled=1"), QStringLiteral("Radiotext1=\"Old\"")});
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    QVERIFY(monitor != nullptr);
    form.askLoadOnAir = [](const QStringList&) {
        qWarning("asked without an unsent edit");
        return false;
    };
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));

    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("From the studio")}), 0);
    monitor->checkStateFile();
    QCOMPARE(form.RT[0]->text(), QStringLiteral("From the studio"));
    QVERIFY(form.MarkedOnAirFields().contains(form.RT[0]));
    QVERIFY(!form.MarkedOnAirFields().contains(form.PSDEF)); // unchanged on air
    QCOMPARE(form.PSDEF->text(), QStringLiteral("QUORVAN"));

    // The next Send keeps the other program's radiotext on air.
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    QCOMPARE(f.ramText(0x20, 15), std::string("From the studio"));
    QCOMPARE(f.ramText(0x02, 8), std::string("QUORVAN "));
    // The window's own operation is no change by another program.
    monitor->checkStateFile();
    QCOMPARE(form.RT[0]->text(), QStringLiteral("From the studio"));
}

void OnAirLoadTest::anotherProgramsPSAndTrafficAreLoaded()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\""), QStringLiteral("PTY=3")});
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    f.pass();
    form.BSEND1Click();
    // PS "NEWS" and PTY 9 written straight into the image, as another program's Send would.
    QCOMPARE(Quorvanctl(f, {QStringLiteral("write"), QStringLiteral("02"), QStringLiteral("4E"), QStringLiteral("45"),
                            QStringLiteral("57"), QStringLiteral("53"), QStringLiteral("20"), QStringLiteral("20"),
                            QStringLiteral("20"), QStringLiteral("20"), QStringLiteral("09")}),
             0);
    monitor->checkStateFile();
    QCOMPARE(form.PSDEF->text(), QStringLiteral("NEWS"));
    QCOMPARE(form.PTY->currentIndex(), 9);
    QVERIFY(form.MarkedOnAirFields().contains(form.PSDEF));
    QVERIFY(form.MarkedOnAirFields().contains(form.PTY));
}

void OnAirLoadTest::unsentEditsAreOverwrittenOnlyWhenTheOperatorSaysSo()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Radiotext]"), QStringLiteral("Enabled=1"), QStringLiteral("Radiotext1=\"Old\"")});
    quorvan_app::TForm1& form = f.start();
    const auto monitor = quorvan_app::OpenVirtualEncoderMonitor(form);
    f.pass();
    form.BSEND1Click();
    form.RT[0]->setText(QStringLiteral("My own edit")); // not sent

    QStringList asked;
    bool answer = false;
    form.askLoadOnAir = [&](const QStringList& fields) {
        asked = fields;
        return answer;
    };
    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("Studio one")}), 0);
    monitor->checkStateFile();
    QCOMPARE(asked.size(), 1);
    // No: the edit stays, and so does what is on air.
    QCOMPARE(form.RT[0]->text(), QStringLiteral("My own edit"));
    QCOMPARE(f.ramText(0x20, 10), std::string("Studio one"));

    asked.clear();
    answer = true;
    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("Studio two")}), 0);
    monitor->checkStateFile();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Studio two"));
    QVERIFY(form.MarkedOnAirFields().contains(form.RT[0]));
}

QTEST_MAIN(OnAirLoadTest)
#include "on_air_load_test.moc"
