// Following the text sources without a window: the text-source tick every
// 3 s, the radiotext switching every SERTSW minutes and the clock time every
// 100 ms, as the main window's three timers do, until told to stop. Each
// change is reported as a FollowEvent (quorvanctl prints one line each).
#pragma once

#include "content/station_params.h"
#include "link/clock.h"
#include "sources/source_search.h"
#include "sources/text_source_tick.h"
#include "sources/timer_loop.h"

#include <functional>
#include <optional>
#include <string>

namespace quorvan {

// The encoder operations the follower runs; each returns true when the
// operation ended "Ready".
class FollowEncoder {
public:
    virtual ~FollowEncoder() = default;
    // The radiotext update sequence (also used by the switching tick).
    virtual bool radiotextUpdate(const RadiotextUpdate& update) = 0;
    // The dynamic PS update sequence.
    virtual bool dynamicPSUpdate(const DynamicPSUpdate& update) = 0;
    // SendCT: loads the clock-time record for the coming minute.
    virtual bool sendClockTime() = 0;
    // The 100 ms clock-time tick. Returns the load's outcome
    // when the tick loaded the record (once a minute), nothing otherwise.
    virtual std::optional<bool> clockTimeTick() = 0;
};

struct FollowEvent {
    DateTime time;              // local time of the report
    std::string target;         // "RT1" (radiotext from file), "DPS", "RT1".."RT4" (switching), "CT"
    std::string text;           // the text now in the target (for "CT": the loaded minute, hh:mm)
    std::optional<bool> ready;  // the transfer ended "Ready" / "!Ready"; nothing: not sent
};

class FollowSession {
public:
    struct Environment {
        std::string exeDirectory;       // relative source names are below it
        const SourceFileSystem* fs;
        const Clock* clock;             // local time (reports, clock time)
        const Stopwatch* stopwatch;     // the timers' time
        Sleeper* sleeper;               // waiting between ticks
    };
    using Reporter = std::function<void(const FollowEvent&)>;

    // The timers run as the station values say: Timer1 always, Timer2 while
    // RTSA and CBRTEN are on (period from SERTSW), Timer3 while CTRunning.
    FollowSession(TStationParams& params, TextSourceMemory& memory, FollowEncoder& encoder,
                  const Environment& env, Reporter report);

    // Starts as the program does (clock time loaded at once when it runs),
    // polls the sources at once and then every 3 s, and returns when `stop`
    // says so (asked at least every 100 ms).
    void run(const std::function<bool()>& stop);

    // The three ticks, for callers that drive the timing themselves.
    void ReadTextSources();
    void SwitchRadiotext();
    void ClockTimeTick();

    // A radiotext written from elsewhere (the network command port): the
    // switching timer, if it runs, starts a full period again.
    void restartRadiotextSwitching() { loop_.restart(timer2_); }
    // The clock-time transmission switched on (loaded at once) or off by a command.
    void setClockTimeTransmission(bool on);

private:
    class Target;
    void report(const std::string& target, const std::string& text, std::optional<bool> ready);

    TStationParams& params_;
    TextSourceMemory& memory_;
    FollowEncoder& encoder_;
    Environment env_;
    Reporter report_;
    TimerLoop loop_;
    TimerLoop::TimerId timer2_;
    TimerLoop::TimerId timer3_;
};

// The minute SendCT loads at local time `t`: t plus one minute, as "hh:mm".
std::string clockTimeMinuteText(const DateTime& t);

} // namespace quorvan
