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

quorvan::TStationParams TForm1::ReadStationParams() const
{
    quorvan::TStationParams p;
    const quorvan::Charset cs = StationCharset();
    p.CBCHARSET = static_cast<int>(cs);
    p.ToggleAB = CBRTAB->isChecked();
    // "Program"
    p.PSDEF = stationBytes(PSDEF, cs);
    p.PI = bytes(PI);
    p.TP = TP->isChecked();
    p.TA = TA->checkState() == Qt::Checked; // "unknown" sends no announcement
    p.PTY = PTY->currentIndex();
    p.MS = MS->currentIndex();
    for (int r = 0; r < quorvan::kAFRows; ++r)
        p.SGAF[size_t(r)] = toBytes(SGAF->item(r, 1)->text());
    for (int i = 0; i < 4; ++i)
        p.DI[size_t(i)] = DI->item(i)->checkState() == Qt::Checked;
    // "Dynamic PS"
    p.DPS1EN = DPS1EN->isChecked();
    p.RGDPS1M = RGDPS1M->itemIndex();
    p.RGDLD = RGDLD->itemIndex();
    p.SEDPSLP = SEDPSLP->steps();
    p.SEDPS1DL = SEDPS1DL->steps();
    for (int r = 0; r < quorvan::kDPS1Rows; ++r)
        p.DPS1[size_t(r)] = textToBytes(DPS1->text(r), cs);
    p.DPS1B = stationBytes(DPS1B, cs);
    // "Radiotext"
    p.CBRTEN = CBRTEN->isChecked();
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        p.rbrt(i) = RBRT[i]->isChecked();
        p.rt(i) = stationBytes(RT[i], cs);
        p.rtType(i) = CBRTT[i]->currentIndex();
    }
    p.RTSA = RTSA->isChecked();
    p.SERTSW = SERTSW->steps();
    p.RTPlus = CBRTPLUS->isChecked();
    p.RTPlusPattern = stationBytes(ERTPPAT, cs);
    p.RTPlusExplicitSet = rtPlusNetwork_.set;
    p.RTPlusExplicit = rtPlusNetwork_.tags;
    p.RTPlusExplicitText = rtPlusNetwork_.text;
    p.RTPlusArtist = rtPlusNetwork_.artist;
    // "System"
    p.CTRunning = BSETCT->text() != QLatin1String("Start");
    p.STMEN = STMEN->isChecked();
    p.CBGRTYP = CBGRTYP->currentIndex();
    for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
        p.db(i) = bytes(DB[i]);
        p.dbd(i) = bytes(DBD[i]);
    }
    p.CBUDGEN = CBUDGEN->isChecked();
    p.SEPHASE = SEPHASE->steps();
    p.RGCS = RGCS->itemIndex();
    p.RGPLLR = RGPLLR->itemIndex();
    // "Preferences"
    p.LImageFile = toBytes(LImageFile->text());
    p.ColorBox1 = ColorBox1->currentIndex();
    p.SEUTCO = SEUTCO->value();
    p.SESMTO = SESMTO->value();
    p.RBPTYC = RBPTYC->itemIndex();
    p.ALONTOP = ALONTOP->isChecked();
    p.CBHPRI = CBHPRI->isChecked();
    p.RGPORT = RGPORT->itemIndex();
    p.CBBI = CBBI->isChecked();
    p.CBSS = CBSS->isChecked();
    p.ELPTA = bytes(ELPTA);
    // "Text Sources"
    p.CBD1FF = CBD1FF->isChecked();
    p.CBD1SC = CBD1SC->isChecked();
    p.ED1F = bytes(ED1F);
    p.RGD1L = RGD1L->itemIndex();
    p.SED1BE = SED1BE->value();
    p.SED1EN = SED1EN->value();
    p.ED1PR = stationBytes(ED1PR, cs);
    p.CBR1FF = CBR1FF->isChecked();
    p.CBR1SC = CBR1SC->isChecked();
    p.ER1F = bytes(ER1F);
    p.RGR1L = RGR1L->itemIndex();
    p.SER1BE = SER1BE->value();
    p.SER1EN = SER1EN->value();
    p.ER1PR = stationBytes(ER1PR, cs);
    p.RBJUST0 = RBJUST0->isChecked();
    p.RBJUST1 = RBJUST1->isChecked();
    p.RBJUST2 = RBJUST2->isChecked();
    p.RBFILSP = RBFILSP->isChecked();
    p.RBFILCU = RBFILCU->isChecked();
    p.ECUSCH = stationBytes(ECUSCH, cs);
    p.CBRSN = CBRSN->isChecked();
    p.CBREIB = CBREIB->isChecked();
    p.CBCTC = CBCTC->isChecked();
    return p;
}

