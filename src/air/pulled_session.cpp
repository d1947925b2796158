#include "air/pulled_session.h"

#include "settings/file_system.h"
#include "sim/shared_state.h"

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
    : state_(state), config_(config), loop_(loop)
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
    if (loop_) {
        through_->process(input, out, frames);
        framesLocked_.store(lock_->framesLocked(), std::memory_order_relaxed);
        clipped_.store(through_->clipped(), std::memory_order_relaxed);
        pilotHz_.store(lock_->frequency(), std::memory_order_relaxed);
        pilotSeen_.store(lock_->pilotSeen(), std::memory_order_relaxed);
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
    s.rdsPhase = modulator_->rdsPhase();
    s.clipped = clipped_.load(std::memory_order_relaxed);
    return s;
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
    auto write = hooks.writeStatus ? hooks.writeStatus : [&state](const AirStatus& s, std::string& why) {
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
    const std::optional<AirStatus> last = ReadAirStatus(state.path());
    if (last && last->pid == status.pid) {
        PosixFileSystem posix;
        (hooks.fileSystem ? *hooks.fileSystem : static_cast<SettingsFileSystem&>(posix))
            .removeFile(AirStatusPath(state.path()));
    }
    return ok;
}

} // namespace quorvan::air
