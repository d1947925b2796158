// The "Text Sources" page: the dynamic PS and radiotext source files, the
// mode 0 justification and the text processing options.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/latin1.h"
#include "content/station_params.h"
#include "sources/text_processing.h"

#include <QDir>
#include <QFileInfo>
#include <QTabBar>
#include <QTabWidget>

namespace quorvan_app {

using namespace build;

void TForm1::buildTextSourcesPage()
{
    PageControl2 = named(new QTabWidget(TSTS), "PageControl2", 0);
    PageControl2->setGeometry(0, 2, 489, 259);
    PageControl2->setDocumentMode(true);
    // The sub-pages are chosen with flat buttons.
    PageControl2->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { border: 1px solid palette(mid); border-radius: 2px; padding: 2px 10px;"
        " margin: 1px 3px 3px 3px; background: palette(button); }"
        "QTabBar::tab:selected { background: palette(midlight); border-color: palette(dark);"
        " font-weight: bold; }"
        "QTabBar::tab:hover { border-color: palette(highlight); }"));
    auto addSubPage = [this](QWidget*& page, const char* name, const QString& caption) {
        page = named(new QWidget, name, 1);
        PageControl2->addTab(page, caption);
    };
    addSubPage(TSTSD, "TSTSD", QStringLiteral("Dynamic PS"));
    addSubPage(TSTSR, "TSTSR", QStringLiteral("Radiotext"));
    addSubPage(TSTSO, "TSTSO", QStringLiteral("Options"));
    addSubPage(TSTSN, "TSTSN", QStringLiteral("Network"));
    buildTextSourcePage(TSTSD, true);
    buildTextSourcePage(TSTSR, false);
    buildTextSourceOptionsPage();
    buildNetworkPage();
}

void TForm1::buildTextSourcePage(QWidget* page, bool dps)
{
    const QString hint = QStringLiteral("Choose a file or insert file name mask.");
    FramedGroup* source = group(page, dps ? "GBD1" : "GBR1",
                                dps ? QStringLiteral("Dynamic PS") : QStringLiteral("Radiotext"), 4, 4,
                                316, 110);
    QCheckBox* fromFile = check(source, dps ? "CBD1FF" : "CBR1FF", QStringLiteral("From file:"), 8, 18, 120);
    bold(fromFile);
    LimitedLineEdit* file = edit(source, dps ? "ED1F" : "ER1F", 0, 8, 38, 220);
    QPushButton* choose = button(source, dps ? "BR8" : "BR9", QStringLiteral("Choose..."), 232, 37, 76);
    QLabel* hintLabel = label(source, dps ? "LD1HINT" : "LR1HINT", hint, 8, 60, 300);
    hintLabel->setEnabled(false);
    QCheckBox* sendOnChange =
        check(source, dps ? "CBD1SC" : "CBR1SC", QStringLiteral("Send on change"), 8, 84, 160);
    sendOnChange->setChecked(true);

    RadioGroup* readFrom = radioGroup(page, dps ? "RGD1L" : "RGR1L", QStringLiteral("Read from"),
                                      {QStringLiteral("First line"), QStringLiteral("Last line")}, 1,
                                      324, 4, 161, 56);
    readFrom->setItemIndex(1);
    FramedGroup* cut = group(page, dps ? "GBD1CUT" : "GBR1CUT", QStringLiteral("Cut characters from"),
                             324, 64, 161, 72);
    QLabel* beginLabel = label(cut, dps ? "LD1BE" : "LR1BE", QStringLiteral("Beginning"), 8, 21, 70);
    IntSpin* begin = intSpin(cut, dps ? "SED1BE" : "SER1BE", 0, quorvan::kCutMax, 0, 84, 18, 60);
    QLabel* endLabel = label(cut, dps ? "LD1EN" : "LR1EN", QStringLiteral("End"), 8, 45, 70);
    IntSpin* end = intSpin(cut, dps ? "SED1EN" : "SER1EN", 0, quorvan::kCutMax, 0, 84, 42, 60);
    FramedGroup* prefixGroup =
        group(page, dps ? "GBD1PR" : "GBR1PR", QStringLiteral("Prefix"), 4, 118, 316, 48);
    LimitedLineEdit* prefix = edit(prefixGroup, dps ? "ED1PR" : "ER1PR", 0, 8, 19, 300);

    if (dps) {
        GBD1 = source;
        CBD1FF = fromFile;
        ED1F = file;
        BR8 = choose;
        LD1HINT = hintLabel;
        CBD1SC = sendOnChange;
        RGD1L = readFrom;
        GBD1CUT = cut;
        LD1BE = beginLabel;
        SED1BE = begin;
        LD1EN = endLabel;
        SED1EN = end;
        GBD1PR = prefixGroup;
        ED1PR = prefix;
    } else {
        GBR1 = source;
        CBR1FF = fromFile;
        ER1F = file;
        BR9 = choose;
        LR1HINT = hintLabel;
        CBR1SC = sendOnChange;
        RGR1L = readFrom;
        GBR1CUT = cut;
        LR1BE = beginLabel;
        SER1BE = begin;
        LR1EN = endLabel;
        SER1EN = end;
        GBR1PR = prefixGroup;
        ER1PR = prefix;
    }
}

