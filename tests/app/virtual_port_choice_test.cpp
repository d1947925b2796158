// The virtual encoder as a "Port" choice of Preferences: chosen once, it
// stays in the settings file, quorvanctl with those settings drives the same
// encoder, and the monitor opens for it.
#include "app/virtual_monitor.h"
#include "encoder_fixture.h"
#include "sim/state_file.h"

#include <QProcess>
#include <QRadioButton>
#include <QtTest>

using test_support::EncoderFixture;

namespace {

QString DefaultStatePath(const EncoderFixture& f)
{
    return f.dir.filePath(QStringLiteral("virtual-encoder.state"));
}

// quorvanctl with the window's settings file and no --port; its exit code.
int Quorvanctl(const EncoderFixture& f, const QStringList& command, QByteArray* out = nullptr)
{
    QProcess ctl;
    ctl.start(QStringLiteral(QUORVANCTL), QStringList{QStringLiteral("--settings"), f.settingsPath()} + command);
    if (!ctl.waitForFinished(60000))
        return -1;
    if (out)
        *out = ctl.readAllStandardOutput();
    if (ctl.exitCode() != 0)
        qWarning("%s", ctl.readAllStandardError().constData());
    return ctl.exitCode();
}

std::string SavedRam(const QString& stateFile, int address, int length)
{
    quorvan::EncoderState saved;
    std::string error;
    if (quorvan::LoadEncoderState(stateFile.toStdString(), saved, error) != quorvan::StateLoad::Loaded)
        return "(" + error + ")";
    return std::string(saved.ram.begin() + address, saved.ram.begin() + address + length);
}

} // namespace

class VirtualPortChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void chosenOnceItStaysAndQuorvanctlDrivesTheSameEncoder();
    void aNamedStateFileIsKept();
    void oldSettingsFilesKeepTheirPortAndLines();
    void theMonitorOpensWhenTheVirtualEncoderIsChosen();
};

void VirtualPortChoiceTest::chosenOnceItStaysAndQuorvanctlDrivesTheSameEncoder()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"SOFTWARE\"")});
    quorvan_app::TForm1& form = f.start(false);
    QCOMPARE(form.RGPORT->count(), 7);
    QVERIFY(form.RGPORT->button(6)->text().startsWith(QStringLiteral("Virtual encoder")));
    QVERIFY(form.VirtualEncoder() == nullptr);

    form.RGPORT->button(6)->click();
    QCOMPARE(form.RGPORT->itemIndex(), 6);
    QVERIFY(form.VirtualEncoder() != nullptr);
    QCOMPARE(form.VirtualStateFile(), DefaultStatePath(f));
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    QCOMPARE(f.ramText(0x02, 8), std::string("SOFTWARE"));
    QCOMPARE(SavedRam(DefaultStatePath(f), 0x02, 8), std::string("SOFTWARE"));
    f.stop();

    const QByteArray settings = f.readSettings();
    QVERIFY2(settings.contains("Port=6\r\n"), settings.constData());
    QVERIFY2(settings.contains("VirtualEncoder=" + DefaultStatePath(f).toUtf8() + "\r\n"), settings.constData());

    // quorvanctl with the same settings and no --port: the same encoder.
    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("Software on air")}), 0);
    QCOMPARE(SavedRam(DefaultStatePath(f), 0x20, 15), std::string("Software on air"));
    QByteArray dump;
    QCOMPARE(Quorvanctl(f, {QStringLiteral("status")}, &dump), 0);
    QVERIFY2(dump.startsWith("Status byte value: 0"), dump.constData());

    // The next start is on the virtual encoder again, with quorvanctl's text.
    quorvan_app::TForm1& again = f.start(false);
    QCOMPARE(again.RGPORT->itemIndex(), 6);
    QVERIFY(again.VirtualEncoder() != nullptr);
    QCOMPARE(f.ramText(0x20, 15), std::string("Software on air"));
}

void VirtualPortChoiceTest::aNamedStateFileIsKept()
{
    EncoderFixture f;
    const QString elsewhere = f.dir.filePath(QStringLiteral("studio/one.state"));
    QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("studio")));
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Port=6"),
                     QStringLiteral("VirtualEncoder=studio/one.state"), QStringLiteral("[General]"),
                     QStringLiteral("DefaultPS=\"NAMED\"")});
    quorvan_app::TForm1& form = f.start(false);
    QCOMPARE(form.RGPORT->itemIndex(), 6);
    QCOMPARE(form.VirtualStateFile(), elsewhere);
    f.pass();
    form.BSEND1Click();
    QCOMPARE(SavedRam(elsewhere, 0x02, 8), std::string("NAMED   "));
    QVERIFY(!QFile::exists(DefaultStatePath(f)));
    f.stop();
    // Saved as it was written, relative to the settings file.
    QVERIFY(f.readSettings().contains("VirtualEncoder=studio/one.state\r\n"));
    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("Named file")}), 0);
    QCOMPARE(SavedRam(elsewhere, 0x20, 10), std::string("Named file"));
    QVERIFY(!QFile::exists(DefaultStatePath(f)));
}

void VirtualPortChoiceTest::oldSettingsFilesKeepTheirPortAndLines()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Port=1"), QStringLiteral("Slow=0")});
    quorvan_app::TForm1& form = f.start(false);
    QCOMPARE(form.RGPORT->itemIndex(), 1);
    QVERIFY(form.VirtualEncoder() == nullptr);
    f.stop();
    const QByteArray settings = f.readSettings();
    QVERIFY(settings.contains("Port=1\r\n"));
    QVERIFY2(!settings.contains("VirtualEncoder"), settings.constData());
    QVERIFY(!QFile::exists(DefaultStatePath(f)));
}

void VirtualPortChoiceTest::theMonitorOpensWhenTheVirtualEncoderIsChosen()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start(false);
    quorvan_app::VirtualMonitorKeeper keeper(form);
    QVERIFY(keeper.monitor() == nullptr);
    form.RGPORT->button(6)->click();
    QVERIFY(keeper.monitor() != nullptr);
    QVERIFY(keeper.monitor()->isVisible());
    quorvan_app::MonitorWindow* first = keeper.monitor();
    form.RGPORT->button(0)->click();
    form.RGPORT->button(6)->click();
    QCOMPARE(keeper.monitor(), first); // one monitor, kept open
}

QTEST_MAIN(VirtualPortChoiceTest)
#include "virtual_port_choice_test.moc"
