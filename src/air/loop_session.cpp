#include "air/loop_session.h"

#include "air/mix.h"
#include "air/state_follower.h"
#include "air/status_thread.h"
#include "rds/generator.h"
#include "sim/shared_state.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace quorvan::air {

std::string LoopSummaryLine(const LoopSummary& s)
{
    char head[96];
    if (s.pilotSeen) {
        const double rate = s.rate > 0 ? s.rate : 1;
        std::snprintf(head, sizeof head, "pilot %.1f Hz, locked %.1f of %.1f s", s.pilotHz,
                      static_cast<double>(s.framesLocked) / rate, static_cast<double>(s.frames) / rate);
    } else {
        std::snprintf(head, sizeof head, "no pilot: RDS runs free at the nominal rate");
    }
    char tail[96];
    std::snprintf(tail, sizeof tail, ", RDS phase %.1f\u00b0, %lld clipped sample%s", s.rdsPhase,
                  static_cast<long long>(s.clipped), s.clipped == 1 ? "" : "s");
    return std::string(head) + tail;
}

bool PlayLoopThrough(const std::vector<rds::Group>& groups, const ModulatorConfig& config, double rdsPhase,
                     Source& source, Sink& sink, std::int64_t frames, const SessionHooks& hooks, LoopSummary& summary,
                     std::string& error)
{
    if (source.rate() != config.rate)
        throw std::invalid_argument("the source runs at " + std::to_string(source.rate()) + " Hz, the loop at " +
                                    std::to_string(config.rate) + " Hz");
    std::size_t next = 0;
    PilotLock lock(config.rate);
    Modulator modulator(config, [&] { return next < groups.size() ? groups[next++] : rds::Group{}; });
    modulator.setRdsPhase(rdsPhase);
    modulator.setSubcarrier(!groups.empty());
    LoopThrough loop(lock, modulator);

    std::vector<float> buffer(std::max<std::size_t>(sink.period(), 1));
    std::int64_t done = 0;
    bool ok = true;
    bool ended = false;
    while (!ended && (frames < 0 || done < frames)) {
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        const std::size_t want =
            frames >= 0 ? static_cast<std::size_t>(std::min<std::int64_t>(frames - done, buffer.size())) : buffer.size();
        std::size_t got = 0;
        while (got < want) {
            const std::size_t n = source.read(buffer.data() + got, want - got);
            if (n == 0) {
                ended = true;
                break;
            }
            got += n;
        }
        if (ended && !source.error().empty()) {
            error = source.error();
            ok = false;
        }
        if (got == 0)
            break;
        loop.process(buffer.data(), buffer.data(), got);
        if (!sink.write(buffer.data(), got)) {
            error = sink.error();
            ok = false;
            break;
        }
        done += static_cast<std::int64_t>(got);
        if (!ok)
            break;
    }
    if (!sink.close() && ok) {
        error = sink.error();
        ok = false;
    }
    summary.frames = done;
    summary.framesLocked = lock.framesLocked();
    summary.rate = config.rate;
    summary.pilotSeen = lock.pilotSeen();
    summary.pilotHz = lock.frequency();
    summary.rdsPhase = modulator.rdsPhase();
    summary.clipped = loop.clipped();
    return ok;
}

} // namespace quorvan::air

