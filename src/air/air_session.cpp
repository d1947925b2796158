#include "air/air_session.h"

#include "rds/generator.h"
#include "settings/file_system.h"
#include "sim/shared_state.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

namespace quorvan::air {

namespace {

// Frames between two looks at the state file: 50 ms of the device's clock.
std::int64_t ReloadFrames(int rate)
{
    return rate / 20;
}

// Writes the status file on a thread of its own, so that a disk that stalls
// never holds up the loop that feeds the device. The loop hands over the
// newest status without waiting; one that arrives while the last is still
// being written replaces it. A failure is told once, with its cause, until a
// write succeeds again.
class StatusThread {
public:
    StatusThread(std::function<bool(const AirStatus&, std::string&)> write, std::function<void(const std::string&)> report)
        : write_(std::move(write)), report_(std::move(report)), thread_([this] { run(); })
    {
    }
    ~StatusThread()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    // Never blocks: the thread holds the lock only to take a copy.
    void post(const AirStatus& status)
    {
        std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock())
            return;  // the next second brings a newer one
        pending_ = status;
        lock.unlock();
        wake_.notify_one();
    }

private:
    void run()
    {
        bool told = false;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || pending_; });
            if (!pending_)
                return;  // stopped with nothing left to write
            const AirStatus status = *pending_;
            pending_.reset();
            const bool stopping = stop_;
            lock.unlock();
            std::string why;
            const bool ok = write_(status, why);
            if (!ok && !told && report_)
                report_("the status file cannot be written: " + why);
            told = !ok;
            lock.lock();
            if (stopping)
                return;
        }
    }

    std::function<bool(const AirStatus&, std::string&)> write_;
    std::function<void(const std::string&)> report_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<AirStatus> pending_;
    bool stop_ = false;
    std::thread thread_;
};

// The common loop: asks `fill` for each period and writes it, hands the
// status to its thread, stops at `frames` (when >= 0) or on request.
bool Pump(Sink& sink, const ModulatorConfig& config, std::int64_t frames, const SessionHooks& hooks,
          const std::string& statePath, const std::function<void(float*, std::size_t)>& fill,
          const std::function<std::int64_t()>& groups, const std::function<bool()>& rdsOn, std::string& error)
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
        // Another process's status (one that took the file over) stays.
        const std::optional<AirStatus> last = ReadAirStatus(statePath);
        if (last && last->pid == status.pid) {
            PosixFileSystem posix;
            (hooks.fileSystem ? *hooks.fileSystem : static_cast<SettingsFileSystem&>(posix))
                .removeFile(AirStatusPath(statePath));
        }
    }
    return ok;
}

} // namespace

bool PlayLive(SharedEncoderState& state, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
              const SessionHooks& hooks, std::string& error)
{
    rds::EncoderStream stream;
    const auto& encoder = state.encoder();
    bool onAir = rds::EncoderStream::OnAir(encoder->state());
    // Off the air the bit clock runs on through empty groups; the stream
    // waits and goes on where it stood.
    Modulator modulator(config, [&] { return onAir ? stream.Next(encoder->state()) : rds::Group{}; });
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
        onAir = rds::EncoderStream::OnAir(encoder->state());
        modulator.setSubcarrier(onAir);  // no power or carrier off: the pilot alone
        modulator.render(out, n);
    };
    return Pump(sink, config, frames, hooks, state.path(), fill, [&] { return modulator.groupsStarted(); },
                [&] { return onAir; }, error);
}

bool PlayGroups(const std::vector<rds::Group>& groups, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
                const SessionHooks& hooks, std::string& error)
{
    std::size_t next = 0;
    Modulator modulator(config, [&] { return next < groups.size() ? groups[next++] : rds::Group{}; });
    modulator.setSubcarrier(!groups.empty());  // off the air: the pilot alone
    auto fill = [&](float* out, std::size_t n) { modulator.render(out, n); };
    return Pump(sink, config, frames, hooks, "", fill, [&] { return modulator.groupsStarted(); },
                [&] { return !groups.empty(); }, error);
}

} // namespace quorvan::air
