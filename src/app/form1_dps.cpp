// The "Dynamic PS" page: the dynamic PS switch, mode, timing and texts.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/key_filter.h"
#include "app/latin1.h"
#include "content/dynamic_ps.h"
#include "content/steps.h"

namespace quorvan_app {

using namespace build;

void TForm1::buildDPSPage()
{
    QWidget* page = TSDPS1;
    DPS1EN = check(page, "DPS1EN", QStringLiteral("Enabled"), 8, 4, 120);
    bold(DPS1EN);
    RGDPS1M = radioGroup(page, "RGDPS1M", QStringLiteral("Mode"),
                         {QStringLiteral("0 - Fixed 8 characters"), QStringLiteral("1 - Scrolling text"),
                          QStringLiteral("2 - Word alignment"),
                          QStringLiteral("3 - Space separated scrolling text")},
                         1, 4, 24, 240, 88);
    RGDPS1M->setItemIndex(2);
    RGDLD = radioGroup(page, "RGDLD", QStringLiteral("Scrolling PS Speed"),
                       {QStringLiteral("High"), QStringLiteral("Low")}, 2, 4, 114, 240, 38);
    RGDLD->setItemIndex(1);

    const quorvan::SteppedSpec& lp = quorvan::kSEDPSLPSpec;
    GBLP = group(page, "GBLP", QStringLiteral("Label Period"), 4, 154, 98, 46);
    SEDPSLP = stepped(GBLP, "SEDPSLP", lp.minSteps, lp.maxSteps, lp.step, lp.decimals, 5,
                      toQt(quorvan::LabelPeriodUnitText()), 8, 18, 82);
    const quorvan::SteppedSpec& dl = quorvan::kSEDPS1DLSpec;
    GBDL = group(page, "GBDL", QStringLiteral("Delay between text loops"), 106, 154, 138, 46);
    SEDPS1DL = stepped(GBDL, "SEDPS1DL", dl.minSteps, dl.maxSteps, dl.step, dl.decimals, 8,
                       toQt(quorvan::DelayUnitText(8)), 8, 18, 122);

    LDPS1 = label(page, "LDPS1", QStringLiteral("Mode 0:"), 256, 6, 100);
    DPS1 = named(new TextGrid(quorvan::kDPS1Rows, int(quorvan::kDPSLabelLength), page), "DPS1", 0);
    DPS1->setGeometry(256, 22, 96, 9 * TextGrid::kRowHeight + 4);
    LDPS1B = label(page, "LDPS1B", QStringLiteral("Mode 1, 2, 3 or From file:"), 8, 206, 220);
    DPS1B = edit(page, "DPS1B", int(quorvan::kDPSMaxLength), 4, 222, 481);
    infoBackground(DPS1B);
}

void TForm1::connectDPSPage()
{
    for (int r = 0; r < DPS1->rowCount(); ++r) {
        new KeyPressFilter(DPS1->row(r), [this, r](char& key) {
            DPS1->noteCurrentRow(r);
            DPS1KeyPress(key);
        });
    }
    connect(RGDPS1M, &RadioGroup::clicked, this, &TForm1::RGDPS1MClick);
    connect(DPS1EN, &QCheckBox::toggled, this, &TForm1::DPS1ENClick);
    connect(SEDPS1DL, &SteppedSpin::changed, this, &TForm1::SEDPS1DLChange);
}

void TForm1::DPS1KeyPress(char& key)
{
    const int row = DPS1->currentRow();
    const quorvan::DPS1KeyResult r = quorvan::KeyInDpsRow(key, row, textToBytes(DPS1->text(row), StationCharset()));
    if (!r.accepted)
        key = 0;
    if (r.row != row)
        DPS1->setCurrentRow(r.row);
}

void TForm1::RGDPS1MClick()
{
    ShowDPSFields(quorvan::DpsFieldsForMode(RGDPS1M->itemIndex()));
}

void TForm1::ShowDPSFields(const quorvan::DPSEnabledState& s)
{
    LDPS1->setEnabled(s.rows);
    DPS1->setEnabled(s.rows);
    LDPS1B->setEnabled(s.text);
    DPS1B->setEnabled(s.text);
}

void TForm1::DPS1ENClick()
{
    const quorvan::DPSEnabledState s = quorvan::DpsFieldsForSource(DPS1EN->isChecked(), CBD1FF->isChecked());
    DPS1->setEnabled(s.rows);
    DPS1B->setEnabled(s.text);
}

void TForm1::SEDPS1DLChange()
{
    SEDPS1DL->setUnit(toQt(quorvan::DelayUnitText(SEDPS1DL->steps())));
}

bool TForm1::DPSTextFromRows() const
{
    return !LDPS1B->isEnabled();
}

} // namespace quorvan_app