void TForm1::buildTextSourceOptionsPage()
{
    QWidget* page = TSTSO;
    GBJUST = group(page, "GBJUST", QStringLiteral("DPS Mode 0 Justification"), 4, 4, 164, 76);
    RBJUST0 = radio(GBJUST, "RBJUST0", QStringLiteral("(None)"), 8, 18, 140);
    RBJUST1 = radio(GBJUST, "RBJUST1", QStringLiteral("Left"), 8, 36, 140);
    RBJUST2 = radio(GBJUST, "RBJUST2", QStringLiteral("Center"), 8, 54, 140);
    RBJUST2->setChecked(true);
    GBFILL = group(page, "GBFILL", QStringLiteral("Fill with"), 4, 84, 164, 58);
    RBFILSP = radio(GBFILL, "RBFILSP", QStringLiteral("Space"), 8, 18, 140);
    RBFILSP->setChecked(true);
    RBFILCU = radio(GBFILL, "RBFILCU", QStringLiteral("Custom character:"), 8, 36, 118);
    ECUSCH = edit(GBFILL, "ECUSCH", 1, 128, 34, 26);
    ECUSCH->setText(QStringLiteral("*"));

    GBMO = group(page, "GBMO", QStringLiteral("Advanced"), 172, 4, 313, 126);
    CBRSN = check(GBMO, "CBRSN", QStringLiteral("Remove song numbering"), 8, 18, 290);
    CBREIB = check(GBMO, "CBREIB", QStringLiteral("Remove expletive information in brackets"), 8, 36, 290);
    CBCTC = check(GBMO, "CBCTC", QStringLiteral("Convert to CAPITALS"), 8, 54, 290);
    LEXMP = label(GBMO, "LEXMP", QStringLiteral("Example:"), 8, 78, 100);
    STEXMP = label(GBMO, "STEXMP", QString(), 8, 96, 297, 20, 0);
    STEXMP->setFrameShape(QFrame::StyledPanel);
    STEXMP->setFrameShadow(QFrame::Sunken);
}

void TForm1::connectTextSourcesPage()
{
    connect(CBD1FF, &QCheckBox::toggled, this, &TForm1::DPS1ENClick);
    connect(CBR1FF, &QCheckBox::toggled, this, &TForm1::RTSAClick);
    connect(BR8, &QPushButton::clicked, this, &TForm1::BR8Click);
    connect(BR9, &QPushButton::clicked, this, &TForm1::BR9Click);
    connect(CBRSN, &QCheckBox::toggled, this, &TForm1::GBMOClick);
    connect(CBREIB, &QCheckBox::toggled, this, &TForm1::GBMOClick);
    connect(CBCTC, &QCheckBox::toggled, this, &TForm1::GBMOClick);
    // One of each group is chosen by the operator; the settings file may leave none.
    const auto exclusive = [this](std::initializer_list<QRadioButton*> buttons) {
        const std::vector<QRadioButton*> group(buttons);
        for (QRadioButton* b : group) {
            connect(b, &QRadioButton::clicked, this, [group, b] {
                for (QRadioButton* other : group)
                    other->setChecked(other == b);
            });
        }
    };
    exclusive({RBJUST0, RBJUST1, RBJUST2});
    exclusive({RBFILSP, RBFILCU});
    connectNetworkPage();
}

void TForm1::GBMOClick()
{
    quorvan::TextProcessingOptions o;
    o.CBRSN = CBRSN->isChecked();
    o.CBREIB = CBREIB->isChecked();
    o.CBCTC = CBCTC->isChecked();
    STEXMP->setText(toQt(quorvan::SourceTextExample(o)));
}

void TForm1::BR8Click()
{
    const QString path = ChooseFile(QStringLiteral("Open"), QStringLiteral("All files (*)"), false);
    if (!path.isEmpty())
        ED1F->setText(FileNameText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
}

void TForm1::BR9Click()
{
    const QString path = ChooseFile(QStringLiteral("Open"), QStringLiteral("All files (*)"), false);
    if (!path.isEmpty())
        ER1F->setText(FileNameText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
}

} // namespace quorvan_app
