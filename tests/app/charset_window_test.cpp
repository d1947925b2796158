// The character set in the window: texts from a UTF-8 settings file go out as
// the RDS table's codes and come back through Receive; the text fields take
// only what the chosen set can send; an older file stays Latin-1.
#include "encoder_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QtTest>

using test_support::EncoderFixture;

class CharsetWindowTest : public QObject {
    Q_OBJECT
private slots:
    void rdsTextsSendAndReceiveThroughTheSettingsFile();
    void fieldsTakeOnlyWhatTheSetCanSendAndSwitchingKeepsTheCharacters();
    void fieldsTransliterateWhatTheSetLacks();
    void olderFileStaysLatin1();
    void withoutAFileTheSetIsRds();
};

namespace {

void writeUtf8(const EncoderFixture& f, const QString& text)
{
    QFile file(f.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// Types the characters one key at a time (QTest::keyClicks only types Latin-1).
void type(QWidget* w, const QString& chars)
{
    for (QChar c : chars)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

void CharsetWindowTest::rdsTextsSendAndReceiveThroughTheSettingsFile()
{
    EncoderFixture f;
    writeUtf8(f, QStringLiteral("[Config]\r\nCharset=1\r\n[General]\r\nDefaultPS=\"KVÄLL\"\r\n"
                                "[Radiotext]\r\nRadiotext1=\"Žižkov – 100 €\"\r\nEnabled=1\r\nSelRT1=1\r\n"));
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.CBCHARSET->currentIndex(), 1);
    QCOMPARE(form.PSDEF->text(), QStringLiteral("KVÄLL"));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Žižkov - 100 €"));  // the en dash has no code

    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.ramText(0x02, 8), std::string("KV\xD1LL   "));
    QCOMPARE(f.ramText(0x20, 14), std::string("\xCDi\xDDkov - 100 \xA9"));

    form.PSDEF->setText(QStringLiteral("OTHER"));
    form.RT[0]->clear();
    f.pass();
    form.BREC1Click();
    QCOMPARE(form.PSDEF->text(), QStringLiteral("KVÄLL"));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Žižkov - 100 €"));
    f.stop();
    const QString saved = QString::fromUtf8(f.readSettings());
    QVERIFY(saved.contains(QStringLiteral("DefaultPS=\"KVÄLL\"\r\n")));
    QVERIFY(saved.contains(QStringLiteral("Radiotext1=\"Žižkov - 100 €\"\r\n")));
    QVERIFY(saved.contains(QStringLiteral("Charset=1\r\n")));
}

void CharsetWindowTest::fieldsTakeOnlyWhatTheSetCanSendAndSwitchingKeepsTheCharacters()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    form.CBCHARSET->setCurrentIndex(1);
    type(form.RT[0], QStringLiteral("Ž€ș^ÿa"));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Ž€şya"));
    form.RT[0]->selectAll();
    form.RT[0]->insertLimited(QStringLiteral("Čaj ș~ç"));  // a paste loses what has no transliteration
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Čaj şç"));
    type(form.DPS1->row(0), QStringLiteral("ÅŁ1"));
    QCOMPARE(form.DPS1->text(0), QStringLiteral("Å1"));
    // Lengths count characters: eight letters outside ASCII fill a PS.
    form.PSDEF->clear();
    type(form.PSDEF, QStringLiteral("ŽŽŽŽŽŽŽŽŽ"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("ŽŽŽŽŽŽŽŽ"));

    form.CBCHARSET->setCurrentIndex(0);
    QCOMPARE(form.RT[0]->text(), QStringLiteral("?aj ?ç"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("????????"));
    QCOMPARE(form.DPS1->text(0), QStringLiteral("Å1"));
    form.RT[0]->clear();
    type(form.RT[0], QStringLiteral("Žÿ€"));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("ÿ"));
    QCOMPARE(form.ReadStationParams().radiotext.RT1, std::string("\xFF"));
}

// A typed or pasted character the RDS table lacks becomes what the encoder
// will send (the same transliteration as the network and quorvanctl rt);
// only a character with none at all is refused.
void CharsetWindowTest::fieldsTransliterateWhatTheSetLacks()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    form.CBCHARSET->setCurrentIndex(1);
    form.RT[0]->clear();
    form.RT[0]->insertLimited(QStringLiteral("Ä Ž € “Quotes” Timișoara — end…"));
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Ä Ž € \"Quotes\" Timişoara - end..."));
    form.RT[1]->clear();
    type(form.RT[1], QStringLiteral("“Hi” – ț…"));
    QCOMPARE(form.RT[1]->text(), QStringLiteral("\"Hi\" - t..."));
    form.DPS1B->clear();
    form.DPS1B->insertLimited(QStringLiteral("Kiss FM – Hits"));
    QCOMPARE(form.DPS1B->text(), QStringLiteral("Kiss FM - Hits"));
    form.DPS1->row(0)->clear();
    type(form.DPS1->row(0), QStringLiteral("Ș–Ł"));
    QCOMPARE(form.DPS1->text(0), QStringLiteral("Ş-"));
    // The typing limit counts what the field holds: "…" takes three places.
    form.PSDEF->clear();
    type(form.PSDEF, QStringLiteral("Kiss…FM!"));
    QCOMPARE(form.PSDEF->text(), QStringLiteral("Kiss...F"));

    f.pass();
    form.BSEND1Click();
    const std::string rt = "\xD1 \xCD \xA9 \"Quotes\" Timi\x9Coara - end...";
    QCOMPARE(f.ramText(0x20, int(rt.size())), rt);
    QCOMPARE(f.ramText(0x02, 8), std::string("Kiss...F"));
}

void CharsetWindowTest::olderFileStaysLatin1()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("DefaultPS=\"K\u00C4LL\"")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.CBCHARSET->currentIndex(), 0);
    QCOMPARE(form.PSDEF->text(), QStringLiteral("KÄLL"));
    f.pass();
    form.BSEND1Click();
    QCOMPARE(f.ramText(0x02, 8), std::string("K\xC4LL    "));
    f.stop();
    const QByteArray saved = f.readSettings();
    QVERIFY(saved.contains("DefaultPS=\"K\xC4LL\"\r\n"));
    QVERIFY(!saved.contains("Charset"));
}

void CharsetWindowTest::withoutAFileTheSetIsRds()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.CBCHARSET->currentIndex(), 1);
    f.stop();
    QVERIFY(f.readSettings().contains("Charset=1\r\n"));
}

QTEST_MAIN(CharsetWindowTest)
#include "charset_window_test.moc"
