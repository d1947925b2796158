#include "sources/follow_session.h"

#include "content/extended_text.h"
#include "content/radiotext.h"

#include <cstdio>

namespace quorvan {

namespace {

constexpr std::int64_t kTextSourceIntervalMs = 3000;
constexpr std::int64_t kClockTimeIntervalMs = 100;

} // namespace

// The text-source tick's target: the encoder's update sequences, the
// switching timer's restart, and a report per change.
class FollowSession::Target final : public TextSourceTarget {
public:
    explicit Target(FollowSession& session) : session_(session) {}
    bool writeRadiotext(const RadiotextUpdate& update) override
    {
        return session_.encoder_.radiotextUpdate(update);
    }
    void restartRadiotextSwitching() override { session_.loop_.restart(session_.timer2_); }
    bool writeDynamicPS(const DynamicPSUpdate& update) override
    {
        return session_.encoder_.dynamicPSUpdate(update);
    }

private:
    FollowSession& session_;
};

FollowSession::FollowSession(TStationParams& params, TextSourceMemory& memory, FollowEncoder& encoder,
                             const Environment& env, Reporter report)
    : params_(params), memory_(memory), encoder_(encoder), env_(env), report_(std::move(report)),
      loop_(*env.stopwatch, *env.sleeper)
{
    loop_.add(kTextSourceIntervalMs, [this] { ReadTextSources(); });
    timer2_ = loop_.add(RadiotextSwitchPeriodMs(params_.radiotext.SERTSW), [this] { SwitchRadiotext(); }, RadiotextSwitchingRuns(params_));
    timer3_ = loop_.add(kClockTimeIntervalMs, [this] { ClockTimeTick(); }, params_.system.CTRunning);
}

void FollowSession::run(const std::function<bool()>& stop)
{
    if (params_.system.CTRunning) {
        const DateTime now = env_.clock->now();
        report("CT", clockTimeMinuteText(now), encoder_.sendClockTime());
    }
    if (!stop())
        ReadTextSources();
    loop_.run(stop);
}

void FollowSession::setClockTimeTransmission(bool on)
{
    if (on == loop_.enabled(timer3_))
        return;
    loop_.setEnabled(timer3_, on);
    params_.system.CTRunning = on;
    if (on)
        report("CT", clockTimeMinuteText(env_.clock->now()), encoder_.sendClockTime());
}

void FollowSession::ReadTextSources()
{
    Target target(*this);
    const TextSourceTickResult r = TextSourceTick(params_, memory_, env_.exeDirectory, *env_.fs, target);
    if (r.radiotextChanged)
        report("RT1", params_.radiotext.RT1, r.radiotextSent);
    if (r.dynamicPSChanged)
        report("DPS", params_.dynamicPs.DPS1B, r.dynamicPSSent);
}

void FollowSession::SwitchRadiotext()
{
    if (!AdvanceRadiotext(params_))
        return;
    // The switching puts a radiotext's encoder bytes on air: eRT follows
    // them unless it already is that radiotext in its own letters.
    ErtFollowsSwitchedRadiotext(params_, memory_);
    ErtFollowsEncoderRadiotext(params_.extended, ActualRT(params_), CharsetFromInt(params_.preferences.CBCHARSET));
    RadiotextUpdate update{RadiotextBytes(ActualRT(params_)),
                           NewRadiotextControl(params_, memory_.radiotextOnAir, ActualRT(params_),
                                               ActualRTType(params_)),
                           rtplus::RegistersFor(params_, ActualRT(params_)), std::nullopt};
    if (const std::string* ert = ErtWithRadiotext(params_.extended))
        update.ert = *ert;
    const bool ready = encoder_.radiotextUpdate(update);
    report("RT" + std::to_string(ActualRTIndex(params_) + 1), ActualRT(params_), ready);
}

void FollowSession::ClockTimeTick()
{
    const DateTime before = env_.clock->now();
    if (const std::optional<bool> loaded = encoder_.clockTimeTick())
        report("CT", clockTimeMinuteText(before), *loaded);
}

void FollowSession::report(const std::string& target, const std::string& text, std::optional<bool> ready)
{
    if (report_)
        report_(FollowEvent{env_.clock->now(), target, text, ready});
}

std::string clockTimeMinuteText(const DateTime& t)
{
    const int minutes = (t.hour * 60 + t.minute + 1) % (24 * 60);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
    return text;
}

} // namespace quorvan
