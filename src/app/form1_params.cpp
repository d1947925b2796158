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
    // The order of the settings file's load, so that the handlers that
    // changes run see the values they depend on (the PTY coding before the
    // PTY, the port options before the port).
    add(K::Check, CBRTAB, &p.ToggleAB);
    add(K::Check, STMEN, &p.STMEN);
    add(K::Check, CBHPRI, &p.CBHPRI);
    add(K::Check, CBSS, &p.CBSS);
    add(K::Bytes, ELPTA, &p.ELPTA);
    add(K::Group, RGPORT, &p.RGPORT);
    add(K::Caption, LImageFile, &p.LImageFile);
    add(K::Value, SEUTCO, &p.SEUTCO);
    add(K::Value, SESMTO, &p.SESMTO);

    add(K::Steps, SEPHASE, &p.SEPHASE);
    add(K::Group, RGCS, &p.RGCS);
    add(K::Group, RGPLLR, &p.RGPLLR);

    add(K::Index, ColorBox1, &p.ColorBox1);
    add(K::Group, RBPTYC, &p.RBPTYC);
    add(K::Check, CBBI, &p.CBBI);

    const std::size_t identification = t.size();
    add(K::StationText, PSDEF, &p.PSDEF);
    add(K::Bytes, PI, &p.PI);
    add(K::Check, TP, &p.TP);
    add(K::Index, PTY, &p.PTY);
    add(K::Index, MS, &p.MS);
    for (int i = 0; i < 4; ++i)
        add(K::ListCheck, DI, &p.DI[size_t(i)], i);
    for (int r = 0; r < quorvan::kAFRows; ++r)
        add(K::TableCell, SGAF, &p.SGAF[size_t(r)], r);
    for (std::size_t i = identification; i < t.size(); ++i)
        t[i].identification = true;
    add(K::Steps, SEDPSLP, &p.SEDPSLP);

    for (int r = 0; r < quorvan::kDPS1Rows; ++r)
        add(K::GridRow, DPS1, &p.DPS1[size_t(r)], r);
    add(K::StationText, DPS1B, &p.DPS1B);
    add(K::Check, DPS1EN, &p.DPS1EN);
    add(K::Steps, SEDPS1DL, &p.SEDPS1DL);
    add(K::Group, RGDPS1M, &p.RGDPS1M);
    add(K::Check, CBD1FF, &p.CBD1FF);
    add(K::Check, CBD1SC, &p.CBD1SC);
    add(K::Bytes, ED1F, &p.ED1F);
    add(K::Group, RGD1L, &p.RGD1L);
    add(K::Value, SED1BE, &p.SED1BE);
    add(K::Value, SED1EN, &p.SED1EN);
    add(K::StationText, ED1PR, &p.ED1PR);

    add(K::Check, CBUDGEN, &p.CBUDGEN);
    add(K::Index, CBGRTYP, &p.CBGRTYP);
    for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
        add(K::Bytes, DB[i], &p.db(i));
        add(K::Bytes, DBD[i], &p.dbd(i));
    }

    add(K::Check, CBRTEN, &p.CBRTEN);
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        add(K::StationText, RT[i], &p.rt(i));
        add(K::Check, RBRT[i], &p.rbrt(i));
    }
    for (int i = 0; i < quorvan::kRadiotexts; ++i)
        add(K::Index, CBRTT[i], &p.rtType(i));
    add(K::Check, RTSA, &p.RTSA);
    add(K::Steps, SERTSW, &p.SERTSW);
    add(K::Check, CBRTPLUS, &p.RTPlus);
    add(K::StationText, ERTPPAT, &p.RTPlusPattern);
    add(K::Check, CBR1FF, &p.CBR1FF);
    add(K::Check, CBR1SC, &p.CBR1SC);
    add(K::Bytes, ER1F, &p.ER1F);
    add(K::Group, RGR1L, &p.RGR1L);
    add(K::Value, SER1BE, &p.SER1BE);
    add(K::Value, SER1EN, &p.SER1EN);
    add(K::StationText, ER1PR, &p.ER1PR);

    add(K::Group, RGDLD, &p.RGDLD);
    add(K::Check, CBRSN, &p.CBRSN);
    add(K::Check, CBREIB, &p.CBREIB);
    add(K::Check, CBCTC, &p.CBCTC);
    add(K::Check, RBJUST0, &p.RBJUST0);
    add(K::Check, RBJUST1, &p.RBJUST1);
    add(K::Check, RBJUST2, &p.RBJUST2);
    add(K::Check, RBFILSP, &p.RBFILSP);
    add(K::Check, RBFILCU, &p.RBFILCU);
    add(K::StationText, ECUSCH, &p.ECUSCH);

    add(K::Check, ALONTOP, &p.ALONTOP);
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
    }
}

quorvan::TStationParams TForm1::ReadStationParams() const
{
    quorvan::TStationParams p;
    const quorvan::Charset cs = StationCharset();
    p.CBCHARSET = static_cast<int>(cs);
    for (const StationBinding& b : StationBindings(p))
        ReadBinding(b, cs);
    p.TA = TA->checkState() == Qt::Checked; // "unknown" sends no announcement
    p.RTPlusExplicitSet = rtPlusNetwork_.set;
    p.RTPlusExplicit = rtPlusNetwork_.tags;
    p.RTPlusExplicitText = rtPlusNetwork_.text;
    p.RTPlusArtist = rtPlusNetwork_.artist;
    p.CTRunning = BSETCT->text() != QLatin1String("Start");
    return p;
}

void TForm1::WriteStationParams(const quorvan::TStationParams& params)
{
    const quorvan::Charset cs = quorvan::CharsetFromInt(params.CBCHARSET);
    setIndex(CBCHARSET, params.CBCHARSET);
    quorvan::TStationParams p = params; // the table binds fields it may write through
    for (const StationBinding& b : StationBindings(p))
        WriteBinding(b, cs);
    rtPlusNetwork_ = {p.RTPlusExplicitSet, p.RTPlusExplicit, p.RTPlusExplicitText, p.RTPlusArtist};
    // An unknown TA stays unknown until something switches it on.
    if (p.TA || TA->checkState() == Qt::Checked)
        ShowEncoderTA(p.TA);
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
    const quorvan::Charset cs = quorvan::CharsetFromInt(params.CBCHARSET);
    if (runs >= 1) {
        WriteIdentification(params, cs);
        ShowEncoderTA(params.TA); // read from the encoder: known
    }
    if (runs >= 2) {
        // The second run: the user defined group with its mirrors, and
        // radiotext 1 with its type.
        quorvan::TStationParams p = params;
        std::vector<const void*> second{&p.CBUDGEN, &p.CBGRTYP, &p.CBRTEN, &p.rt(0), &p.rtType(0)};
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