namespace quorvan::air {

void DriftMeter::add(std::int64_t frames, double latencyFrames)
{
    if (first_ < 0) {
        first_ = frames;
        y0_ = latencyFrames;
    }
    last_ = frames;
    // Relative to the first point, so that the sums keep their precision.
    const double x = static_cast<double>(frames - first_) / rate_;
    const double y = latencyFrames - y0_;
    n_ += 1;
    sx_ += x;
    sy_ += y;
    sxx_ += x * x;
    sxy_ += x * y;
}

void DriftMeter::restart()
{
    first_ = -1;
    n_ = sx_ = sy_ = sxx_ = sxy_ = 0;
}

std::optional<double> DriftMeter::ppm() const
{
    if (first_ < 0 || static_cast<double>(last_ - first_) < kSpanSeconds * rate_ || n_ < 3)
        return std::nullopt;
    const double det = n_ * sxx_ - sx_ * sx_;
    if (det <= 0)
        return std::nullopt;
    const double framesPerSecond = (n_ * sxy_ - sx_ * sy_) / det;
    return framesPerSecond / rate_ * 1e6;
}

std::string PilotStateName(PilotLock::State state)
{
    switch (state) {
    case PilotLock::State::Locked:
        return "locked";
    case PilotLock::State::Acquiring:
        return "acquiring";
    case PilotLock::State::Holdover:
        return "holdover";
    case PilotLock::State::Searching:
        break;
    }
    return "none";
}

std::int64_t BacklogToDrop(std::int64_t available, std::int64_t queued, std::size_t period)
{
    const auto p = static_cast<std::int64_t>(period);
    // In step, a period is read as soon as it is complete: less than one
    // waits in the capture, and the playback holds two (air/io's loop sink).
    if (available < p || available + queued <= kMaxLatencyPeriods * p)
        return 0;
    return std::min(available, available + queued - 2 * p);
}

namespace {

// Reads `frames` frames of the source into `scratch` and forgets them; the
// frames read, -1 when the source failed.
std::int64_t DropFrames(Source& source, std::vector<float>& scratch, std::int64_t frames)
{
    std::int64_t gone = 0;
    while (gone < frames) {
        const std::size_t n = source.read(scratch.data(), static_cast<std::size_t>(std::min<std::int64_t>(
                                                                frames - gone, static_cast<std::int64_t>(scratch.size()))));
        if (n == 0)
            return source.error().empty() ? gone : -1;
        gone += static_cast<std::int64_t>(n);
    }
    return gone;
}

} // namespace

bool PlayLiveLoop(SharedEncoderState& state, const ModulatorConfig& config, double rdsPhase, Source& source,
                  Sink& sink, std::int64_t frames, const SessionHooks& hooks, std::string& error)
{
    if (source.rate() != config.rate)
        throw std::invalid_argument("the source runs at " + std::to_string(source.rate()) + " Hz, the loop at " +
                                    std::to_string(config.rate) + " Hz");
    const std::string statePath = state.path();
    // From here on the state file is the follower's alone, as PlayLive's.
    StateFollower looks(state, hooks.lookAtState, hooks.report);
    rds::EncoderStream stream;
    bool onAir = rds::EncoderStream::OnAir(looks.state());
    // Off the air the bit clock runs on through empty groups, as PlayLive's.
    Modulator modulator(config, [&] { return onAir ? stream.Next(looks.state()) : rds::Group{}; });
    modulator.setRdsPhase(rdsPhase);
    PilotLock lock(config.rate);
    LoopThrough loop(lock, modulator);

    AirStatus status;
    status.device = sink.description();
    status.input = source.description();
    status.rate = config.rate;
    status.rdsLevel = config.rdsLevel;
    status.pilotLevel = 0;  // the station's pilot is in the input
    status.startedUnix = hooks.nowUnix ? hooks.nowUnix() : 0;
    status.pid = static_cast<int>(::getpid());
    status.serverRate = sink.serverRate();
    status.note = sink.serverNote();
    // The snapshot goes to the status thread through `shared`; the loop only
    // ever tries the lock, so that it never waits for the disk.
    std::mutex snapMutex;
    std::vector<float> shared;
    auto write = hooks.writeStatus ? hooks.writeStatus : [&statePath, &snapMutex, &shared](const AirStatus& s, std::string& why) {
        std::vector<float> samples;
        {
            std::lock_guard<std::mutex> guard(snapMutex);
            samples.swap(shared);
        }
        if (!samples.empty() && !WriteAirSnapshot(statePath, samples, &why))
            return false;
        return WriteAirStatus(statePath, s, &why);
    };
    std::optional<StatusThread> writer;
    writer.emplace(std::move(write), hooks.report);

    const std::size_t period = std::max<std::size_t>(sink.period(), 1);
    std::vector<float> buffer(period);
    std::vector<float> scratch(period);
    std::int64_t backlogDrops = 0;
    double latencyInSum = 0;
    std::vector<float> ring(kSnapshotFrames, 0.0f);
    std::size_t ringAt = 0;
    DriftMeter drift(config.rate);
    std::int64_t xruns = 0;
    double latencySum = 0;
    std::int64_t latencyCount = 0;
    std::int64_t lastStatus = -1;
    std::int64_t sinceReload = 0;
    LevelPhaseFollower follower(looks.state().extension);
    std::int64_t done = 0;
    bool ok = true;
    while (frames < 0 || done < frames) {
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        if (sinceReload >= config.rate / 20) {
            sinceReload = 0;
            looks.ask();
        }
        if (looks.take())
            follower.apply(looks.state().extension, modulator, true);
        onAir = rds::EncoderStream::OnAir(looks.state());
        modulator.setSubcarrier(onAir);
        const std::size_t want =
            frames >= 0 ? static_cast<std::size_t>(std::min<std::int64_t>(frames - done, period)) : period;
        const std::size_t got = source.read(buffer.data(), want);
        if (got == 0) {
            if (!source.error().empty()) {
                error = source.error();
                ok = false;
                break;
            }
            if (source.frames() < 0)
                continue;  // a device interrupted by a signal: the loop looks whether to stop
            break;
        }
        std::int64_t captured = source.delayFrames();
        loop.process(buffer.data(), buffer.data(), got);
        if (!sink.write(buffer.data(), got)) {
            error = sink.error();
            ok = false;
            break;
        }
        done += static_cast<std::int64_t>(got);
        sinceReload += static_cast<std::int64_t>(got);
        // The newest frame read was captured `captured` frames ago and plays
        // after what the sink still holds.
        const std::int64_t queued = sink.delayFrames();
        if (const std::int64_t drop = BacklogToDrop(source.availableFrames(), queued, period); drop > 0) {
            // A stall (the program stopped or starved of the processor) left
            // the capture behind: what it kept plays no more, so that the way
            // through is three periods again. The input jumps once, as it
            // does at an overrun.
            const std::int64_t gone = DropFrames(source, scratch, drop);
            if (gone < 0) {
                error = source.error();
                ok = false;
                break;
            }
            ++backlogDrops;
            captured = source.delayFrames();
            if (hooks.report)
                hooks.report("backlog drop " + std::to_string(backlogDrops) + " on " + source.description() + ": " +
                             std::to_string(gone * 1000 / config.rate) + " ms of capture behind after a stall, dropped");
        }
        const double latency = static_cast<double>(captured + queued);
        const std::int64_t x = source.overruns() + sink.underruns() + backlogDrops;
        if (x != xruns) {
            xruns = x;
            drift.restart();
        }
        drift.add(done, latency);
        latencySum += latency;
        latencyInSum += static_cast<double>(captured);
        ++latencyCount;
        for (std::size_t i = 0; i < got; ++i) {
            ring[ringAt] = buffer[i];
            ringAt = ringAt + 1 == ring.size() ? 0 : ringAt + 1;
        }

        const std::int64_t now = hooks.nowUnix ? hooks.nowUnix() : 0;
        if (now != lastStatus) {
            lastStatus = now;
            status.updatedUnix = now;
            status.groups = modulator.groupsStarted();
            status.underruns = sink.underruns();
            status.overruns = source.overruns();
            status.rdsOn = onAir;
            status.pilot = PilotStateName(lock.state());
            status.pilotHz = lock.frequency();
            status.inputPilotLevel = lock.level() * 100;
            status.rdsLevel = modulator.rdsLevel();
            status.rdsPhase = modulator.rdsPhase();
            status.clips = loop.clipped();
            if (latencyCount > 0) {
                const double mean = latencySum / static_cast<double>(latencyCount);
                const double in = latencyInSum / static_cast<double>(latencyCount);
                status.latencyMs = mean * 1000.0 / config.rate;
                status.latencyPeriods = mean / static_cast<double>(period);
                status.latencyInMs = in * 1000.0 / config.rate;
                status.latencyOutMs = (mean - in) * 1000.0 / config.rate;
            }
            status.backlogDrops = backlogDrops;
            latencySum = 0;
            latencyInSum = 0;
            latencyCount = 0;
            const std::optional<double> ppm = drift.ppm();
            status.driftKnown = ppm.has_value();
            status.driftPpm = ppm.value_or(0);
            {
                std::unique_lock<std::mutex> guard(snapMutex, std::try_to_lock);
                if (guard.owns_lock()) {
                    shared.resize(ring.size());
                    std::copy(ring.begin() + static_cast<std::ptrdiff_t>(ringAt), ring.end(), shared.begin());
                    std::copy(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(ringAt),
                              shared.begin() + static_cast<std::ptrdiff_t>(ring.size() - ringAt));
                }
            }
            writer->post(status);
        }
    }
    if (!sink.close() && ok) {
        error = sink.error();
        ok = false;
    }
    writer.reset();  // the last write is done
    RemoveOwnStatus(statePath, status.pid, hooks.fileSystem);
    if (loop.clipped() > 0 && hooks.report)
        hooks.report(std::to_string(loop.clipped()) + " clipped sample" + (loop.clipped() == 1 ? "" : "s") +
                     " in the loop-through");
    return ok;
}

} // namespace quorvan::air
