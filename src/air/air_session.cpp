#include "air/air_session.h"

#include "rds/generator.h"
#include "sim/shared_state.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace quorvan::air {

namespace {

// Frames between two looks at the state file: 50 ms of the device's clock.
std::int64_t ReloadFrames(int rate)
{
    return rate / 20;
}

// The common loop: asks `fill` for each period and writes it, keeps the
// status file, stops at `frames` (when > 0) or on request.
bool Pump(Sink& sink, const ModulatorConfig& config, std::int64_t frames, const SessionHooks& hooks,
          const std::string& statePath, const std::function<void(float*, std::size_t)>& fill,
          const std::function<std::int64_t()>& groups, std::string& error)
{
    std::vector<float> buffer(sink.period());
    AirStatus status;
    status.device = sink.description();
    status.rate = config.rate;
    status.rdsLevel = config.rdsLevel;
    status.pilotLevel = config.pilotLevel;
    status.startedUnix = hooks.nowUnix ? hooks.nowUnix() : 0;
    status.pid = static_cast<int>(::getpid());
    std::int64_t lastStatus = -1;
    std::int64_t done = 0;
    bool ok = true;
    while (frames <= 0 || done < frames) {
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        const std::size_t n = frames > 0 ? static_cast<std::size_t>(std::min<std::int64_t>(frames - done, buffer.size()))
                                         : buffer.size();
        fill(buffer.data(), n);
        if (!sink.write(buffer.data(), n)) {
            error = sink.error();
            ok = false;
            break;
        }
        done += static_cast<std::int64_t>(n);
        const std::int64_t now = hooks.nowUnix ? hooks.nowUnix() : 0;
        if (!statePath.empty() && now != lastStatus) {
            lastStatus = now;
            status.updatedUnix = now;
            status.groups = groups();
            status.underruns = sink.underruns();
            if (!WriteAirStatus(statePath, status) && hooks.report)
                hooks.report("the status file " + AirStatusPath(statePath) + " cannot be written");
        }
    }
    if (ok && frames > 0 && done == frames)
        sink.drain();
    if (!sink.close() && ok) {
        error = sink.error();
        ok = false;
    }
    if (!statePath.empty())
        std::remove(AirStatusPath(statePath).c_str());
    return ok;
}

} // namespace

bool PlayLive(SharedEncoderState& state, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
              const SessionHooks& hooks, std::string& error)
{
    rds::EncoderStream stream;
    const auto& encoder = state.encoder();
    Modulator modulator(config, [&] { return stream.Next(encoder->state()); });
    std::int64_t sinceReload = 0;
    bool unreadable = false;
    auto fill = [&](float* out, std::size_t n) {
        sinceReload += static_cast<std::int64_t>(n);
        if (sinceReload >= ReloadFrames(config.rate)) {
            sinceReload = 0;
            std::string why;
            state.reloadIfChanged(why);
            if (!why.empty() && !unreadable && hooks.report)
                hooks.report(why + "; the last good state stays on air");
            unreadable = !why.empty();
        }
        if (rds::EncoderStream::OnAir(encoder->state()))
            modulator.render(out, n);
        else
            std::fill_n(out, n, 0.0f);  // no power or carrier off: nothing on air
    };
    return Pump(sink, config, frames, hooks, state.path(), fill, [&] { return modulator.groupsStarted(); }, error);
}

bool PlayGroups(const std::vector<rds::Group>& groups, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
                const SessionHooks& hooks, std::string& error)
{
    std::size_t next = 0;
    Modulator modulator(config, [&] { return next < groups.size() ? groups[next++] : rds::Group{}; });
    auto fill = [&](float* out, std::size_t n) {
        if (groups.empty())
            std::fill_n(out, n, 0.0f);  // off the air
        else
            modulator.render(out, n);
    };
    return Pump(sink, config, frames, hooks, "", fill, [&] { return modulator.groupsStarted(); }, error);
}

} // namespace quorvan::air
