// The "Extended" page: the country picker, the values it binds, and its note
// on a real port.
#include "encoder_fixture.h"
#include "form_fixture.h"

#include "content/extended.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

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

    void aRealPortMarksThePageSoftwareEncoderOnly()
    {
        test_support::FormFixture real; // LPT1, which the test cannot reach
        real.form->FormCreate();
        QCOMPARE(real.form->LEXTNOTE->text(), QStringLiteral("Software encoder only"));
        QVERIFY(!real.form->LEXTNOTE->toolTip().isEmpty());
        test_support::EncoderFixture virt;
        TForm1& w = virt.start();
        QCOMPARE(w.LEXTNOTE->text(), QStringLiteral("Sent by the virtual encoder"));
    }
};

QTEST_MAIN(ExtendedPageTest)
#include "extended_page_test.moc"
