// The window's three timers and the clock-time toggle: text-source polling
// (Timer1, every 3 s), radiotext switching (Timer2, every SERTSW minutes) and
// clock time (Timer3, every 100 ms while "Start" has been pressed).
#include "app/form1.h"

#include "app/form_engine.h"
#include "app/latin1.h"
#include "content/radiotext.h"
#include "encoder/rtplus_registers.h"
#include "encoder/update_sequences.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace quorvan_app {

namespace {

// A station text of `params` into its field.
void SetTextIfChanged(QLineEdit* edit, const std::string& bytes, const quorvan::TStationParams& params)
{
    const QString text = textToQt(bytes, quorvan::CharsetFromInt(params.preferences.CBCHARSET));
    if (edit->text() != text)
        edit->setText(text);
}

// Where a text-source tick's results go: the radiotext and dynamic PS fields
// of the window, repainted before the transfer blocks the window, and the
// encoder's update sequences.
class WindowTextSourceTarget final : public quorvan::TextSourceTarget {
public:
    explicit WindowTextSourceTarget(TForm1& form, FormEngine& engine) : form_(form), engine_(engine) {}

    void showRadiotext(const quorvan::TStationParams& params) override
    {
        SetTextIfChanged(form_.RT[0], params.radiotext.RT1, params);
        form_.RT[0]->repaint();
    }
    bool writeRadiotext(const quorvan::RadiotextUpdate& update) override
    {
        return quorvan::IsReady(quorvan::SendRadiotextUpdate(engine_.link, update.bytes, update.control, &update.rtPlus,
                                                                   update.ert ? &*update.ert : nullptr));
    }
    void restartRadiotextSwitching() override
    {
        if (form_.Timer2->isActive()) {
            form_.Timer2->stop();
            form_.Timer2->start();
        }
    }
    void showDynamicPS(const quorvan::TStationParams& params) override
    {
        ShowDynamicPS(form_, params);
        form_.DPS1B->repaint();
    }
    bool writeDynamicPS(const quorvan::DynamicPSUpdate& update) override
    {
        return quorvan::IsReady(quorvan::SendDynamicPSUpdate(engine_.link, update.text, update.length));
    }

    static void ShowDynamicPS(TForm1& form, const quorvan::TStationParams& params)
    {
        SetTextIfChanged(form.DPS1B, params.dynamicPs.DPS1B, params);
        for (int r = 0; r < quorvan::kDPS1Rows; ++r) {
            const QString row = textToQt(params.dynamicPs.DPS1[size_t(r)], quorvan::CharsetFromInt(params.preferences.CBCHARSET));
            if (form.DPS1->text(r) != row)
                form.DPS1->setText(r, row);
        }
    }

private:
    TForm1& form_;
    FormEngine& engine_;
};

// The directory relative text-source names are read below: the program's
// folder, or for an installed program the settings file's. A folder given to
// the window by its options is the program's folder.
std::string TextSourceDirectory(const TForm1& form, FormEngine& e)
{
    const std::string exeDir = FileNameBytes(form.ExeDirectory());
    if (!form.options().exeDirectory.isEmpty() || !e.settings)
        return exeDir;
    return quorvan::textSourceDirectory(quorvan::isInstalledProgram(e.settingsFiles, exeDir), *e.settings, exeDir);
}

} // namespace

// ---- text sources ----------------------------------------------------------------------

void TForm1::Timer1Timer()
{
    FormEngine& e = *engine_;
    if (e.depth > 0) {
        e.heldTimer1 = true;
        return;
    }
    HandlerScope scope(*this);
    quorvan::TStationParams params = ReadStationParams();
    if (!quorvan::RadiotextSourceActive(params) && !quorvan::DynamicPSSourceActive(params))
        return;
    e.Context(params.preferences.CBBI, params.preferences.CBSS);
    WindowTextSourceTarget target(*this, e);
    const quorvan::TextSourceTickResult result =
        quorvan::TextSourceTick(params, e.memory, TextSourceDirectory(*this, e), e.sourceFiles, target);
    // Without "Send on change" the fields change without being shown first.
    if (result.radiotextChanged)
        SetTextIfChanged(RT[0], params.radiotext.RT1, params);
    if (result.dynamicPSChanged)
        WindowTextSourceTarget::ShowDynamicPS(*this, params);
    if (result.radiotextChanged)
        ShowFollowedErt(params.extended);
}

// ---- radiotext switching ----------------------------------------------------------------

void TForm1::Timer2Timer()
{
    FormEngine& e = *engine_;
    if (e.depth > 0) {
        e.heldTimer2 = true;
        return;
    }
    HandlerScope scope(*this);
    quorvan::TStationParams params = ReadStationParams();
    if (!quorvan::AdvanceRadiotext(params))
        return; // no other radiotext to switch to
    for (int i = 0; i < quorvan::kRadiotexts; ++i)
        RBRT[i]->setChecked(quorvan::ActualRTIndex(params) == i);
    e.Context(params.preferences.CBBI, params.preferences.CBSS);
    quorvan::ErtFollowsSwitchedRadiotext(params, e.memory);
    quorvan::SendRadiotextWithTags(e.link, params, quorvan::ActualRT(params),
                                   quorvan::NewRadiotextControl(params, e.memory.radiotextOnAir,
                                                                quorvan::ActualRT(params),
                                                                quorvan::ActualRTType(params)));
    ShowFollowedErt(params.extended);
}

// ---- clock time ------------------------------------------------------------------------------

void TForm1::BSETCTClick()
{
    HandlerScope scope(*this);
    FormEngine& e = *engine_;
    quorvan::TStationParams params = ReadStationParams();
    // The caption offers the next action: "Start" starts the transmission;
    // any other caption (also one read from the settings file) stops it.
    const bool start = BSETCT->text() == QLatin1String("Start");
    BSETCT->setText(start ? QStringLiteral("Stop") : QStringLiteral("Start"));
    LCT->setVisible(start);
    if (start) {
        Timer3->start();
    } else {
        Timer3->stop();
    }
    if (start == e.clockTime.Running())
        return;
    quorvan::EncoderContext ctx = e.Context(params.preferences.CBBI, params.preferences.CBSS);
    e.clockTime.ToggleClockTime(ctx, params); // starting loads the coming minute at once
}

void TForm1::Timer3Timer()
{
    FormEngine& e = *engine_;
    if (e.depth > 0) {
        e.heldTimer3 = true;
        return;
    }
    if (!e.clockTime.Running())
        return;
    HandlerScope scope(*this);
    const quorvan::TStationParams params = ReadStationParams();
    quorvan::EncoderContext ctx = e.Context(params.preferences.CBBI, params.preferences.CBSS);
    e.clockTime.Tick(ctx, params);
}

} // namespace quorvan_app
