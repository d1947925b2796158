// The encoder buttons: Send, Store, Receive, Read Status, Reset, Switch Off,
// Switch On and Traffic Announcement. Each reads the controls, runs the
// encoder command and writes back what the command changed.
#include "app/form1.h"

#include "app/form_engine.h"
#include "app/latin1.h"
#include "encoder/direct_controls.h"
#include "encoder/receive.h"
#include "encoder/send.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QStringList>
#include <QTableWidget>

#include <optional>

namespace quorvan_app {

// ---- message boxes ---------------------------------------------------------------------

void TForm1::ShowMessage(TForm1Options::MessageKind kind, const QString& text)
{
    if (options_.showMessage) {
        options_.showMessage(kind, text);
        return;
    }
    QMessageBox::Icon icon = QMessageBox::Information;
    QString caption = QStringLiteral("Information");
    if (kind == TForm1Options::MessageKind::Warning) {
        icon = QMessageBox::Warning;
        caption = QStringLiteral("Warning");
    } else if (kind == TForm1Options::MessageKind::Error) {
        icon = QMessageBox::Critical;
        caption = QStringLiteral("Error");
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, isVisible() ? this : nullptr);
    box.exec();
}

bool TForm1::AskYesNo(const QString& text)
{
    if (options_.askYesNo)
        return options_.askYesNo(text);
    return QMessageBox::question(isVisible() ? this : nullptr, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

// ---- Send and Store ------------------------------------------------------------------------

void TForm1::BSEND1Click()
{
    HandlerScope scope(*this);
    quorvan::TStationParams params = ReadStationParams();
    quorvan::EncoderContext ctx = engine_->Context(params.preferences.CBBI, params.preferences.CBSS);
    const quorvan::SendResult result = quorvan::Send(ctx, params);
    if (result.outcome == quorvan::Outcome::Skipped)
        return;
    engine_->memory.radiotextOnAir = {quorvan::RadiotextBytes(quorvan::ActualRT(params)), quorvan::ActualRTType(params)};
    ShowFollowedErt(params.extended);
    // Send wrote TA as the box says; "unknown" went out as off.
    if (result.outcome == quorvan::Outcome::Ready)
        ShowEncoderTA(params.program.TA);
    // Send closed up the AF list and cut the mode 0 rows to 8 characters.
    bool afMoved = false;
    for (int r = 0; r < quorvan::kAFRows; ++r) {
        const QString text = toQt(params.program.SGAF[size_t(r)]);
        if (SGAF->item(r, 1)->text() != text) {
            SGAF->item(r, 1)->setText(text);
            afMoved = true;
        }
    }
    if (afMoved)
        SGAFClick(); // the entry field shows what the current row now holds
    for (int r = 0; r < quorvan::kDPS1Rows; ++r) {
        const QString text = textToQt(params.dynamicPs.DPS1[size_t(r)], quorvan::CharsetFromInt(params.preferences.CBCHARSET));
        if (DPS1->text(r) != text)
            DPS1->setText(r, text);
    }
}

void TForm1::BSTOR1Click()
{
    HandlerScope scope(*this);
    quorvan::EncoderContext ctx = engine_->Context(CBBI->isChecked(), CBSS->isChecked());
    quorvan::Store(ctx);
}

// ---- Receive and Read Status ------------------------------------------------------------------

void TForm1::BREC1Click()
{
    HandlerScope scope(*this);
    quorvan::TStationParams params = ReadStationParams();
    quorvan::EncoderContext ctx = engine_->Context(params.preferences.CBBI, params.preferences.CBSS);
    const quorvan::ReceiveResult result = quorvan::Receive(ctx, params);
    if (result.outcome == quorvan::Outcome::Skipped || result.outcome == quorvan::Outcome::Unavailable)
        return;
    if (result.runsCompleted < 3) {
        // A failed run ended the command: the completed runs' values, nothing more.
        WriteReceivedRuns(params, result.runsCompleted);
        if (result.runsCompleted >= 1)
            SGAFClick(); // the entry field shows the received row
        return;
    }
    // The received values, then the display rules.
    WriteStationParams(params);
    ShowEncoderTA(params.program.TA); // read from the encoder: known
    SGAFClick();
    RGDPS1MClick();
    RTSAClick();
    CBGRTYPChange();
    RGCSClick();
    DPS1ENClick();
    SEDPS1DLChange();
}

void TForm1::BSTATClick()
{
    std::optional<int> value;
    {
        HandlerScope scope(*this);
        quorvan::EncoderContext ctx = engine_->Context(CBBI->isChecked(), CBSS->isChecked());
        value = quorvan::ReadStatus(ctx).value;
    }
    if (!value)
        return; // the encoder did not answer: "!Ready" says it
    ShowEncoderTA((*value & 2) != 0);
    // The transfer is over: the timers go on while the box waits for the operator.
    QStringList lines;
    for (const std::string& line : quorvan::StatusLines(*value))
        lines << toQt(line);
    ShowMessage(TForm1Options::MessageKind::Information, lines.join(QLatin1Char('\n')));
}

// ---- the TA switch -------------------------------------------------------------------------------

void TForm1::ReadTAAtStart()
{
    // The settings file does not hold TA: only the encoder knows whether an
    // announcement was left on (by the network's TA=1, or before a restart).
    if (!engine_->port || !engine_->port->reachable()) {
        // The port's cause is said by the first operation's "!Ready".
        ShowTAUnknown(QStringLiteral("TA unknown: the encoder's port cannot be reached."));
        return;
    }
    if (CBBI->isChecked()) {
        std::optional<int> value;
        {
            HandlerScope scope(*this);
            quorvan::EncoderContext ctx = engine_->Context(true, CBSS->isChecked());
            value = quorvan::ReadStatus(ctx).value;
        }
        if (value) {
            ShowEncoderTA((*value & 2) != 0);
            return;
        }
        ShowTAUnknown(QStringLiteral("TA unknown: the encoder did not answer when its status was read at start-up."));
        return;
    }
    ShowTAUnknown(QStringLiteral("TA unknown: the port is not bidirectional, so the encoder's status cannot be read."));
}

void TForm1::ShowEncoderTA(bool on)
{
    TA->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TForm1::ShowTAUnknown(const QString& why)
{
    TA->setTristate(true);
    TA->setCheckState(Qt::PartiallyChecked);
    TA->setToolTip(why + QStringLiteral(" \"Traffic Announcement\" switches it on, a second press off."));
}

void TForm1::TAStateChanged(int state)
{
    // Known from now on: the switch has two states again.
    if (state == Qt::PartiallyChecked)
        return;
    TA->setTristate(false);
    TA->setToolTip(QString());
}

// ---- direct controls -------------------------------------------------------------------------

void TForm1::BRESETClick()
{
    // Nothing is on the bus yet: the timers go on while the question waits.
    if (!AskYesNo(QString::fromLatin1(quorvan::kResetQuestion)))
        return;
    HandlerScope scope(*this);
    engine_->Context(CBBI->isChecked(), CBSS->isChecked());
    quorvan::Reset(engine_->link);
}

void TForm1::BSWOFFClick()
{
    HandlerScope scope(*this);
    engine_->Context(CBBI->isChecked(), CBSS->isChecked());
    quorvan::SetCarrier(engine_->link, false);
}

void TForm1::BSWONClick()
{
    HandlerScope scope(*this);
    engine_->Context(CBBI->isChecked(), CBSS->isChecked());
    quorvan::SetCarrier(engine_->link, true);
}

void TForm1::BSETTAClick()
{
    HandlerScope scope(*this);
    // The box changes first and shows before the write; it is not set back
    // when the encoder does not acknowledge.
    // From "unknown" it switches the announcement on, as the button says.
    const bool on = TA->checkState() != Qt::Checked;
    ShowEncoderTA(on);
    TA->repaint();
    engine_->Context(CBBI->isChecked(), CBSS->isChecked());
    quorvan::SetTrafficAnnouncement(engine_->link, on);
}

} // namespace quorvan_app
