#include "air/pulled_session.h"

#include "air/status_thread.h"
#include "settings/file_system.h"
#include "sim/shared_state.h"

#include <algorithm>
#include <stdexcept>
#include <unistd.h>

namespace quorvan::air {

bool GroupQueue::push(const rds::Group& group)
{
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == kCapacity)
        return false;
    slots_[tail % kCapacity] = group;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

bool GroupQueue::pop(rds::Group& group)
{
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire))
        return false;
    group = slots_[head % kCapacity];
    head_.store(head + 1, std::memory_order_release);
    return true;
}

std::size_t GroupQueue::size() const
{
    return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire);
}

PulledAir::PulledAir(SharedEncoderState& state, const ModulatorConfig& config, bool loop, double rdsPhase)
    : state_(state), config_(config), loop_(loop), follower_(state.encoder()->extension()),
      levelAsked_(config.rdsLevel), phaseAsked_(rdsPhase), levelInUse_(config.rdsLevel), phaseInUse_(rdsPhase)
{
    if (loop && config.pilotLevel > 0)
        throw std::invalid_argument("a loop-through adds no pilot: the station's MPX carries its own");
    // The modulator takes its first groups as it is made.
    follow({});
    modulator_ = std::make_unique<Modulator>(config, [this] { return take(); });
    modulator_->setSubcarrier(onAir_.load());
    if (loop) {
        modulator_->setRdsPhase(rdsPhase);
        lock_ = std::make_unique<PilotLock>(config.rate);
        through_ = std::make_unique<LoopThrough>(*lock_, *modulator_);
        snapshot_.resize(kSnapshotFrames);
        // The locked modulator makes its tables at its first frame: here,
        // and not on the device's thread.
        float silence = 0;
        through_->process(&silence, &silence, 1);
    }
}

rds::Group PulledAir::take()
{
    rds::Group group;
    if (!queue_.pop(group))
        starved_.fetch_add(1, std::memory_order_relaxed);
    return group;
}

void PulledAir::process(const float* input, float* out, std::size_t frames)
{
    const bool on = onAir_.load(std::memory_order_relaxed);
    modulator_->setSubcarrier(on);  // no power or carrier off: the pilot (or the input) alone
    // A changed level or phase: the modulator ramps or slews to it (no
    // allocation, no lock).
    const double level = levelAsked_.load(std::memory_order_relaxed);
    if (level != modulator_->rdsLevel()) {
        modulator_->setRdsLevel(level);
        levelInUse_.store(modulator_->rdsLevel(), std::memory_order_relaxed);
    }
    const double phase = phaseAsked_.load(std::memory_order_relaxed);
    if (loop_ && phase != modulator_->rdsPhase()) {
        modulator_->slewRdsPhase(phase);
        phaseInUse_.store(modulator_->rdsPhase(), std::memory_order_relaxed);
    }
    if (loop_) {
        through_->process(input, out, frames);
        framesLocked_.store(lock_->framesLocked(), std::memory_order_relaxed);
        clipped_.store(through_->clipped(), std::memory_order_relaxed);
        pilotHz_.store(lock_->frequency(), std::memory_order_relaxed);
        pilotSeen_.store(lock_->pilotSeen(), std::memory_order_relaxed);
        pilotState_.store(static_cast<int>(lock_->state()), std::memory_order_relaxed);
        inputPilotLevel_.store(lock_->level() * 100, std::memory_order_relaxed);
        int stage = snapshotStage_.load(std::memory_order_acquire);
        if (stage == kSnapshotAsked) {
            snapshotFill_ = 0;
            stage = kSnapshotGathering;
            snapshotStage_.store(stage, std::memory_order_relaxed);
        }
        if (stage == kSnapshotGathering) {
            const std::size_t n = std::min(frames, snapshot_.size() - snapshotFill_);
            std::copy_n(out, n, snapshot_.begin() + static_cast<std::ptrdiff_t>(snapshotFill_));
            snapshotFill_ += n;
            if (snapshotFill_ == snapshot_.size())
                snapshotStage_.store(kSnapshotReady, std::memory_order_release);
        }
    } else {
        modulator_->render(out, frames);
    }
    groups_.store(modulator_->groupsStarted(), std::memory_order_relaxed);
    frames_.fetch_add(static_cast<std::int64_t>(frames), std::memory_order_release);
}

