// The station values between the controls and TStationParams.
#include "app/form1.h"

#include "app/form_engine.h"
#include "app/latin1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <algorithm>

namespace quorvan_app {

namespace {

std::string bytes(const QLineEdit* e)
{
    return toBytes(e->text());
}

void setText(QLineEdit* e, const std::string& value)
{
    const QString text = toQt(value);
    if (e->text() != text)
        e->setText(text);
}

// Station texts: the encoder's bytes in the station's character set.
std::string stationBytes(const QLineEdit* e, quorvan::Charset cs)
{
    return textToBytes(e->text(), cs);
}

void setStationText(QLineEdit* e, const std::string& value, quorvan::Charset cs)
{
    const QString text = textToQt(value, cs);
    if (e->text() != text)
        e->setText(text);
}

void setChecked(QAbstractButton* b, bool on)
{
    if (b->isChecked() != on)
        b->setChecked(on);
}

// A choice outside the list leaves the control as it is.
void setIndex(QComboBox* c, int index)
{
    if (index >= 0 && index < c->count() && c->currentIndex() != index)
        c->setCurrentIndex(index);
}

void setIndex(RadioGroup* g, int index)
{
    if (index >= 0 && index < g->count())
        g->setItemIndex(index);
}

} // namespace

std::vector<StationBinding> TForm1::StationBindings(quorvan::TStationParams& p) const
{
    using K = StationBinding::Kind;
    std::vector<StationBinding> t;
    const auto add = [&t](K kind, QObject* widget, auto* field, int row = 0) {
        t.push_back(StationBinding{kind, widget, field, row});
    };
    const auto choice = [&t](QObject* widget, StationBinding::Choice c) {
        t.push_back(StationBinding{K::Choice, widget, c});
    };
    // The order of the settings file's load, so that the handlers that
    // changes run see the values they depend on (the PTY coding before the
    // PTY, the port options before the port).
    add(K::Check, CBRTAB, &p.radiotext.ToggleAB);
    add(K::Check, STMEN, &p.system.STMEN);
    add(K::Check, CBHPRI, &p.preferences.CBHPRI);
    add(K::Check, CBSS, &p.preferences.CBSS);
    add(K::Bytes, ELPTA, &p.preferences.ELPTA);
    add(K::Group, RGPORT, &p.preferences.RGPORT);
    add(K::Caption, LImageFile, &p.preferences.LImageFile);
    add(K::Value, SEUTCO, &p.preferences.SEUTCO);
    add(K::Value, SESMTO, &p.preferences.SESMTO);

    add(K::Steps, SEPHASE, &p.system.SEPHASE);
    add(K::Group, RGCS, &p.system.RGCS);
    add(K::Group, RGPLLR, &p.system.RGPLLR);

    add(K::Index, ColorBox1, &p.preferences.ColorBox1);
    add(K::Group, RBPTYC, &p.preferences.RBPTYC);
    add(K::Check, CBBI, &p.preferences.CBBI);

    const std::size_t identification = t.size();
    add(K::StationText, PSDEF, &p.program.PSDEF);
    add(K::Bytes, PI, &p.program.PI);
    add(K::Check, TP, &p.program.TP);
    add(K::Index, PTY, &p.program.PTY);
    add(K::Index, MS, &p.program.MS);
    for (int i = 0; i < 4; ++i)
        add(K::ListCheck, DI, &p.program.DI[size_t(i)], i);
    for (int r = 0; r < quorvan::kAFRows; ++r)
        add(K::TableCell, SGAF, &p.program.SGAF[size_t(r)], r);
    for (std::size_t i = identification; i < t.size(); ++i)
        t[i].identification = true;
    add(K::Steps, SEDPSLP, &p.dynamicPs.SEDPSLP);

    for (int r = 0; r < quorvan::kDPS1Rows; ++r)
        add(K::GridRow, DPS1, &p.dynamicPs.DPS1[size_t(r)], r);
    add(K::StationText, DPS1B, &p.dynamicPs.DPS1B);
    add(K::Check, DPS1EN, &p.dynamicPs.DPS1EN);
    add(K::Steps, SEDPS1DL, &p.dynamicPs.SEDPS1DL);
    add(K::Group, RGDPS1M, &p.dynamicPs.RGDPS1M);
    add(K::Check, CBD1FF, &p.textSources.CBD1FF);
    add(K::Check, CBD1SC, &p.textSources.CBD1SC);
    add(K::Bytes, ED1F, &p.textSources.ED1F);
    add(K::Group, RGD1L, &p.textSources.RGD1L);
    add(K::Value, SED1BE, &p.textSources.SED1BE);
    add(K::Value, SED1EN, &p.textSources.SED1EN);
    add(K::StationText, ED1PR, &p.textSources.ED1PR);

    add(K::Check, CBUDGEN, &p.system.CBUDGEN);
    add(K::Index, CBGRTYP, &p.system.CBGRTYP);
    for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
        add(K::Bytes, DB[i], &p.db(i));
        add(K::Bytes, DBD[i], &p.dbd(i));
    }

