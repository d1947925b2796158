// The main window's initial values and its enable and display rules.
#include "form_fixture.h"

#include "app/help_text.h"
#include "content/station_params.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using quorvan_app::TForm1;
using test_support::FormFixture;

class Form1RulesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test_support::applyLook(); }

    void windowDefinitionHoldsTheStationDefaults()
    {
        FormFixture f;
        QCOMPARE(f.form->ReadStationParams(), quorvan::TStationParams{});
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Quorvan"));
        QCOMPARE(f.form->size(), QSize(588, 308));
        QCOMPARE(f.form->StatusText(), QStringLiteral("Ready"));
        f.form->show();
        QCOMPARE(f.form->TSProgram->size(), QSize(489, 261));
        QCOMPARE(f.form->LOGO->geometry(), QRect(0, 0, 489, 261));
        QCOMPARE(f.form->PageControl1->count(), 8);
        const QStringList tabs{"Program", "Dynamic PS", "Radiotext", "System", "Preferences", "Text Sources", "Extended", "Help"};
        for (int i = 0; i < tabs.size(); ++i)
            QCOMPARE(f.form->PageControl1->tabText(i), tabs[i]);
        QCOMPARE(f.form->PageControl1->currentIndex(), 0);
    }

    void noSettingsFileShowsTheDefaults()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        QVERIFY(w.isVisible());
        QCOMPARE(w.PI->text(), QStringLiteral("FFFF"));
        QCOMPARE(w.PTY->currentText(), QStringLiteral("(none)"));
        QCOMPARE(w.MS->currentText(), QStringLiteral("Music"));
        QVERIFY(w.RGDPS1M->button(2)->isChecked());
        QCOMPARE(w.RGDPS1M->button(2)->text(), QStringLiteral("2 - Word alignment"));
        QCOMPARE(w.SEDPSLP->displayText(), QStringLiteral("2.5 sec"));
        QCOMPARE(w.SEDPS1DL->displayText(), QStringLiteral("21.6 sec"));
        QCOMPARE(w.SERTSW->displayText(), QStringLiteral("5 min"));
        QCOMPARE(w.RGPORT->itemIndex(), 0);
        QCOMPARE(w.RGPORT->button(0)->text(), QStringLiteral("LPT1"));
        QVERIFY(w.CBBI->isChecked());
        // "Slow" starts checked in the window, but the settings load reads a
        // missing Slow key as cleared.
        QVERIFY(!w.CBSS->isChecked());
        QCOMPARE(w.ELPTA->text(), QStringLiteral("632"));
        QVERIFY(w.RBJUST2->isChecked());
        QVERIFY(w.RBFILSP->isChecked());
        QCOMPARE(w.ECUSCH->text(), QStringLiteral("*"));
        QCOMPARE(w.LImageFile->text(), QStringLiteral("(none)"));
        QVERIFY(w.RBRT[0]->isChecked());
        QCOMPARE(w.BSETCT->text(), QStringLiteral("Start"));
        QVERIFY(!w.LCT->isVisibleTo(w.TSSystem));
        QCOMPARE(w.DI->currentRow(), -1);
        QCOMPARE(w.STEXMP->text(), QStringLiteral("12. Morvesk - Catch (Vocal Mix)"));
        QCOMPARE(w.SGAF->item(0, 0)->text(), QStringLiteral("1"));
        QCOMPARE(w.SGAF->item(14, 0)->text(), QStringLiteral("15"));
        QCOMPARE(w.CBAF->count(), 204);
        QCOMPARE(w.CBAF->itemText(0), QStringLiteral("87.6"));
        QCOMPARE(w.CBAF->itemText(203), QStringLiteral("107.9"));
        QVERIFY(w.Timer1->isActive());
        QCOMPARE(w.Timer1->interval(), 3000);
        QVERIFY(!w.Timer2->isActive());
        QCOMPARE(w.Timer2->interval(), 300000);
        QVERIFY(!w.Timer3->isActive());
        // The from-file rule is not in force: both dynamic PS texts start
        // enabled, while the labels show mode 2.
        QVERIFY(w.DPS1->isEnabled());
        QVERIFY(w.DPS1B->isEnabled());
        QVERIFY(!w.LDPS1->isEnabled());
        QVERIFY(w.LDPS1B->isEnabled());
        QVERIFY(!w.DPSTextFromRows());
    }

    void bidirectionalOffDisablesReceiveAndReadStatus()
    {
        FormFixture f;
        f.form->FormCreate();
        QVERIFY(f.form->BREC1->isEnabled());
        QVERIFY(f.form->BSTAT->isEnabled());
        f.form->CBBI->click();
        QVERIFY(!f.form->BREC1->isEnabled());
        QVERIFY(!f.form->BSTAT->isEnabled());
        f.form->CBBI->click();
        QVERIFY(f.form->BREC1->isEnabled());
        QVERIFY(f.form->BSTAT->isEnabled());
    }

    void internalClockDisablesPhaseAndPllButKeepsTheirValues()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        QVERIFY(!w.SEPHASE->isEnabled());
        QVERIFY(!w.RGPLLR->isEnabled());
        w.RGCS->button(1)->click();
        QVERIFY(w.SEPHASE->isEnabled());
        QVERIFY(w.RGPLLR->isEnabled());
        w.SEPHASE->setSteps(5);
        w.RGPLLR->setItemIndex(1);
        w.RGCS->button(0)->click();
        QVERIFY(!w.SEPHASE->isEnabled());
        QVERIFY(!w.RGPLLR->isEnabled());
        const quorvan::TStationParams p = w.ReadStationParams();
        QCOMPARE(p.system.SEPHASE, 5);
        QCOMPARE(p.system.RGPLLR, 1);
        QCOMPARE(w.SEPHASE->displayText(), QStringLiteral("47.35 degrees"));
    }

    void dynamicPSModeRuleSwapsLabelsAndFields()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.RGDPS1M->button(0)->click();
        QVERIFY(w.LDPS1->isEnabled());
        QVERIFY(w.DPS1->isEnabled());
        QVERIFY(!w.LDPS1B->isEnabled());
        QVERIFY(!w.DPS1B->isEnabled());
        QVERIFY(w.DPSTextFromRows());
        for (int mode = 1; mode <= 3; ++mode) {
            w.RGDPS1M->button(mode)->click();
            QVERIFY(!w.LDPS1->isEnabled());
            QVERIFY(!w.DPS1->isEnabled());
            QVERIFY(w.LDPS1B->isEnabled());
            QVERIFY(w.DPS1B->isEnabled());
            QVERIFY(!w.DPSTextFromRows());
        }
    }

    void dynamicPSFromFileRuleLocksBothTexts()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.DPS1EN->click();
        QVERIFY(w.DPS1->isEnabled() && w.DPS1B->isEnabled());
        w.CBD1FF->click();
        QVERIFY(!w.DPS1->isEnabled());
        QVERIFY(!w.DPS1B->isEnabled());
        // The labels are not touched by this rule.
        QVERIFY(w.LDPS1B->isEnabled());
        w.DPS1EN->click();
        QVERIFY(w.DPS1->isEnabled() && w.DPS1B->isEnabled());
    }

    void startUpAppliesTheFromFileRulesOnce()
    {
        FormFixture f;
        quorvan::TStationParams p;
        p.dynamicPs.DPS1EN = true;
        p.textSources.CBD1FF = true;
        p.textSources.CBR1FF = true;
        f.form->WriteStationParams(p);
        f.form->FormCreate();
        QVERIFY(!f.form->DPS1->isEnabled());
        QVERIFY(!f.form->DPS1B->isEnabled());
        QVERIFY(!f.form->RT[0]->isEnabled());
        // Later changes of the radiotext box leave RT1 alone until the next start.
        f.form->CBR1FF->click();
        QVERIFY(!f.form->RT[0]->isEnabled());
    }

    void groupTypeBDisablesBytesFiveAndSix()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.DB[1]->setText(QStringLiteral("12"));
        w.CBGRTYP->setCurrentIndex(w.CBGRTYP->findText(QStringLiteral("2B")));
        QVERIFY(!w.DB[1]->isEnabled());
        QVERIFY(!w.DB[2]->isEnabled());
        QVERIFY(w.DB[0]->isEnabled() && w.DB[3]->isEnabled() && w.DB[4]->isEnabled());
        w.CBGRTYP->setCurrentIndex(w.CBGRTYP->findText(QStringLiteral("3A")));
        QVERIFY(w.DB[1]->isEnabled());
        QVERIFY(w.DB[2]->isEnabled());
        QCOMPARE(w.DB[1]->text(), QStringLiteral("12"));
        QCOMPARE(w.CBGRTYP->count(), 32);
        QCOMPARE(w.CBGRTYP->itemText(31), QStringLiteral("15B"));
    }

    void userGroupBytesNormaliseOnLeavingAndAtStartUp()
    {
        FormFixture f;
        quorvan::TStationParams p;
        p.system.DB3 = "7F";
        f.form->WriteStationParams(p);
        f.form->FormCreate();
        TForm1& w = *f.form;
        QCOMPARE(w.DB[0]->text(), QStringLiteral("1F"));
        QCOMPARE(w.DBD[0]->text(), QStringLiteral("31"));
        QVERIFY(!w.DBD[0]->isEnabled());

        const auto leave = [&](int i, const QString& typed) {
            w.DB[i]->setText(typed);
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(w.DB[i], &out);
        };
        leave(2, QStringLiteral("5"));
        QCOMPARE(w.DB[2]->text(), QStringLiteral("05"));
        QCOMPARE(w.DBD[2]->text(), QStringLiteral("5"));
        leave(2, QString());
        QCOMPARE(w.DB[2]->text(), QStringLiteral("00"));
        QCOMPARE(w.DBD[2]->text(), QStringLiteral("0"));
        leave(0, QStringLiteral("3C"));
        QCOMPARE(w.DB[0]->text(), QStringLiteral("1C"));
        QCOMPARE(w.DBD[0]->text(), QStringLiteral("28"));
        leave(3, QStringLiteral("xy"));
        QCOMPARE(w.DB[3]->text(), QStringLiteral("FF"));
        QCOMPARE(w.DBD[3]->text(), QStringLiteral("255"));
        // Switching to another window is not leaving the field.
        w.DB[4]->setText(QStringLiteral("a"));
        QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(w.DB[4], &away);
        QCOMPARE(w.DB[4]->text(), QStringLiteral("a"));
    }

    void switchingPeriodUnitAndTimer()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.SERTSW->setSteps(0);
        QCOMPARE(w.SERTSW->displayText(), QStringLiteral("0 .5 min"));
        QCOMPARE(w.Timer2->interval(), 30000);
        w.SERTSW->setSteps(240);
        QCOMPARE(w.SERTSW->displayText(), QStringLiteral("240 min"));
        QCOMPARE(w.Timer2->interval(), 240 * 60000);
        w.SERTSW->stepBy(1);
        QCOMPARE(w.SERTSW->steps(), 240);
        // The switching timer runs exactly while both boxes are on.
        QVERIFY(!w.Timer2->isActive());
        w.RTSA->click();
        QVERIFY(!w.Timer2->isActive());
        w.CBRTEN->click();
        QVERIFY(w.Timer2->isActive());
        w.RTSA->click();
        QVERIFY(!w.Timer2->isActive());
    }

    void delayUnitAtTheMaximum()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.SEDPS1DL->setSteps(255);
        QCOMPARE(w.SEDPS1DL->displayText(), QStringLiteral("688.5 (infinite)"));
        w.SEDPS1DL->stepBy(1);
        QCOMPARE(w.SEDPS1DL->steps(), 255);
        QTest::keyClick(w.SEDPS1DL, Qt::Key_Down);
        QCOMPARE(w.SEDPS1DL->displayText(), QStringLiteral("685.8 sec"));
        QTest::keyClick(w.SEDPS1DL, Qt::Key_Up);
        QCOMPARE(w.SEDPS1DL->displayText(), QStringLiteral("688.5 (infinite)"));
    }

    void steppedControlsClampAtTheirLimits()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.SEDPSLP->setSteps(1);
        w.SEDPSLP->stepBy(-1);
        QCOMPARE(w.SEDPSLP->displayText(), QStringLiteral("0.5 sec"));
        w.SEDPSLP->setSteps(1000);
        QCOMPARE(w.SEDPSLP->displayText(), QStringLiteral("128.0 sec"));
        w.SEPHASE->setSteps(18);
        w.SEPHASE->stepBy(3);
        QCOMPARE(w.SEPHASE->displayText(), QStringLiteral("170.46 degrees"));
        // The track bar snaps to whole steps and moves the value.
        w.SEPHASE->trackBar()->setValue(4);
        QCOMPARE(w.SEPHASE->steps(), 4);
        QCOMPARE(w.SEPHASE->valueText(), QStringLiteral("37.88"));
        // Neither kind takes typing.
        QTest::keyClicks(w.SEPHASE, "9");
        QCOMPARE(w.SEPHASE->steps(), 4);
        QTest::keyClicks(w.SEUTCO, "5");
        QCOMPARE(w.SEUTCO->value(), 0);
        QTest::keyClick(w.SEUTCO, Qt::Key_Up);
        QCOMPARE(w.SEUTCO->value(), 1);
        w.SEUTCO->setValue(20);
        QCOMPARE(w.SEUTCO->value(), 12);
        w.SESMTO->setValue(-5);
        QCOMPARE(w.SESMTO->value(), -2);
    }

    void ptyCodingRenamesTheListKeepingTheCode()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.PTY->setCurrentIndex(24);
        QCOMPARE(w.PTY->currentText(), QStringLiteral("Jazz"));
        w.RBPTYC->button(1)->click();
        QCOMPARE(w.PTY->currentIndex(), 24);
        QCOMPARE(w.PTY->currentText(), QStringLiteral("(24)"));
        w.RBPTYC->button(2)->click();
        QCOMPARE(w.PTY->currentText(), QStringLiteral("(24)"));
        w.PTY->setCurrentIndex(31);
        QCOMPARE(w.PTY->currentText(), QStringLiteral("(31)"));
        w.RBPTYC->button(1)->click();
        QCOMPARE(w.PTY->currentText(), QStringLiteral("ALERT !"));
        w.RBPTYC->button(0)->click();
        QCOMPARE(w.PTY->currentText(), QStringLiteral("Alarm!"));
        QCOMPARE(w.PTY->count(), 32);
    }

    void advancedOptionsShowTheExample()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.CBRSN->click();
        QCOMPARE(w.STEXMP->text(), QStringLiteral("Morvesk - Catch (Vocal Mix)"));
        w.CBREIB->click();
        QCOMPARE(w.STEXMP->text(), QStringLiteral("Morvesk - Catch"));
        w.CBCTC->click();
        QCOMPARE(w.STEXMP->text(), QStringLiteral("MORVESK - CATCH"));
    }

    void labelColourColoursTheProgramPage()
    {
        FormFixture f;
        f.form->FormCreate();
        TForm1& w = *f.form;
        w.ColorBox1->setCurrentIndex(9); // Red
        QCOMPARE(w.ColorBox1->currentText(), QStringLiteral("Red"));
        QCOMPARE(w.LabelColor(), QColor(Qt::red));
        QCOMPARE(w.LPSDEF->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(w.LPTY->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(w.TP->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(w.CBAFEdit->palette().color(QPalette::Text), QColor(Qt::red));
        // Other pages keep the window's colour.
        QVERIFY(w.CBRTEN->palette().color(QPalette::WindowText) != QColor(Qt::red));
    }

    void radiotextButtonsKeepOneCurrent()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.RBRT[2]->click();
        QVERIFY(!w.RBRT[0]->isChecked());
        QVERIFY(w.RBRT[2]->isChecked());
        w.RBRT[2]->click();
        QVERIFY(w.RBRT[2]->isChecked());
        w.RBJUST0->click();
        QVERIFY(w.RBJUST0->isChecked() && !w.RBJUST2->isChecked());
    }

    void stationParamsRoundTripThroughTheControls()
    {
        FormFixture f;
        TForm1& w = *f.form;
        quorvan::TStationParams p;
        p.program.PSDEF = "LONGER THAN 8";
        p.program.PI = "12AB";
        p.program.TP = true;
        p.program.PTY = 7;
        p.program.MS = 0;
        p.program.SGAF[0] = "90.1";
        p.program.SGAF[14] = "107.9";
        p.program.DI = {true, false, true, false};
        p.dynamicPs.DPS1EN = true;
        p.dynamicPs.RGDPS1M = 0;
        p.dynamicPs.RGDLD = 0;
        p.dynamicPs.SEDPSLP = 256;
        p.dynamicPs.SEDPS1DL = 7;
        p.dynamicPs.DPS1[0] = "NEWS";
        p.dynamicPs.DPS1[8] = "LONGER THAN 8";
        p.dynamicPs.DPS1B = std::string("Caf\xe9 ", 5);
        p.radiotext.CBRTEN = true;
        p.radiotext.selected = quorvan::RadiotextSelection::RT3;
        p.radiotext.RT2 = "second";
        p.radiotext.CBRTT4 = 1;
        p.radiotext.RTSA = true;
        p.radiotext.SERTSW = 0;
        p.system.STMEN = true;
        p.system.CBGRTYP = 5;
        p.system.DB5 = "AB";
        p.system.DB5D = "171";
        p.system.CBUDGEN = true;
        p.system.SEPHASE = 18;
        p.system.RGCS = 1;
        p.system.RGPLLR = 1;
        p.preferences.LImageFile = "/no/such/picture.bmp";
        p.preferences.ColorBox1 = 3;
        p.preferences.SEUTCO = -5;
        p.preferences.SESMTO = 2;
        p.preferences.RBPTYC = 1;
        p.preferences.CBHPRI = true;
        p.preferences.RGPORT = 1;
        p.preferences.CBBI = false;
        p.preferences.CBSS = false;
        p.preferences.ELPTA = "956";
        p.textSources.CBD1FF = true;
        p.textSources.CBD1SC = false;
        p.textSources.ED1F = "/tmp/*.txt";
        p.textSources.RGD1L = 0;
        p.textSources.SED1BE = 3;
        p.textSources.SED1EN = 63;
        p.textSources.ED1PR = "Now: ";
        p.textSources.CBR1FF = true;
        p.textSources.CBR1SC = false;
        p.textSources.ER1F = "rt.txt";
        p.textSources.RGR1L = 0;
        p.textSources.SER1BE = 1;
        p.textSources.SER1EN = 2;
        p.textSources.ER1PR = "\"quoted\"";
        p.textSources.justification = quorvan::Justification::Left;
        p.textSources.fill = quorvan::Fill::Custom;
        p.textSources.ECUSCH = "#";
        p.textSources.CBRSN = true;
        p.textSources.CBREIB = true;
        p.textSources.CBCTC = true;
        p.preferences.ALONTOP = false;
        p.program.TA = true;
        p.preferences.CBCHARSET = 0;  // Latin-1: every text is its bytes
        w.WriteStationParams(p);
        QCOMPARE(w.ReadStationParams(), p);
        // Texts are shown whole, even beyond the typing limit.
        QCOMPARE(w.PSDEF->text(), QStringLiteral("LONGER THAN 8"));
        QCOMPARE(w.DPS1B->text(), QString::fromLatin1("Caf\xe9 "));
        // The handlers of changed controls ran.
        QCOMPARE(w.PTY->currentText(), QStringLiteral("Adult Hits"));
        QCOMPARE(w.STEXMP->text(), QStringLiteral("MORVESK - CATCH"));
        QCOMPARE(w.SERTSW->unit(), QStringLiteral(".5 min"));
        QVERIFY(!w.BREC1->isEnabled());
    }

    void helpPageHoldsTheGuideAndAbout()
    {
        FormFixture f;
        TForm1& w = *f.form;
        QVERIFY(w.MEHELP->isReadOnly());
        const QStringList lines = w.MEHELP->toPlainText().split(QLatin1Char('\n'));
        const QStringList headings{"1. RDS Services control", "2. Preferences", "3. Text sources",
                                   "4. Virtual encoder and receiver", "5. Miscellaneous"};
        qsizetype from = 0;
        for (const QString& h : headings) {
            const qsizetype at = lines.indexOf(h, from);
            QVERIFY2(at >= 0, qPrintable(h));
            QCOMPARE(lines.value(at + 1), QString(h.size(), QLatin1Char('=')));
            from = at + 2;
        }
        for (const char* line : {"Text processing scheme:", "Reading from file -> Characters cutting -> Advanced ",
                                 "Options -> (Adding prefix)",
                                 "Set all parameters, then check the From file box. Dynamic ",
                                 "PS and/or Radiotext must be Enabled."})
            QVERIFY2(lines.contains(QLatin1String(line)), line);
#ifdef Q_OS_LINUX
        QCOMPARE(w.LABTITLE->text(), QStringLiteral("Quorvan for Linux"));
#endif
        QCOMPARE(quorvan_app::AboutTitle(QStringLiteral("winnt")), QStringLiteral("Quorvan for Windows"));
        QCOMPARE(quorvan_app::AboutTitle(QStringLiteral("haiku")), QStringLiteral("Quorvan for haiku"));
        QVERIFY(w.LABTITLE->font().bold());
        QVERIFY(w.LABTITLE->font().pixelSize() > w.font().pixelSize());
    }

    void choiceOutsideTheListLeavesTheControl()
    {
        FormFixture f;
        TForm1& w = *f.form;
        quorvan::TStationParams p;
        p.program.PTY = 40;
        p.preferences.ColorBox1 = 999;
        p.dynamicPs.RGDPS1M = 9;
        w.WriteStationParams(p);
        QCOMPARE(w.PTY->currentIndex(), 0);
        QCOMPARE(w.ColorBox1->currentIndex(), quorvan::kLabelColorWindowText);
        QCOMPARE(w.RGDPS1M->itemIndex(), 2);
    }
};

QTEST_MAIN(Form1RulesTest)
#include "form1_rules_test.moc"
