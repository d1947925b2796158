#include "air/air_session.h"

#include "air/state_follower.h"
#include "air/status_thread.h"

#include "rds/generator.h"
#include "settings/file_system.h"
#include "sim/shared_state.h"

#include <algorithm>
#include <optional>
#include <unistd.h>

namespace quorvan::air {

namespace {

// Frames between two looks at the state file: 50 ms of the device's clock.
std::int64_t ReloadFrames(int rate)
{
    return rate / 20;
}

// The common loop: asks `fill` for each period and writes it, hands the
// status to its thread, stops at `frames` (when >= 0) or on request.
bool Pump(Sink& sink, const ModulatorConfig& config, std::int64_t frames, const SessionHooks& hooks,
          const std::string& statePath, const std::function<void(float*, std::size_t)>& fill,
          const std::function<std::int64_t()>& groups, const std::function<bool()>& rdsOn,
          const std::function<double()>& rdsLevel, std::string& error)
{
    std::vector<float> buffer(sink.period());
    AirStatus status;
    status.device = sink.description();
    status.rate = config.rate;
    status.rdsLevel = config.rdsLevel;
    status.pilotLevel = config.pilotLevel;
    status.startedUnix = hooks.nowUnix ? hooks.nowUnix() : 0;
    status.pid = static_cast<int>(::getpid());
    status.serverRate = sink.serverRate();
    status.note = sink.serverNote();
    std::optional<StatusThread> writer;
    if (!statePath.empty()) {
        auto write = hooks.writeStatus ? hooks.writeStatus : [statePath](const AirStatus& s, std::string& why) {
            return WriteAirStatus(statePath, s, &why);
        };
        writer.emplace(std::move(write), hooks.report);
    }
    std::int64_t lastStatus = -1;
    std::int64_t done = 0;
    bool ok = true;
    while (frames < 0 || done < frames) {
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        const std::size_t n = frames >= 0 ? static_cast<std::size_t>(std::min<std::int64_t>(frames - done, buffer.size()))
                                          : buffer.size();
        fill(buffer.data(), n);
        if (!sink.write(buffer.data(), n)) {
            error = sink.error();
            ok = false;
            break;
        }
        done += static_cast<std::int64_t>(n);
        const std::int64_t now = hooks.nowUnix ? hooks.nowUnix() : 0;
        if (writer && now != lastStatus) {
            lastStatus = now;
            status.updatedUnix = now;
            status.groups = groups();
            status.underruns = sink.underruns();
            status.rdsOn = rdsOn();
            status.rdsLevel = rdsLevel();
            writer->post(status);
        }
    }
    if (ok && frames > 0 && done == frames)
        sink.drain();
    if (!sink.close() && ok) {
        error = sink.error();
        ok = false;
    }
    if (writer) {
        writer.reset();  // the last write is done
        RemoveOwnStatus(statePath, status.pid, hooks.fileSystem);
    }
    return ok;
}

} // namespace

LevelPhase RecordLevelPhase(const ExtensionRecord& record)
{
    LevelPhase v;
    if (record.rdsLevelTenths)
        v.level = *record.rdsLevelTenths / 10.0;
    if (record.rdsPhaseTenths && *record.rdsPhaseTenths >= 0 && *record.rdsPhaseTenths < 3600)
        v.phase = *record.rdsPhaseTenths / 10.0;
    return v;
}

void StartLevelPhase(const ExtensionRecord& record, bool levelGiven, bool phaseGiven, ModulatorConfig& config,
                     double& phase)
{
    const LevelPhase v = RecordLevelPhase(record);
    if (!levelGiven && v.level)
        config.rdsLevel = std::clamp(*v.level, 0.0, std::max(0.0, 100 - config.pilotLevel));
    if (!phaseGiven && v.phase)
        phase = *v.phase;
}

LevelPhase LevelPhaseFollower::changes(const ExtensionRecord& record)
{
    const LevelPhase now = RecordLevelPhase(record);
    LevelPhase changed;
    if (now.level && now.level != seen_.level)
        changed.level = now.level;
    if (now.phase && now.phase != seen_.phase)
        changed.phase = now.phase;
    seen_ = now;
    return changed;
}

void LevelPhaseFollower::apply(const ExtensionRecord& record, Modulator& modulator, bool loop)
{
    const LevelPhase c = changes(record);
    if (c.level)
        modulator.setRdsLevel(*c.level);
    if (c.phase && loop)
        modulator.slewRdsPhase(*c.phase);
}

bool PlayLive(SharedEncoderState& state, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
              const SessionHooks& hooks, std::string& error)
{
    const std::string statePath = state.path();
    // From here on the state file is the follower's alone: the loop plays
    // its copy and takes a newer one between two periods.
    StateFollower looks(state, hooks.lookAtState, hooks.report);
    rds::EncoderStream stream;
    bool onAir = rds::EncoderStream::OnAir(looks.state());
    // Off the air the bit clock runs on through empty groups; the stream
    // waits and goes on where it stood.
    Modulator modulator(config, [&] { return onAir ? stream.Next(looks.state()) : rds::Group{}; });
    std::int64_t sinceReload = 0;
    LevelPhaseFollower follower(looks.state().extension);
    auto fill = [&](float* out, std::size_t n) {
        sinceReload += static_cast<std::int64_t>(n);
        if (sinceReload >= ReloadFrames(config.rate)) {
            sinceReload = 0;
            looks.ask();
        }
        if (looks.take())
            follower.apply(looks.state().extension, modulator, false);
        onAir = rds::EncoderStream::OnAir(looks.state());
        modulator.setSubcarrier(onAir);  // no power or carrier off: the pilot alone
        modulator.render(out, n);
    };
    return Pump(sink, config, frames, hooks, statePath, fill, [&] { return modulator.groupsStarted(); },
                [&] { return onAir; }, [&] { return modulator.rdsLevel(); }, error);
}

bool PlayGroups(const std::vector<rds::Group>& groups, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
                const SessionHooks& hooks, std::string& error)
{
    std::size_t next = 0;
    Modulator modulator(config, [&] { return next < groups.size() ? groups[next++] : rds::Group{}; });
    modulator.setSubcarrier(!groups.empty());  // off the air: the pilot alone
    auto fill = [&](float* out, std::size_t n) { modulator.render(out, n); };
    return Pump(sink, config, frames, hooks, "", fill, [&] { return modulator.groupsStarted(); },
                [&] { return !groups.empty(); }, [&] { return modulator.rdsLevel(); }, error);
}

} // namespace quorvan::air

namespace quorvan::air {

void RemoveOwnStatus(const std::string& statePath, int pid, SettingsFileSystem* fileSystem)
{
    const std::optional<AirStatus> last = ReadAirStatus(statePath);
    if (!last || last->pid != pid)
        return;
    PosixFileSystem posix;
    SettingsFileSystem& fs = fileSystem ? *fileSystem : static_cast<SettingsFileSystem&>(posix);
    fs.removeFile(AirStatusPath(statePath));
    if (!last->input.empty())
        fs.removeFile(AirSnapshotPath(statePath));
}

} // namespace quorvan::air
