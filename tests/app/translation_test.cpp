// The language file: which entries change which texts, and bad files.
#include "form_fixture.h"

#include "app/translation.h"
#include "widgets/framed_group.h"

#include <QAction>
#include <QImage>
#include <QCheckBox>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <random>

#include <sys/stat.h>

using quorvan_app::TForm1;
using quorvan_app::TxupLanguage;
using test_support::FormFixture;

namespace {

void apply(FormFixture& f, const QByteArray& content)
{
    TxupLanguage::Apply(f.form.get(), f.writeFile(QStringLiteral("quorvan.lng"), content));
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test_support::applyLook(); }

    void captionOfAButton()
    {
        FormFixture f;
        apply(f, "[TRANSLATIONS]\r\nForm1.BSEND1.Caption=Odeslat\r\n");
        QCOMPARE(f.form->BSEND1->text(), QStringLiteral("Odeslat"));
    }

    void formPartIsCaseSensitiveTheRestIsNot()
    {
        FormFixture f;
        apply(f, "[translations]\nform1.BSEND1.Caption=A\nForm1.bsend1.caption=B\nForm1.BSTOR1.CAPTION=C\n");
        QCOMPARE(f.form->BSEND1->text(), QStringLiteral("B"));
        QCOMPARE(f.form->BSTOR1->text(), QStringLiteral("C"));
    }

    void unmarkedComponentsKeepTheirTexts()
    {
        FormFixture f;
        apply(f, "[TRANSLATIONS]\n"
                 "Form1.StatusBar1.Caption=X\n"
                 "Form1.PI.Hint=X\n"
                 "Form1.TSProgram.Caption=X\n"
                 "Form1.LTIME.Caption=X\n"
                 "Form1.BSETCT.Caption=X\n"
                 "Form1.LImageFile.Caption=X\n");
        QCOMPARE(f.form->StatusText(), QStringLiteral("Ready"));
        QCOMPARE(f.form->PI->toolTip(), QStringLiteral("Program Identification"));
        QCOMPARE(f.form->PageControl1->tabText(0), QStringLiteral("Program"));
        QCOMPARE(f.form->LTIME->text(), QStringLiteral("0:00"));
        QCOMPARE(f.form->BSETCT->text(), QStringLiteral("Start"));
        QCOMPARE(f.form->LImageFile->text(), QStringLiteral("(none)"));
    }

    void doubleTildeIsALineBreak()
    {
        FormFixture f;
        apply(f, "[TRANSLATIONS]\nForm1.BSEND1.Caption=Send~~now\nForm1.LDPS1B.Caption=a=b\n");
        QCOMPARE(f.form->BSEND1->text(), QStringLiteral("Send\nnow"));
        QCOMPARE(f.form->BSEND1->text().split(QLatin1Char('\n')).size(), 2);
        // A value may itself hold "=".
        QCOMPARE(f.form->LDPS1B->text(), QStringLiteral("a=b"));
    }