void TForm1::WriteStationParams(const quorvan::TStationParams& p)
{
    // The order follows the settings file's load order, so the handlers that
    // changes run see the values they depend on (the PTY coding before the
    // PTY, the port options before the port).
    const quorvan::Charset cs = quorvan::CharsetFromInt(p.CBCHARSET);
    setIndex(CBCHARSET, p.CBCHARSET);
    setChecked(CBRTAB, p.ToggleAB);
    setChecked(STMEN, p.STMEN);
    setChecked(CBHPRI, p.CBHPRI);
    setChecked(CBSS, p.CBSS);
    setText(ELPTA, p.ELPTA);
    setIndex(RGPORT, p.RGPORT);
    LImageFile->setText(toQt(p.LImageFile));
    SEUTCO->setValue(p.SEUTCO);
    SESMTO->setValue(p.SESMTO);

    SEPHASE->setSteps(p.SEPHASE);
    setIndex(RGCS, p.RGCS);
    setIndex(RGPLLR, p.RGPLLR);

    setIndex(ColorBox1, p.ColorBox1);
    setIndex(RBPTYC, p.RBPTYC);
    setChecked(CBBI, p.CBBI);

    WriteIdentification(p, cs);
    SEDPSLP->setSteps(p.SEDPSLP);

    for (int r = 0; r < quorvan::kDPS1Rows; ++r)
        DPS1->setText(r, textToQt(p.DPS1[size_t(r)], cs));
    setStationText(DPS1B, p.DPS1B, cs);
    setChecked(DPS1EN, p.DPS1EN);
    SEDPS1DL->setSteps(p.SEDPS1DL);
    setIndex(RGDPS1M, p.RGDPS1M);
    setChecked(CBD1FF, p.CBD1FF);
    setChecked(CBD1SC, p.CBD1SC);
    setText(ED1F, p.ED1F);
    setIndex(RGD1L, p.RGD1L);
    SED1BE->setValue(p.SED1BE);
    SED1EN->setValue(p.SED1EN);
    setStationText(ED1PR, p.ED1PR, cs);

    setChecked(CBUDGEN, p.CBUDGEN);
    setIndex(CBGRTYP, p.CBGRTYP);
    for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
        setText(DB[i], p.db(i));
        setText(DBD[i], p.dbd(i));
    }

    setChecked(CBRTEN, p.CBRTEN);
    for (int i = 0; i < quorvan::kRadiotexts; ++i) {
        setStationText(RT[i], p.rt(i), cs);
        setChecked(RBRT[i], p.rbrt(i));
    }
    for (int i = 0; i < quorvan::kRadiotexts; ++i)
        setIndex(CBRTT[i], p.rtType(i));
    setChecked(RTSA, p.RTSA);
    SERTSW->setSteps(p.SERTSW);
    setChecked(CBRTPLUS, p.RTPlus);
    setStationText(ERTPPAT, p.RTPlusPattern, cs);
    rtPlusNetwork_ = {p.RTPlusExplicitSet, p.RTPlusExplicit, p.RTPlusExplicitText, p.RTPlusArtist};
    setChecked(CBR1FF, p.CBR1FF);
    setChecked(CBR1SC, p.CBR1SC);
    setText(ER1F, p.ER1F);
    setIndex(RGR1L, p.RGR1L);
    SER1BE->setValue(p.SER1BE);
    SER1EN->setValue(p.SER1EN);
    setStationText(ER1PR, p.ER1PR, cs);

    setIndex(RGDLD, p.RGDLD);
    setChecked(CBRSN, p.CBRSN);
    setChecked(CBREIB, p.CBREIB);
    setChecked(CBCTC, p.CBCTC);
    setChecked(RBJUST0, p.RBJUST0);
    setChecked(RBJUST1, p.RBJUST1);
    setChecked(RBJUST2, p.RBJUST2);
    setChecked(RBFILSP, p.RBFILSP);
    setChecked(RBFILCU, p.RBFILCU);
    setStationText(ECUSCH, p.ECUSCH, cs);

    setChecked(ALONTOP, p.ALONTOP);
    // An unknown TA stays unknown until something switches it on.
    if (p.TA || TA->checkState() == Qt::Checked)
        ShowEncoderTA(p.TA);
}

void TForm1::WriteIdentification(const quorvan::TStationParams& p, quorvan::Charset cs)
{
    setStationText(PSDEF, p.PSDEF, cs);
    setText(PI, p.PI);
    setChecked(TP, p.TP);
    setIndex(PTY, p.PTY);
    setIndex(MS, p.MS);
    for (int i = 0; i < 4; ++i)
        DI->item(i)->setCheckState(p.DI[size_t(i)] ? Qt::Checked : Qt::Unchecked);
    for (int r = 0; r < quorvan::kAFRows; ++r)
        SGAF->item(r, 1)->setText(toQt(p.SGAF[size_t(r)]));
}

void TForm1::WriteReceivedRuns(const quorvan::TStationParams& p, int runs)
{
    // The texts are the encoder's codes in the station's character set, as
    // after a whole Receive.
    const quorvan::Charset cs = quorvan::CharsetFromInt(p.CBCHARSET);
    if (runs >= 1) {
        WriteIdentification(p, cs);
        ShowEncoderTA(p.TA); // read from the encoder: known
    }
    if (runs >= 2) {
        setChecked(CBUDGEN, p.CBUDGEN);
        setIndex(CBGRTYP, p.CBGRTYP);
        for (int i = 0; i < quorvan::kUserGroupBytes; ++i) {
            setText(DB[i], p.db(i));
            setText(DBD[i], p.dbd(i));
        }
        setChecked(CBRTEN, p.CBRTEN);
        setStationText(RT[0], p.rt(0), cs);
        setIndex(CBRTT[0], p.rtType(0));
    }
}

} // namespace quorvan_app