void PulledAir::follow(const std::function<void(const std::string&)>& report)
{
    // 50 ms of the device's frames between two looks at the file, as the
    // live air on a sound card.
    const std::int64_t now = frames();
    if (modulator_ && now - lastReload_ >= config_.rate / 20) {
        lastReload_ = now;
        std::string why;
        state_.reloadIfChanged(why);
        if (!why.empty() && !unreadable_ && report)
            report(why + "; the last good state stays on air");
        unreadable_ = !why.empty();
        const LevelPhase changed = follower_.changes(state_.encoder()->extension());
        if (changed.level)
            levelAsked_.store(*changed.level, std::memory_order_relaxed);
        if (changed.phase)
            phaseAsked_.store(*changed.phase, std::memory_order_relaxed);
    }
    const EncoderState& encoder = state_.encoder()->state();
    const bool on = rds::EncoderStream::OnAir(encoder);
    onAir_.store(on, std::memory_order_relaxed);
    // Off the air the bit clock runs on through empty groups; the stream
    // waits and goes on where it stood.
    while (queue_.size() < kAhead)
        queue_.push(on ? stream_.Next(encoder) : rds::Group{});
}

LoopSummary PulledAir::summary() const
{
    LoopSummary s;
    s.frames = frames();
    s.framesLocked = framesLocked_.load(std::memory_order_relaxed);
    s.rate = config_.rate;
    s.pilotSeen = pilotSeen_.load(std::memory_order_relaxed);
    s.pilotHz = pilotHz_.load(std::memory_order_relaxed);
    s.rdsPhase = rdsPhase();
    s.clipped = clipped_.load(std::memory_order_relaxed);
    return s;
}

bool PulledAir::takeSnapshot(std::vector<float>& samples)
{
    if (!loop_)
        return false;
    const int stage = snapshotStage_.load(std::memory_order_acquire);
    if (stage == kSnapshotReady) {
        samples = snapshot_;
        snapshotStage_.store(kSnapshotAsked, std::memory_order_release);  // the next one at once
        return true;
    }
    if (stage == kSnapshotIdle)
        snapshotStage_.store(kSnapshotAsked, std::memory_order_release);
    return false;
}

bool FollowPulledAir(PulledAir& air, const PulledDevice& device, std::int64_t frames, const SessionHooks& hooks,
                     std::string& error)
{
    SharedEncoderState& state = air.state();
    AirStatus status;
    status.device = device.description;
    status.rate = air.config().rate;
    status.rdsLevel = air.config().rdsLevel;
    status.pilotLevel = air.config().pilotLevel;
    status.startedUnix = hooks.nowUnix ? hooks.nowUnix() : 0;
    status.pid = static_cast<int>(::getpid());
    if (air.loop()) {
        status.input = device.input.empty() ? device.description : device.input;
        status.pilotLevel = 0;  // the station's pilot is in the input
    }
    std::vector<float> snapshot;
    auto write = hooks.writeStatus ? hooks.writeStatus : [&state, &snapshot](const AirStatus& s, std::string& why) {
        if (!snapshot.empty() && !WriteAirSnapshot(state.path(), snapshot, &why))
            return false;
        snapshot.clear();
        return WriteAirStatus(state.path(), s, &why);
    };
    std::int64_t lastStatus = -1;
    bool told = false;
    bool ok = true;
    for (;;) {
        air.follow(hooks.report);
        std::string why;
        if (device.gone && device.gone(why)) {
            error = why;
            ok = false;
            break;
        }
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        if (frames >= 0 && air.frames() >= frames)
            break;
        const std::int64_t now = hooks.nowUnix ? hooks.nowUnix() : 0;
        if (now != lastStatus) {
            lastStatus = now;
            status.updatedUnix = now;
            status.groups = air.groups();
            status.underruns = device.underruns ? device.underruns() : 0;
            status.rdsOn = air.rdsOn();
            status.rdsLevel = air.rdsLevel();
            status.rdsPhase = air.rdsPhase();
            if (air.loop()) {
                const LoopSummary loop = air.summary();
                status.pilot = PilotStateName(air.pilotState());
                status.pilotHz = loop.pilotHz;
                status.inputPilotLevel = air.inputPilotLevel();
                status.clips = loop.clipped;
                std::vector<float> taken;
                if (air.takeSnapshot(taken))
                    snapshot.swap(taken);
            }
            std::string cause;
            const bool written = write(status, cause);
            if (!written && !told && hooks.report)
                hooks.report("the status file cannot be written: " + cause);
            told = !written;
        }
        if (device.wait)
            device.wait();
    }
    // Another process's status (one that took the file over) stays.
    RemoveOwnStatus(state.path(), status.pid, hooks.fileSystem);
    return ok;
}

} // namespace quorvan::air
