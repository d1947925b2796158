// At start-up the window compares what the encoder holds with what the
// settings gave: where another program changed what is on air while the
// window was closed, a bar (not a modal question) names the fields and
// offers to load what is on air.
#include "encoder_fixture.h"
#include "quorvanctl_run.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using test_support::EncoderFixture;
using test_support::Quorvanctl;

namespace {

// A window that sent its settings and closed; then another program changes
// the radiotext on air (quorvanctl without --settings writes nothing back:
// the settings file keeps "Old").
void SentThenChangedWhileClosed(EncoderFixture& f)
{
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\""),
                     QStringLiteral("[Radiotext]"), QStringLiteral("Enabled=1"), QStringLiteral("Radiotext1=\"Old\"")});
    quorvan_app::TForm1& form = f.start();
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    f.stop();
    const QByteArray settings = f.readSettings();
    QCOMPARE(Quorvanctl(f, {QStringLiteral("rt"), QStringLiteral("From the studio")}), 0);
    // The settings file still holds the old text: only the encoder changed.
    QFile file(f.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(settings);
}

} // namespace

class OnAirStartTest : public QObject {
    Q_OBJECT
private slots:
    void whatIsOnAirAsSentGivesNoBar();
    void aNeverWrittenEncoderGivesNoBar();
    void fieldsAreNamedAsTheirPagesCaptionThem();
    void anotherProgramsChangeIsOfferedAndLoaded();
    void keepingTheSettingsChangesNothing();
};

void OnAirStartTest::whatIsOnAirAsSentGivesNoBar()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\""), QStringLiteral("PI=D3C2"),
                     QStringLiteral("AF1=99.9"), QStringLiteral("[Radiotext]"), QStringLiteral("Enabled=1"),
                     QStringLiteral("Radiotext1=\"Old\""), QStringLiteral("[DataGroups]"),
                     QStringLiteral("Byte14=1F")});
    quorvan_app::TForm1& form = f.start();
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.status(), QStringLiteral("Ready"));
    f.stop();
    quorvan_app::TForm1& again = f.start();
    QVERIFY2(again.StartupOnAirDifferences().isEmpty(),
             qPrintable(again.StartupOnAirDifferences().join(QStringLiteral(", "))));
    QVERIFY(!again.OnAirBar->isVisible());
}

void OnAirStartTest::aNeverWrittenEncoderGivesNoBar()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"QUORVAN\"")});
    quorvan_app::TForm1& form = f.start();
    QVERIFY(form.StartupOnAirDifferences().isEmpty());
    QVERIFY(!form.OnAirBar->isVisible());
}

void OnAirStartTest::fieldsAreNamedAsTheirPagesCaptionThem()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    // Not the controls' object names ("PSDEF"): the captions beside them.
    QCOMPARE(form.OnAirFieldName(form.PSDEF), QStringLiteral("Default PS"));
    QCOMPARE(form.OnAirFieldName(form.PI), QStringLiteral("PI"));
    QCOMPARE(form.OnAirFieldName(form.PTY), QStringLiteral("Program Type"));
    QCOMPARE(form.OnAirFieldName(form.TP), QStringLiteral("Traffic Program"));
    QCOMPARE(form.OnAirFieldName(form.RT[1]), QStringLiteral("Radiotext 2"));
    QCOMPARE(form.OnAirFieldName(form.SGAF), QStringLiteral("Alternative Frequencies"));
}

void OnAirStartTest::anotherProgramsChangeIsOfferedAndLoaded()
{
    EncoderFixture f;
    SentThenChangedWhileClosed(f);
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Old"));  // the settings, until the operator says
    QCOMPARE(form.StartupOnAirDifferences(), QStringList{QStringLiteral("Radiotext 1")});
    QVERIFY(form.OnAirBar->isVisible());
    QVERIFY(form.LOnAirBar->text().contains(form.StartupOnAirDifferences().first()));
    QVERIFY(f.questions.isEmpty());
    QVERIFY(f.messages.empty());

    auto* load = form.OnAirBar->findChild<QPushButton*>(QStringLiteral("BLOADONAIR"));
    QVERIFY(load != nullptr);
    load->click();
    QCOMPARE(form.RT[0]->text(), QStringLiteral("From the studio"));
    QVERIFY(form.MarkedOnAirFields().contains(form.RT[0]));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("QUORVAN"));
    QVERIFY(!form.OnAirBar->isVisible());

    // The next Send keeps it on air.
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.ramText(0x20, 15), std::string("From the studio"));
}

void OnAirStartTest::keepingTheSettingsChangesNothing()
{
    EncoderFixture f;
    SentThenChangedWhileClosed(f);
    quorvan_app::TForm1& form = f.start();
    QVERIFY(form.OnAirBar->isVisible());
    auto* keep = form.OnAirBar->findChild<QPushButton*>(QStringLiteral("BKEEPSETTINGS"));
    QVERIFY(keep != nullptr);
    keep->click();
    QVERIFY(!form.OnAirBar->isVisible());
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Old"));
    QVERIFY(form.MarkedOnAirFields().isEmpty());
    QCOMPARE(form.LoadOnAirAtStart(), 0); // nothing left to load
    QCOMPARE(f.ramText(0x20, 15), std::string("From the studio"));
}

QTEST_MAIN(OnAirStartTest)
#include "on_air_start_test.moc"