    add(K::Check, CBRTEN, &p.radiotext.CBRTEN);
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        add(K::StationText, RT[i], &p.rt(i));
        choice(RBRT[i], StationBinding::Choice::of(p.radiotext.selected,
                                                   static_cast<quorvan::RadiotextSelection>(i + 1),
                                                   quorvan::RadiotextSelection::None));
    }
    for (int i = 0; i < quorvan::kRadiotexts; ++i)
        add(K::Index, CBRTT[i], &p.rtType(i));
    add(K::Check, RTSA, &p.radiotext.RTSA);
    add(K::Steps, SERTSW, &p.radiotext.SERTSW);
    add(K::Check, CBRTPLUS, &p.radiotext.RTPlus);
    add(K::StationText, ERTPPAT, &p.radiotext.RTPlusPattern);
    add(K::Check, CBR1FF, &p.textSources.CBR1FF);
    add(K::Check, CBR1SC, &p.textSources.CBR1SC);
    add(K::Bytes, ER1F, &p.textSources.ER1F);
    add(K::Group, RGR1L, &p.textSources.RGR1L);
    add(K::Value, SER1BE, &p.textSources.SER1BE);
    add(K::Value, SER1EN, &p.textSources.SER1EN);
    add(K::StationText, ER1PR, &p.textSources.ER1PR);

    add(K::Group, RGDLD, &p.dynamicPs.RGDLD);
    add(K::Check, CBRSN, &p.textSources.CBRSN);
    add(K::Check, CBREIB, &p.textSources.CBREIB);
    add(K::Check, CBCTC, &p.textSources.CBCTC);
    using quorvan::Justification;
    Justification& justification = p.textSources.justification;
    choice(RBJUST0, StationBinding::Choice::of(justification, Justification::None, Justification::Unset));
    choice(RBJUST1, StationBinding::Choice::of(justification, Justification::Left, Justification::Unset));
    choice(RBJUST2, StationBinding::Choice::of(justification, Justification::Center, Justification::Unset));
    using quorvan::Fill;
    choice(RBFILSP, StationBinding::Choice::of(p.textSources.fill, Fill::Space, Fill::Unset));
    choice(RBFILCU, StationBinding::Choice::of(p.textSources.fill, Fill::Custom, Fill::Unset));
    add(K::StationText, ECUSCH, &p.textSources.ECUSCH);

    add(K::Check, ALONTOP, &p.preferences.ALONTOP);
    AddExtendedBindings(t, p.extended);
    return t;
}

namespace {

void ReadBinding(const StationBinding& b, quorvan::Charset cs)
{
    using K = StationBinding::Kind;
    std::string* text = std::holds_alternative<std::string*>(b.field) ? std::get<std::string*>(b.field) : nullptr;
    int* number = std::holds_alternative<int*>(b.field) ? std::get<int*>(b.field) : nullptr;
    bool* flag = std::holds_alternative<bool*>(b.field) ? std::get<bool*>(b.field) : nullptr;
    switch (b.kind) {
    case K::Bytes:
        *text = bytes(static_cast<QLineEdit*>(b.widget));
        break;
    case K::StationText:
        *text = stationBytes(static_cast<QLineEdit*>(b.widget), cs);
        break;
    case K::Check:
        *flag = static_cast<QAbstractButton*>(b.widget)->isChecked();
        break;
    case K::Index:
        *number = static_cast<QComboBox*>(b.widget)->currentIndex();
        break;
    case K::Group:
        *number = static_cast<RadioGroup*>(b.widget)->itemIndex();
        break;
    case K::Steps:
        *number = static_cast<SteppedSpin*>(b.widget)->steps();
        break;
    case K::Value:
        *number = static_cast<IntSpin*>(b.widget)->value();
        break;
    case K::Caption:
        *text = toBytes(static_cast<QLabel*>(b.widget)->text());
        break;
    case K::GridRow:
        *text = textToBytes(static_cast<TextGrid*>(b.widget)->text(b.row), cs);
        break;
    case K::TableCell:
        *text = toBytes(static_cast<QTableWidget*>(b.widget)->item(b.row, 1)->text());
        break;
    case K::ListCheck:
        *flag = static_cast<QListWidget*>(b.widget)->item(b.row)->checkState() == Qt::Checked;
        break;
    case K::Choice:
        std::get<StationBinding::Choice>(b.field).setOn(static_cast<QAbstractButton*>(b.widget)->isChecked());
        break;
    case K::Converted: {
        // A text the field refuses leaves the value the field last took (the
        // field's exit handler also puts that text back).
        const StationBinding::Converted& c = std::get<StationBinding::Converted>(b.field);
        auto* e = static_cast<QLineEdit*>(b.widget);
        if (!c.parse(c.field, b.row, e->text().toStdString()).ok)
            c.parse(c.field, b.row, e->property("accepted").toString().toStdString());
        break;
    }
    }
}

} // namespace

