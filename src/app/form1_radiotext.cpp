// The "Radiotext" page: four radiotexts, which one is current, their A/B
// types, the automatic switching and the RT+ tags.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/latin1.h"
#include "content/radiotext.h"
#include "content/rtplus.h"
#include "content/steps.h"

#include <QTimer>

namespace quorvan_app {

using namespace build;

void TForm1::buildRadiotextPage()
{
    QWidget* page = TSRT;
    CBRTEN = check(page, "CBRTEN", QStringLiteral("Enabled"), 8, 4, 120);
    bold(CBRTEN);
    LRTT = label(page, "LRTT", QStringLiteral("Type"), 436, 24, 44);
    static const char* const radioNames[] = {"RBRT1", "RBRT2", "RBRT3", "RBRT4"};
    static const char* const textNames[] = {"RT1", "RT2", "RT3", "RT4"};
    static const char* const typeNames[] = {"CBRTT1", "CBRTT2", "CBRTT3", "CBRTT4"};
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        const int y = 42 + i * 26;
        RBRT[i] = radio(page, radioNames[i], QString(), 8, y + 2, 18, 17, 0);
        RT[i] = edit(page, textNames[i], int(quorvan::kRadiotextLength), 28, y, 402);
        CBRTT[i] = dropDown(page, typeNames[i], {QStringLiteral("A"), QStringLiteral("B")}, 436, y, 44);
    }
    RBRT[0]->setChecked(true);
    infoBackground(RT[0]);

    GBRTO = group(page, "GBRTO", QStringLiteral("Options"), 4, 154, 236, 72);
    RTSA = check(GBRTO, "RTSA", QStringLiteral("Send next after:"), 8, 20, 110);
    const quorvan::SteppedSpec& sw = quorvan::kSERTSWSpec;
    SERTSW = stepped(GBRTO, "SERTSW", sw.minSteps, sw.maxSteps, sw.step, sw.decimals, 5,
                     toQt(quorvan::RadiotextSwitchUnitText(5)), 120, 18, 104);
    CBRTAB = check(GBRTO, "CBRTAB", QStringLiteral("New text toggles A/B"), 8, 44, 220);
    CBRTAB->setChecked(true);  // as in a new settings file
    CBRTAB->setToolTip(QStringLiteral("Receivers clear their radiotext display when the A/B flag changes: a new "
                                      "radiotext that differs from the one on air takes the other flag."));

    GBRTP = group(page, "GBRTP", QStringLiteral("RT+"), 244, 154, 236, 104);
    CBRTPLUS = check(GBRTP, "CBRTPLUS", QStringLiteral("Artist and title"), 8, 20, 104);
    LRTPPAT = label(GBRTP, "LRTPPAT", QStringLiteral("Pattern:"), 114, 20, 42);
    ERTPPAT = edit(GBRTP, "ERTPPAT", int(quorvan::kRadiotextLength), 158, 18, 70);
    ERTPPAT->setText(QStringLiteral("%a - %t"));
    ERTPPAT->setToolTip(QStringLiteral("%a the artist, %t the title, e.g. \"%a - %t\" or \"%t / %a\""));
    LRTPPV = label(GBRTP, "LRTPPV", QString(), 8, 42, 220, 34, 0);
    LRTPPV->setTextFormat(Qt::PlainText);
    LRTPPV->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LRTPNOTE = label(GBRTP, "LRTPNOTE", QString(), 8, 80, 220, 16, 0);
}

void TForm1::connectRadiotextPage()
{
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        // Exactly one current radiotext when the operator picks one.
        connect(RBRT[i], &QRadioButton::clicked, this, [this, i] {
            for (int j = 0; j < quorvan::kRadiotexts; ++j)
                RBRT[j]->setChecked(j == i);
        });
    }
    connect(CBRTEN, &QCheckBox::toggled, this, &TForm1::RTSAClick);
    connect(RTSA, &QCheckBox::toggled, this, &TForm1::RTSAClick);
    connect(SERTSW, &SteppedSpin::changed, this, &TForm1::SERTSWChange);
    connect(CBRTPLUS, &QCheckBox::toggled, this, &TForm1::RTPlusPreview);
    connect(ERTPPAT, &QLineEdit::textChanged, this, &TForm1::RTPlusPreview);
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        connect(RT[i], &QLineEdit::textChanged, this, &TForm1::RTPlusPreview);
        connect(RBRT[i], &QRadioButton::toggled, this, &TForm1::RTPlusPreview);
    }
    connect(ER1PR, &QLineEdit::textChanged, this, &TForm1::RTPlusPreview);
}

// The tags the current radiotext gets, as a receiver would show them, and
// whether they can go out at all on this port.
void TForm1::RTPlusPreview()
{
    const quorvan::TStationParams p = ReadStationParams();
    const quorvan::Charset cs = quorvan::CharsetFromInt(p.preferences.CBCHARSET);
    ERTPPAT->setEnabled(p.radiotext.RTPlus);
    LRTPPAT->setEnabled(p.radiotext.RTPlus);
    const std::string text = quorvan::ActualRT(p);
    QString preview;
    if (!p.radiotext.RTPlus) {
        preview = QStringLiteral("Off");
    } else if (!quorvan::rtplus::ParsePattern(p.radiotext.RTPlusPattern)) {
        preview = QStringLiteral("The pattern needs %a and %t\nwith text between them");
    } else {
        const quorvan::rtplus::Tags tags = quorvan::rtplus::TagsFor(p, text);
        if (!tags.running) {
            preview = QStringLiteral("No match: no item running");
        } else {
            QStringList parts;
            for (const quorvan::rtplus::Tag& t : {tags.first, tags.second})
                if (t.type != quorvan::rtplus::kDummy)
                    parts << QStringLiteral("%1 \"%2\" (%3+%4)")
                                 .arg(t.type == quorvan::rtplus::kItemArtist ? QStringLiteral("Artist")
                                                                             : QStringLiteral("Title"),
                                      textToQt(quorvan::rtplus::TagText(text, t), cs))
                                 .arg(t.start)
                                 .arg(t.length);
            preview = parts.join(QLatin1Char('\n'));
        }
    }
    LRTPPV->setText(preview);
    LRTPNOTE->setText(Link().Extension != nullptr ? QStringLiteral("Sent by the virtual encoder")
                                                : QStringLiteral("Goes out only from the virtual encoder"));
}

void TForm1::RTSAClick()
{
    quorvan::TStationParams p;
    p.radiotext.RTSA = RTSA->isChecked();
    p.radiotext.CBRTEN = CBRTEN->isChecked();
    const bool run = quorvan::RadiotextSwitchingRuns(p);
    if (run && !Timer2->isActive())
        Timer2->start();
    else if (!run && Timer2->isActive())
        Timer2->stop();
}

void TForm1::SERTSWChange()
{
    const int minutes = SERTSW->steps();
    SERTSW->setUnit(toQt(quorvan::RadiotextSwitchUnitText(minutes)));
    // A new period starts a new full period, also on a running timer.
    Timer2->setInterval(quorvan::RadiotextSwitchPeriodMs(minutes));
}

} // namespace quorvan_app