    // A group caption of two lines never reaches the group's first control:
    // below the frame's edge there is nothing but the controls.
    void twoLineGroupCaptionsStayOnTheEdge()
    {
        FormFixture f;
        const auto groups = f.form->findChildren<quorvan_widgets::FramedGroup*>();
        QVERIFY(groups.size() > 10);
        for (quorvan_widgets::FramedGroup* g : groups) {
            QVERIFY(TxupLanguage::SetTextProperty(g, QStringLiteral("Caption"),
                                                  QStringLiteral("Erste Zeile\nzweite Zeile")));
            QImage image(g->size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            g->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            const int line = QFontMetrics(g->font()).height();
            int ink = 0;
            for (int y = line; y < g->height() - 3; ++y)
                for (int x = 8; x < g->width() - 8; ++x)
                    ink += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
            QVERIFY2(ink == 0, qPrintable(g->objectName()));
        }
    }

    void pagesGroupsHintsAndTrayItems()
    {
        FormFixture f;
        apply(f, "[Other]\nForm1.BSTOR1.Caption=ignored\n"
                 "[TRANSLATIONS]\n"
                 "; a comment\n"
                 "Form1.TSDPS1.Caption=Dynamicke PS\n"
                 "Form1.TSTSO.Caption=Volby\n"
                 "Form1.GBID.Caption=Identifikace\n"
                 "Form1.RGDPS1M.Caption=Rezim\n"
                 "Form1.ColorBox1.Hint=Barva\n"
                 "Form1.Hide1.Caption=Skryt\n"
                 "Form1.CBRTEN.Caption=Zapnuto\n"
                 "Form1.CBRTEN.Caption=Zapnuto 2\n");
        QCOMPARE(f.form->BSTOR1->text(), QStringLiteral("Store"));
        QCOMPARE(f.form->PageControl1->tabText(1), QStringLiteral("Dynamicke PS"));
        QCOMPARE(f.form->PageControl2->tabText(2), QStringLiteral("Volby"));
        QCOMPARE(f.form->GBID->title(), QStringLiteral("Identifikace"));
        QCOMPARE(f.form->RGDPS1M->title(), QStringLiteral("Rezim"));
        QCOMPARE(f.form->ColorBox1->toolTip(), QStringLiteral("Barva"));
        QCOMPARE(f.form->Hide1->text(), QStringLiteral("Skryt"));
        QCOMPARE(f.form->CBRTEN->text(), QStringLiteral("Zapnuto 2")); // the later entry wins
    }

    void malformedKeysChangeNothing()
    {
        FormFixture f;
        const QString before = f.form->BSEND1->text();
        apply(f, "[TRANSLATIONS]\n"
                 "Form1.BSEND1=X\n"            // no property part
                 "Form1.BSEND1.Font.Name=X\n"  // a sub-property
                 "Form1.BSEND1.Name=X\n"       // not a text property
                 "Form1.NOSUCH.Caption=X\n"
                 "Form1..Caption=X\n"
                 "Form1.BSEND1.Caption\n"      // no "="
                 "=X\n"
                 "Quorvan.BSEND1.Caption=X\n");
        QCOMPARE(f.form->BSEND1->text(), before);
        QCOMPARE(f.form->BSEND1->objectName(), QStringLiteral("BSEND1"));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Quorvan"));
    }

    void missingFileChangesNothing()
    {
        FormFixture f;
        TxupLanguage::Apply(f.form.get(), f.dir.filePath(QStringLiteral("absent.lng")));
        QCOMPARE(f.form->BSEND1->text(), QStringLiteral("Send"));
    }

    // A FIFO in the language file's place holds no start-up waiting for a writer.
    void fifoIsNotWaitedFor()
    {
        FormFixture f;
        QCOMPARE(::mkfifo(QFile::encodeName(f.dir.filePath(QStringLiteral("quorvan.lng"))).constData(), 0600), 0);
        f.form->FormCreate();
        QCOMPARE(f.form->MExit->text(), QStringLiteral("Exit"));
    }

    void startUpReadsTheFileBesideTheProgram()
    {
        FormFixture f;
        f.writeFile(QStringLiteral("quorvan.lng"), "[TRANSLATIONS]\nForm1.MExit.Caption=Konec\n");
        f.form->FormCreate();
        QCOMPARE(f.form->MExit->text(), QStringLiteral("Konec"));
        // Texts the program sets at run time are not translated.
        QCOMPARE(f.form->StatusText(), QStringLiteral("Ready"));
    }

    void garbageNulBytesAndHugeLines()
    {
        FormFixture f;
        QByteArray content("[TRANSLATIONS]\n");
        content += QByteArray("Form1.BSTOR1.Caption=Ulo\0X\n", 27); // cut at the NUL
        content += "Form1.BREC1.Caption=" + QByteArray(TxupLanguage::kMaxLineBytes + 10, 'x') + "\n";
        std::mt19937 rng(7);
        for (int i = 0; i < 20000; ++i)
            content += char(rng() & 0xFF);
        content += "\n[TRANSLATIONS]\nForm1.MExit.Caption=Konec\n";
        apply(f, content);
        QCOMPARE(f.form->BSTOR1->text(), QStringLiteral("Ulo"));
        QCOMPARE(f.form->BREC1->text(), QStringLiteral("Receive"));
        QCOMPARE(f.form->MExit->text(), QStringLiteral("Konec"));
        QCOMPARE(f.form->PI->text(), QStringLiteral("FFFF"));
        QCOMPARE(f.form->StatusText(), QStringLiteral("Ready"));
    }

    void skinPictureTakesAHintButNoCaption()
    {
        FormFixture f;
        apply(f, "[TRANSLATIONS]\nForm1.LOGO.Caption=Text over the page\nForm1.LOGO.Hint=Obrazek\n");
        QVERIFY(f.form->LOGO->text().isEmpty());
        QCOMPARE(f.form->LOGO->toolTip(), QStringLiteral("Obrazek"));
    }

    void markedComponentsAreTheFixedWording()
    {
        // Pages but "Program", captioned groups, check boxes, radio groups and
        // buttons, the command and direct-control buttons, the descriptive
        // labels, the colour box, the skin picture and the tray menu items.
        QStringList expected{
            "TSDPS1", "TSRT", "TSSystem", "MPreferences", "TSTS", "MHelp", "TSTSD", "TSTSR", "TSTSO",
            "GBID", "GBTRAF", "GBPROG", "GBAF", "GBDI", "GBLP", "GBDL", "GBRTO", "GNCT", "GBUDG",
            "GBPHASE", "GBLOGB", "GBUTC", "GBSMT", "GBSET", "GBDS", "GBD1", "GBD1CUT", "GBD1PR",
            "GBR1", "GBR1CUT", "GBR1PR", "GBJUST", "GBFILL", "GBMO", "GBABOUT",
            "TP", "DPS1EN", "CBRTEN", "RTSA", "STMEN", "CBUDGEN", "ALONTOP", "CBHPRI", "CBBI", "CBSS",
            "CBD1FF", "CBD1SC", "CBR1FF", "CBR1SC", "CBRSN", "CBREIB", "CBCTC",
            "RGDPS1M", "RGDLD", "RGCS", "RGPLLR", "RBPTYC", "RGPORT", "RGD1L", "RGR1L",
            "RBJUST0", "RBJUST1", "RBJUST2", "RBFILSP", "RBFILCU",
            "BSEND1", "BSTOR1", "BREC1", "MExit", "BSETTA", "BRESET", "BSTAT", "BSWOFF", "BSWON",
            "BR1", "BR8", "BR9",
            "LPSDEF", "LPI", "LPTY", "LMS", "LDPS1", "LDPS1B", "LRTT", "LSPEC", "LCARR", "LGRTYP",
            "LLPTA", "LHOURS1", "LHOURS2", "LD1BE", "LD1EN", "LR1BE", "LR1EN", "LD1HINT", "LR1HINT",
            "LEXMP", "ColorBox1", "LOGO", "Show1", "Hide1", "Exit1",
            // "Text Sources" > "Network"
            "TSTSN", "GBRM", "GBRMST", "GBUECP", "CBRMEN", "LRMUDP", "LRMTCP", "LRMPORT0", "LRMADDR", "LRMALLOW",
            "LRMREF", "LUECPTCP", "LUECPUDP", "LUECPPORT0",
            // "Radiotext" > "RT+"
            "GBRTP", "CBRTPLUS", "LRTPPAT",
            // "Radiotext" > "Options"
            "CBRTAB",
            // "Extended" and its four pages
            "TSEXT", "TSEXS", "TSEXA", "TSEXE", "TSEXR", "LCTRY", "LECC", "LLANG", "LLIC", "LPIN", "LPTYN",
            "LLPS", "LERT", "CBERTRT", "RBAFMA", "RBAFMB", "LEONPI", "LEONPS", "LEONAF", "LEONPTY", "LEONTP",
            "LEONTA", "LGRPSEQ"};
        FormFixture f;
        QStringList marked;
        for (QObject* o : f.form->findChildren<QObject*>()) {
            if (quorvan_app::Tag(o) > 0)
                marked << o->objectName();
        }
        expected.sort();
        marked.sort();
        QCOMPARE(marked, expected);
    }

    void latin1ValuesKeepTheirCharacters()
    {
        FormFixture f;
        apply(f, "[TRANSLATIONS]\nForm1.BSEND1.Caption=Env\xedo\n");
        QCOMPARE(f.form->BSEND1->text(), QString::fromUtf8("Envío"));
    }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
