// The "Extended" page: the country picker, the values it binds (into the
// station values, the settings file's [Extended] section and, by Send, the
// virtual encoder's extension record), its refusals and notes, and its note
// on a real port.
#include "encoder_fixture.h"
#include "form_fixture.h"

#include "content/extended.h"
#include "content/extended_text.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace {

// One value in every field of the page.
quorvan::ExtendedValues everyValue()
{
    quorvan::ExtendedValues v;
    v.ecc = 0xE0;
    v.lic = 0x08;
    v.pin = quorvan::ProgrammeItem{15, 9, 30};
    v.ptyn = "Jazzbar";
    v.longPs = "Радио Квортан";
    v.ert = "Кино – Группа крови";
    v.afMethod = quorvan::AfMethod::B;
    v.afB = {quorvan::ParseAfMethodBList("AFB1", "98.5: 87.6 101.2 104.1R").value.value(),
             quorvan::ParseAfMethodBList("AFB2", "101.2: 98.5").value.value()};
    v.eon[0] = quorvan::OtherNetwork{0xD3C4, "PARTNER", {quorvan::ParseAfListA("EON1AF", "87.6 95.0").value}, 10,
                                     true, false};
    v.eon[7] = quorvan::OtherNetwork{0x1234, "LAST", {}, 3, false, true};
    v.groupSequence = quorvan::ParseGroupSequence("GroupSequence", "0A 2A 0A 1A 0A 12A 0A 15A U").value;
    return v;
}

} // namespace

using quorvan_app::TForm1;

class ExtendedPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test_support::applyLook(); }

    void countryChoiceSetsTheEccOfThePisCountry()
    {
        test_support::FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.PI->setText(QStringLiteral("D3C2"));
        const int germany = w.CBCTRY->findText(QStringLiteral("Germany"));
        QVERIFY(germany > 0);
        QCOMPARE(w.CBCTRY->findText(QStringLiteral("France")), -1); // France uses F
        w.CBCTRY->setCurrentIndex(germany);
        w.CBCTRYChange();
        QCOMPARE(w.EECC->text(), QStringLiteral("E0"));
        // Typed by hand, the ECC shows its country again.
        w.EECC->setText(QString());
        QCOMPARE(w.CBCTRY->currentIndex(), 0);
        w.EECC->setText(QStringLiteral("E0"));
        QCOMPARE(w.CBCTRY->currentText(), QStringLiteral("Germany"));
        w.CBLANG->setCurrentIndex(w.CBLANG->findText(QStringLiteral("German")));
        w.CBLANGChange();
        QCOMPARE(w.ELIC->text(), QStringLiteral("08"));
        const quorvan::ExtendedValues v = w.ReadStationParams().extended;
        QCOMPARE(v.ecc, std::uint8_t(0xE0));
        QCOMPARE(v.lic, std::uint8_t(0x08));
    }

    void valuesMoveBetweenTheFieldsAndTheParams()
    {
        test_support::FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        quorvan::TStationParams p = w.ReadStationParams();
        QVERIFY(quorvan::NoneSet(p.extended));
        p.extended.ptyn = "Jazzbar";
        p.extended.ertFromRt = true;
        p.extended.afMethod = quorvan::AfMethod::B;
        p.extended.eon[2] = quorvan::OtherNetwork{0, "PARTNER", {}, 10, true, true};
        w.WriteStationParams(p);
        QCOMPARE(w.EPTYN->text(), QStringLiteral("Jazzbar"));
        QVERIFY(w.RBAFMB->isChecked() && !w.RBAFMA->isChecked());
        QCOMPARE(w.EEONPS[2]->text(), QStringLiteral("PARTNER"));
        QCOMPARE(w.CBEONPTY[2]->currentIndex(), 10);
        QCOMPARE(w.ReadStationParams().extended, p.extended);
    }

    void everyFieldMovesBetweenTheFieldsAndTheParams()
    {
        test_support::FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        quorvan::TStationParams p = w.ReadStationParams();
        p.program.PI = "D3C2";
        p.extended = everyValue();
        w.WriteStationParams(p);
        QCOMPARE(w.EECC->text(), QStringLiteral("E0"));
        QCOMPARE(w.ELIC->text(), QStringLiteral("08"));
        QCOMPARE(w.EPIN->text(), QStringLiteral("15 09:30"));
        QCOMPARE(w.ELPS->text(), QString::fromUtf8("Радио Квортан"));
        QCOMPARE(w.EERT->text(), QString::fromUtf8("Кино – Группа крови"));
        QCOMPARE(w.EAFB[0]->text(), QStringLiteral("98.5: 87.6 101.2 104.1R"));
        QCOMPARE(w.EAFB[1]->text(), QStringLiteral("101.2: 98.5"));
        QVERIFY(w.EAFB[2]->text().isEmpty());
        QCOMPARE(w.EEONPI[0]->text(), QStringLiteral("D3C4"));
        QCOMPARE(w.EEONAF[0]->text(), QStringLiteral("87.6 95.0"));
        QCOMPARE(w.EEONPI[7]->text(), QStringLiteral("1234"));
        QVERIFY(w.EEONPI[3]->text().isEmpty());
        QCOMPARE(w.EGRPSEQ->text(), QStringLiteral("0A 2A 0A 1A 0A 12A 0A 15A U"));
        QCOMPARE(w.CBCTRY->currentText(), QStringLiteral("Germany"));
        QCOMPARE(w.CBLANG->currentText(), QStringLiteral("German"));
        QCOMPARE(w.ReadStationParams().extended, p.extended);

        // Back to nothing set: every field empties, and nothing is set again.
        p.extended = {};
        w.WriteStationParams(p);
        QVERIFY(w.EECC->text().isEmpty() && w.EAFB[0]->text().isEmpty() && w.EGRPSEQ->text().isEmpty());
        QVERIFY(quorvan::NoneSet(w.ReadStationParams().extended));
    }

    void methodBRowsCloseUp()
    {
        test_support::FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.EAFB[3]->setText(QStringLiteral("98.5: 87.6"));
        w.ExtendedFieldExit(w.EAFB[3]);
        QCOMPARE(w.EAFB[3]->text(), QStringLiteral("98.5: 87.6")); // a row below empty ones keeps its text
        w.EAFB[5]->setText(QStringLiteral("101.2:98.5r"));
        w.ExtendedFieldExit(w.EAFB[5]);
        QCOMPARE(w.EAFB[5]->text(), QStringLiteral("101.2: 98.5R")); // in the core's form
        quorvan::TStationParams p = w.ReadStationParams();
        QCOMPARE(p.extended.afB.size(), std::size_t(2));
        QCOMPARE(quorvan::FormatAfMethodBList(p.extended.afB[1]), std::string("101.2: 98.5R"));
        w.WriteStationParams(p);
        QCOMPARE(w.EAFB[0]->text(), QStringLiteral("98.5: 87.6"));
        QCOMPARE(w.EAFB[1]->text(), QStringLiteral("101.2: 98.5R"));
        QVERIFY(w.EAFB[3]->text().isEmpty());
    }

    void aRefusedTextKeepsTheOldValueAndSaysWhy()
    {
        test_support::FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        struct Case {
            quorvan_app::LimitedLineEdit* field;
            QString good, normal, bad, key;
        };
        const Case cases[] = {
            {w.EECC, QStringLiteral("e0"), QStringLiteral("E0"), QStringLiteral("1E0"), QStringLiteral("ECC")},
            {w.ELIC, QStringLiteral("8"), QStringLiteral("08"), QStringLiteral("80"), QStringLiteral("LIC")},
            {w.EPIN, QStringLiteral("15 9:30"), QStringLiteral("15 09:30"), QStringLiteral("32 09:30"),
             QStringLiteral("PIN")},
            {w.EAFB[0], QStringLiteral("98.5: 87.6"), QStringLiteral("98.5: 87.6"), QStringLiteral("98.5: 120.0"),
             QStringLiteral("AFB1")},
            {w.EEONPI[2], QStringLiteral("d3c4"), QStringLiteral("D3C4"), QStringLiteral("XY"),
             QStringLiteral("EON3PI")},
            {w.EEONAF[2], QStringLiteral("87.6  95"), QStringLiteral("87.6 95.0"), QStringLiteral("87.6 30"),
             QStringLiteral("EON3AF")},
            {w.EGRPSEQ, QStringLiteral("0a 2a"), QStringLiteral("0A 2A"), QStringLiteral("0A 2A 0A 1A 0A 2A 16A"),
             QStringLiteral("GroupSequence")},
        };
        for (const Case& c : cases) {
            c.field->setText(c.good);
            w.ExtendedFieldExit(c.field);
            QCOMPARE(c.field->text(), c.normal);
            QVERIFY2(w.LEXTHINT->text().isEmpty(), qPrintable(w.LEXTHINT->text()));
            const quorvan::ExtendedValues before = w.ReadStationParams().extended;
            c.field->setText(c.bad);
            // Read before the field is left: the value the field last took.
            QCOMPARE(w.ReadStationParams().extended, before);
            w.ExtendedFieldExit(c.field);
            QCOMPARE(c.field->text(), c.normal);
            QVERIFY2(w.LEXTHINT->text().startsWith(c.key + QLatin1Char(':')), qPrintable(w.LEXTHINT->text()));
            QCOMPARE(w.ReadStationParams().extended, before);
        }
        QVERIFY(w.LEXTHINT->text().contains(QStringLiteral("'16A' at place 7")));
        // The next accepted value clears the hint.
        w.EECC->setText(QStringLiteral("E1"));
        w.ExtendedFieldExit(w.EECC);
        QVERIFY(w.LEXTHINT->text().isEmpty());
    }

    void aLongTextIsCutAtACharacterBoundaryAndSaidSo()
    {
        test_support::FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        // 31 bytes, then a letter of two bytes: the cut falls before it.
        const QString longPs = QString(31, QLatin1Char('x')) + QString::fromUtf8("Жy");
        w.ELPS->setText(longPs);
        w.ExtendedFieldExit(w.ELPS);
        QCOMPARE(w.ELPS->text(), QString(31, QLatin1Char('x')));
        QVERIFY2(w.LEXTHINT->text().startsWith(QStringLiteral("LongPS: cut to 32 bytes")), qPrintable(w.LEXTHINT->text()));
        QCOMPARE(w.ReadStationParams().extended.longPs, std::string(31, 'x'));
        QString ert;
        for (int i = 0; i < 70; ++i)
            ert += QString::fromUtf8("Ж"); // 140 bytes
        w.EERT->setText(ert);
        w.ExtendedFieldExit(w.EERT);
        QCOMPARE(w.EERT->text(), ert.left(64));
        QVERIFY(w.LEXTHINT->text().startsWith(QStringLiteral("ERT: cut to 128 bytes")));
        QCOMPARE(w.LERTN->text(), QStringLiteral("128 / 128 bytes"));
    }

    void sendCarriesTheValuesIntoTheRecord()
    {
        test_support::EncoderFixture f;
        TForm1& w = f.start();
        quorvan::TStationParams p = w.ReadStationParams();
        p.extended = everyValue();
        w.WriteStationParams(p);
        f.pass();
        w.BSEND1Click();
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        QCOMPARE(f.encoder().extension().values, everyValue());
    }

    void theSettingsFileKeepsThePage()
    {
        test_support::EncoderFixture f;
        {
            QFile rds(f.settingsPath());
            QVERIFY(rds.open(QIODevice::WriteOnly));
            rds.write("[Extended]\r\nECC=E0\r\nLIC=08\r\nPIN=15 09:30\r\nLongPS=\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe\r\n"
                      "AFMethod=B\r\nAFB1=98.5: 87.6 101.2 104.1R\r\nAFB2=101.2: 98.5\r\n"
                      "EON1PI=D3C4\r\nEON1PS=PARTNER\r\nEON1AF=87.6 95.0\r\nEON1PTY=10\r\nEON1TP=1\r\n"
                      "GroupSequence=0A 2A 0A 1A 0A 15A\r\n");
        }
        TForm1& w = f.start();
        QCOMPARE(w.EECC->text(), QStringLiteral("E0"));
        QCOMPARE(w.EPIN->text(), QStringLiteral("15 09:30"));
        QCOMPARE(w.ELPS->text(), QString::fromUtf8("Радио"));
        QCOMPARE(w.EAFB[1]->text(), QStringLiteral("101.2: 98.5"));
        QCOMPARE(w.EEONPI[0]->text(), QStringLiteral("D3C4"));
        QCOMPARE(w.EEONAF[0]->text(), QStringLiteral("87.6 95.0"));
        QCOMPARE(w.EGRPSEQ->text(), QStringLiteral("0A 2A 0A 1A 0A 15A"));
        const quorvan::ExtendedValues loaded = w.ReadStationParams().extended;
        w.EERT->setText(QString::fromUtf8("Кино"));
        w.ExtendedFieldExit(w.EERT);
        f.stop(); // saves
        const QByteArray saved = f.readSettings();
        for (const char* line : {"ECC=E0", "LIC=08", "PIN=15 09:30", "LongPS=\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe",
                                 "ERT=\xd0\x9a\xd0\xb8\xd0\xbd\xd0\xbe", "AFB1=98.5: 87.6 101.2 104.1R",
                                 "AFB2=101.2: 98.5", "EON1PI=D3C4", "EON1AF=87.6 95.0",
                                 "GroupSequence=0A 2A 0A 1A 0A 15A"})
            QVERIFY2(saved.contains(QByteArray(line) + "\r\n"), line);
        TForm1& again = f.start();
        quorvan::ExtendedValues expected = loaded;
        expected.ert = "Кино";
        QCOMPARE(again.ReadStationParams().extended, expected);
    }

    void aRealPortMarksThePageSoftwareEncoderOnly()
    {
        test_support::FormFixture real; // LPT1, which the test cannot reach
        real.form->FormCreate();
        QCOMPARE(real.form->LEXTNOTE->text(), QStringLiteral("Software encoder only"));
        QVERIFY(!real.form->LEXTNOTE->toolTip().isEmpty());
        // The fields say so too: the wide ones where empty, each one in its tooltip.
        for (QLineEdit* e : {static_cast<QLineEdit*>(real.form->ELPS), static_cast<QLineEdit*>(real.form->EAFB[11]),
                             static_cast<QLineEdit*>(real.form->EEONAF[0]), static_cast<QLineEdit*>(real.form->EGRPSEQ)})
            QCOMPARE(e->placeholderText(), QStringLiteral("software encoder only"));
        QVERIFY(real.form->EECC->toolTip().startsWith(real.form->LEXTNOTE->toolTip()));
        QVERIFY(real.form->EECC->toolTip().contains(QStringLiteral("Extended country code")));
        QVERIFY(real.form->CBEONTA[0]->toolTip().startsWith(real.form->LEXTNOTE->toolTip()));
        test_support::EncoderFixture virt;
        TForm1& w = virt.start();
        QCOMPARE(w.LEXTNOTE->text(), QStringLiteral("Sent by the virtual encoder"));
        QVERIFY(w.ELPS->placeholderText().isEmpty());
        QVERIFY(w.EECC->toolTip().startsWith(QStringLiteral("Extended country code")));
    }
};

QTEST_MAIN(ExtendedPageTest)
#include "extended_page_test.moc"
