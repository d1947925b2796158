// The "System" page: clock display and clock time, user defined group,
// subcarrier phase and clock source, and the direct controls.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/key_filter.h"
#include "app/latin1.h"
#include "content/steps.h"
#include "content/user_group.h"
#include "encoder/direct_controls.h"

namespace quorvan_app {

using namespace build;

void TForm1::buildSystemPage()
{
    QWidget* page = TSSystem;
    GNCT = group(page, "GNCT", QStringLiteral("Time and Date"), 4, 2, 160, 96);
    auto clockLabel = [](QLabel* l, bool isBold) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, Qt::black);
        p.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(p);
        l->setAutoFillBackground(true);
        l->setAlignment(Qt::AlignCenter);
        QFont f = l->font();
        f.setPixelSize(16);
        f.setBold(isBold);
        l->setFont(f);
    };
    LTIME = label(GNCT, "LTIME", QStringLiteral("0:00"), 8, 18, 68, 24, 0);
    clockLabel(LTIME, true);
    LDATE = label(GNCT, "LDATE", QStringLiteral("0.00.00"), 80, 18, 72, 24, 0);
    clockLabel(LDATE, false);
    BSETCT = button(GNCT, "BSETCT", QStringLiteral("Start"), 8, 48, 60, 22, 0);
    LCT = label(GNCT, "LCT", QStringLiteral("CT"), 76, 51, 24, 16, 0);
    bold(LCT);
    LCT->hide();
    STMEN = check(GNCT, "STMEN", QStringLiteral("Summertime"), 8, 74, 140);

    GBUDG = group(page, "GBUDG", QStringLiteral("User Defined Group"), 168, 2, 317, 118);
    LGRTYP = label(GBUDG, "LGRTYP", QStringLiteral("Group type"), 8, 20, 62);
    QStringList types;
    for (int i = 0; i < quorvan::kGroupTypes; ++i)
        types << toQt(quorvan::GroupTypeName(i));
    CBGRTYP = dropDown(GBUDG, "CBGRTYP", types, 72, 18, 60);
    CBGRTYP->setMaxVisibleItems(16);
    CBUDGEN = check(GBUDG, "CBUDGEN", QStringLiteral("Enabled"), 150, 20, 100);
    static const char* const captionNames[] = {"LDB3", "LDB4", "LDB5", "LDB6", "LDB7"};
    static const char* const prefixNames[] = {"L0X3", "L0X4", "L0X5", "L0X6", "L0X7"};
    static const char* const byteNames[] = {"DB3", "DB4", "DB5", "DB6", "DB7"};
    static const char* const mirrorNames[] = {"DB3D", "DB4D", "DB5D", "DB6D", "DB7D"};
    for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
        const int x = 8 + i * 61;
        LDB[i] = label(GBUDG, captionNames[i], QStringLiteral("Byte %1").arg(i + 4), x + 14, 46, 44, 16, 0);
        L0X[i] = label(GBUDG, prefixNames[i], QStringLiteral("0x"), x, 66, 14, 16, 0);
        DB[i] = edit(GBUDG, byteNames[i], 2, x + 14, 64, 32);
        DB[i]->setText(QStringLiteral("00"));
        DBD[i] = edit(GBUDG, mirrorNames[i], 3, x + 14, 88, 32);
        DBD[i]->setText(QStringLiteral("0"));
        DBD[i]->setEnabled(false);
    }

    const quorvan::SteppedSpec& ph = quorvan::kSEPHASESpec;
    GBPHASE = group(page, "GBPHASE", QStringLiteral("Subcarrier Phase Shift"), 4, 102, 160, 48);
    SEPHASE = stepped(GBPHASE, "SEPHASE", ph.minSteps, ph.maxSteps, ph.step, ph.decimals, 0,
                      toQt(quorvan::PhaseUnitText()), 8, 19, 144);
    RGCS = radioGroup(page, "RGCS", QStringLiteral("Clock Source"),
                      {QStringLiteral("Internal (mono)"), QStringLiteral("Auto (stereo)")}, 1, 168,
                      124, 150, 56);
    RGCS->setItemIndex(0);
    RGPLLR = radioGroup(page, "RGPLLR", QStringLiteral("PLL Lock Range"),
                        {QStringLiteral("19000 +/- 5 Hz"), QStringLiteral("19000 +/- 2 Hz")}, 1, 322,
                        124, 163, 56);
    RGPLLR->setItemIndex(0);

    LSPEC = label(page, "LSPEC", QStringLiteral("Special:"), 8, 236, 46);
    BRESET = button(page, "BRESET", QStringLiteral("Reset"), 56, 232, 74);
    BSTAT = button(page, "BSTAT", QStringLiteral("Read Status"), 134, 232, 84);
    LCARR = label(page, "LCARR", QStringLiteral("Carrier:"), 246, 236, 46);
    BSWOFF = button(page, "BSWOFF", QStringLiteral("Switch Off"), 294, 232, 84);
    BSWON = button(page, "BSWON", QStringLiteral("Switch On"), 382, 232, 84);
}

void TForm1::connectSystemPage()
{
    for (int i = 0; i < quorvan::kUserGroupBytes; ++i)
        new ExitFilter(DB[i], [this, i] { DBExit(i); });
    connect(CBGRTYP, &QComboBox::currentIndexChanged, this, &TForm1::CBGRTYPChange);
    connect(RGCS, &RadioGroup::clicked, this, &TForm1::RGCSClick);
    connect(BSETCT, &QPushButton::clicked, this, &TForm1::BSETCTClick);
    connect(BRESET, &QPushButton::clicked, this, &TForm1::BRESETClick);
    connect(BSTAT, &QPushButton::clicked, this, &TForm1::BSTATClick);
    connect(BSWOFF, &QPushButton::clicked, this, &TForm1::BSWOFFClick);
    connect(BSWON, &QPushButton::clicked, this, &TForm1::BSWONClick);
}

void TForm1::DBExit(int index)
{
    const quorvan::UserGroupByte b =
        quorvan::NormaliseUserGroupByte(toBytes(DB[index]->text()), index == 0);
    const QString text = toQt(b.text);
    if (DB[index]->text() != text)
        DB[index]->setText(text);
    DBD[index]->setText(toQt(b.decimal));
}

void TForm1::DB3Exit() { DBExit(0); }
void TForm1::DB4Exit() { DBExit(1); }
void TForm1::DB5Exit() { DBExit(2); }
void TForm1::DB6Exit() { DBExit(3); }
void TForm1::DB7Exit() { DBExit(4); }

void TForm1::CBGRTYPChange()
{
    const bool enabled = quorvan::UserGroupUsesBytes5And6(CBGRTYP->currentIndex());
    DB[1]->setEnabled(enabled);
    DB[2]->setEnabled(enabled);
}

void TForm1::RGCSClick()
{
    const bool autoClock = !quorvan::UsesInternalClock(RGCS->itemIndex());
    SEPHASE->setEnabled(autoClock);
    RGPLLR->setEnabled(autoClock);
}

} // namespace quorvan_app