void TForm1::WriteBinding(const StationBinding& b, quorvan::Charset cs)
{
    using K = StationBinding::Kind;
    const auto text = [&b]() -> const std::string& { return *std::get<std::string*>(b.field); };
    const auto number = [&b] { return *std::get<int*>(b.field); };
    const auto flag = [&b] { return *std::get<bool*>(b.field); };
    switch (b.kind) {
    case K::Bytes:
        setText(static_cast<QLineEdit*>(b.widget), text());
        break;
    case K::StationText:
        setStationText(static_cast<QLineEdit*>(b.widget), text(), cs);
        break;
    case K::Check:
        setChecked(static_cast<QAbstractButton*>(b.widget), flag());
        break;
    case K::Index:
        setIndex(static_cast<QComboBox*>(b.widget), number());
        break;
    case K::Group:
        setIndex(static_cast<RadioGroup*>(b.widget), number());
        break;
    case K::Steps:
        static_cast<SteppedSpin*>(b.widget)->setSteps(number());
        break;
    case K::Value:
        static_cast<IntSpin*>(b.widget)->setValue(number());
        break;
    case K::Caption:
        static_cast<QLabel*>(b.widget)->setText(toQt(text()));
        break;
    case K::GridRow:
        static_cast<TextGrid*>(b.widget)->setText(b.row, textToQt(text(), cs));
        break;
    case K::TableCell:
        static_cast<QTableWidget*>(b.widget)->item(b.row, 1)->setText(toQt(text()));
        break;
    case K::ListCheck:
        static_cast<QListWidget*>(b.widget)->item(b.row)->setCheckState(flag() ? Qt::Checked : Qt::Unchecked);
        break;
    case K::Choice:
        setChecked(static_cast<QAbstractButton*>(b.widget), std::get<StationBinding::Choice>(b.field).on());
        break;
    case K::Converted: {
        const StationBinding::Converted& c = std::get<StationBinding::Converted>(b.field);
        auto* e = static_cast<QLineEdit*>(b.widget);
        const QString text = QString::fromStdString(c.format(c.field, b.row));
        if (e->text() != text)
            e->setText(text);
        AcceptExtendedText(e);
        break;
    }
    }
}

quorvan::TStationParams TForm1::ReadStationParams() const
{
    quorvan::TStationParams p;
    const quorvan::Charset cs = StationCharset();
    p.preferences.CBCHARSET = static_cast<int>(cs);
    for (const StationBinding& b : StationBindings(p))
        ReadBinding(b, cs);
    p.program.TA = TA->checkState() == Qt::Checked; // "unknown" sends no announcement
    p.radiotext.RTPlusExplicitSet = rtPlusNetwork_.set;
    p.radiotext.RTPlusExplicit = rtPlusNetwork_.tags;
    p.radiotext.RTPlusExplicitText = rtPlusNetwork_.text;
    p.radiotext.RTPlusArtist = rtPlusNetwork_.artist;
    p.system.CTRunning = BSETCT->text() != QLatin1String("Start");
    return p;
}

void TForm1::WriteStationParams(const quorvan::TStationParams& params)
{
    const quorvan::Charset cs = quorvan::CharsetFromInt(params.preferences.CBCHARSET);
    setIndex(CBCHARSET, params.preferences.CBCHARSET);
    quorvan::TStationParams p = params; // the table binds fields it may write through
    for (const StationBinding& b : StationBindings(p))
        WriteBinding(b, cs);
    rtPlusNetwork_ = {p.radiotext.RTPlusExplicitSet, p.radiotext.RTPlusExplicit, p.radiotext.RTPlusExplicitText, p.radiotext.RTPlusArtist};
    // An unknown TA stays unknown until something switches it on.
    if (p.program.TA || TA->checkState() == Qt::Checked)
        ShowEncoderTA(p.program.TA);
}

void TForm1::WriteIdentification(const quorvan::TStationParams& params, quorvan::Charset cs)
{
    quorvan::TStationParams p = params;
    for (const StationBinding& b : StationBindings(p))
        if (b.identification)
            WriteBinding(b, cs);
}

void TForm1::WriteReceivedRuns(const quorvan::TStationParams& params, int runs)
{
    // The texts are the encoder's codes in the station's character set, as
    // after a whole Receive.
    const quorvan::Charset cs = quorvan::CharsetFromInt(params.preferences.CBCHARSET);
    if (runs >= 1) {
        WriteIdentification(params, cs);
        ShowEncoderTA(params.program.TA); // read from the encoder: known
    }
    if (runs >= 2) {
        // The second run: the user defined group with its mirrors, and
        // radiotext 1 with its type.
        quorvan::TStationParams p = params;
        std::vector<const void*> second{&p.system.CBUDGEN, &p.system.CBGRTYP, &p.radiotext.CBRTEN, &p.rt(0), &p.rtType(0)};
        for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
            second.push_back(&p.db(i));
            second.push_back(&p.dbd(i));
        }
        for (const StationBinding& b : StationBindings(p))
            if (std::find(second.begin(), second.end(), b.address()) != second.end())
                WriteBinding(b, cs);
    }
}

} // namespace quorvan_app
