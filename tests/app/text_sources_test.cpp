// The "Text Sources" page at work in the window: a chosen file is followed
// into the dynamic PS fields and the encoder.
#include "encoder_fixture.h"

#include "app/latin1.h"
#include "content/charset.h"
#include "widgets/text_grid.h"

#include <QPushButton>
#include <QtTest>

using test_support::EncoderFixture;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

std::string DynamicPSInRam(const EncoderFixture& f)
{
    return f.ramText(0x77, f.ram(0x76));
}

} // namespace

class TextSourcesTest : public QObject {
    Q_OBJECT
private slots:
    void chosenFileIsFollowedWhateverItsLetters();
    void withoutSendOnChangeOnlyTheFieldsChange();
    void enhancedRadiotextFollowsTheSourceLine();
};

void TextSourcesTest::chosenFileIsFollowedWhateverItsLetters()
{
    // A name with a Latin-1 letter and one outside Latin-1: on the disk both
    // are UTF-8 bytes, which the field and the settings file must keep.
    const QString name = QStringLiteral("now-caf\u00e9-\u0416.txt");
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[DPS1]"), QStringLiteral("Enabled=1"), QStringLiteral("Mode=1"),
                     QStringLiteral("FromFile=1"), QStringLiteral("SendOnChange=1"), QStringLiteral("ReadFrom=1")});
    quorvan_app::TForm1& form = f.start();
    f.chosenFile = f.dir.filePath(name);
    WriteFile(f.chosenFile, "Old\nCatch\n");
    form.BR8->click();

    form.Timer1Timer();
    QCOMPARE(form.DPS1B->text(), QStringLiteral("Catch"));
    QCOMPARE(DynamicPSInRam(f), std::string("Catch"));

    // The settings file keeps the name's own bytes, so a restart follows the same file.
    f.stop();
    QVERIFY(f.readSettings().contains(QFile::encodeName(f.chosenFile)));
    WriteFile(f.chosenFile, "Catch\nLumen\n");
    quorvan_app::TForm1& again = f.start();
    again.Timer1Timer();
    QCOMPARE(DynamicPSInRam(f), std::string("Lumen"));
}

void TextSourcesTest::withoutSendOnChangeOnlyTheFieldsChange()
{
    EncoderFixture f;
    WriteFile(f.dir.filePath(QStringLiteral("dps.txt")), "HELLO WORLD\n");
    f.writeSettings({QStringLiteral("[DPS1]"), QStringLiteral("Enabled=1"), QStringLiteral("Mode=0"),
                     QStringLiteral("FromFile=1"), QStringLiteral("SendOnChange=0"),
                     QStringLiteral("SourceFile=dps.txt")});
    quorvan_app::TForm1& form = f.start();
    const auto starts = f.encoder().starts();

    form.Timer1Timer();
    QCOMPARE(form.DPS1B->text(), QStringLiteral("HELLO WORLD"));
    QCOMPARE(form.DPS1->text(0), QStringLiteral(" HELLO  ")); // centred, the initial justification
    QCOMPARE(form.DPS1->text(1), QStringLiteral(" WORLD  "));
    QCOMPARE(form.DPS1->text(2), QString());
    QCOMPARE(f.encoder().starts(), starts);
}

// ERTFromRT: a radiotext source line goes on air as eRT in its own letters
// and shows in the eRT field; the radiotext field holds the transliteration.
// A Send of another radiotext brings its text.
void TextSourcesTest::enhancedRadiotextFollowsTheSourceLine()
{
    EncoderFixture f;
    WriteFile(f.dir.filePath(QStringLiteral("rt.txt")), QStringLiteral("Кино – Группа крови\n").toUtf8());
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("Charset=1"), QStringLiteral("[Radiotext]"),
                     QStringLiteral("Enabled=1"), QStringLiteral("FromFile=1"), QStringLiteral("SendOnChange=1"),
                     QStringLiteral("SourceFile=rt.txt"), QStringLiteral("[Extended]"), QStringLiteral("ERT=Fixed"),
                     QStringLiteral("ERTFromRT=1")});
    quorvan_app::TForm1& form = f.start();
    form.Timer1Timer();
    const std::string kino = "Кино – Группа крови";
    QCOMPARE(f.encoder().extension().values.ert, kino);
    QCOMPARE(form.EERT->text(), QString::fromStdString(kino));
    const std::string transliterated = quorvan::EncodeText(kino, quorvan::Charset::Rds);
    QCOMPARE(f.ramText(0x20, int(transliterated.size())), transliterated);
    QCOMPARE(form.RT[0]->text(), quorvan_app::textToQt(transliterated, quorvan::Charset::Rds));

    // The operator types another radiotext and sends: eRT follows it.
    form.RT[0]->setText(QStringLiteral("Morning show"));
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.encoder().extension().values.ert, std::string("Morning show"));
    QCOMPARE(form.EERT->text(), QStringLiteral("Morning show"));
}

QTEST_MAIN(TextSourcesTest)
#include "text_sources_test.moc"
