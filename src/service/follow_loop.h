// The event loop of a front end without a window (quorvanctl follow): between
// the follower's timer ticks it waits in poll() on the remote service's
// descriptors and on a stop descriptor, handles what became ready and runs
// the commands that came; at the end it drains the ports in bounded time.
// The window does the same with Qt's loop and socket notifiers.
//
// It never touches Qt, the terminal or the settings file, never sleeps except
// in one poll() through the injected Poller, never waits beyond that poll's
// timeout (the drain's fixed limit excepted), and never runs a command from
// inside a bus transfer.
#pragma once

#include "content/station_params.h"
#include "remote/remote_service.h"
#include "settings/settings_file.h"
#include "sources/follow_session.h"
#include "sources/timer_loop.h"

#include <poll.h>

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace quorvan::service {

// poll(2) as the loop sees it; tests pair it with a clock that only moves
// when the loop waits.
class Poller {
public:
    virtual ~Poller() = default;
    // Waits at most `timeoutMs` for the descriptors; returns the count of ready
    // ones (0: the time ran out, -1: interrupted).
    virtual int poll(std::vector<pollfd>& fds, int timeoutMs) = 0;
};

class SystemPoller final : public Poller {
public:
    int poll(std::vector<pollfd>& fds, int timeoutMs) override;
};

class FollowLoop {
public:
    // How long the lines taken before the end was asked may still be written,
    // and then how long their replies may wait for the senders' sockets.
    static constexpr std::int64_t kFinishLinesMs = 5000;
    static constexpr std::int64_t kFinishRepliesMs = 1000;

    struct Environment {
        const Stopwatch* stopwatch;  // the timers' and the drain's time
        Poller* poller;
        int stopFd;                  // readable once the end is asked (SIGINT, SIGTERM)
    };

    // `values` are the settings file's values; a command's change is a key
    // whose text differs with `params` before and after it ran.
    FollowLoop(const Environment& env, TStationParams& params, const SettingsValues& values);

    // Serves the remote service while the follower runs, and drains it at the end.
    void serve(remote::RemoteService& service, remote::RemoteHost& host);

    // The follower's wait between ticks (FollowSession's sleeper).
    Sleeper& waiter() { return waiter_; }

    // Runs `session` until the end is asked, then drains the remote service:
    // what its sockets already hold is run for at most kFinishLinesMs from the
    // moment the end was seen; the lines still waiting then are answered "!"
    // unwritten, and the replies get kFinishRepliesMs more to leave.
    void run(FollowSession& session);

    // True once the stop descriptor is readable (asked without waiting).
    bool stopRequested();
    // One wait of at most `ms`: what waits is run before and after the poll.
    void wait(unsigned ms);
    // Runs what the remote service has waiting.
    void runCommands();

    // The keys whose values commands changed, in no order (the save writes
    // them in table order).
    const std::set<const SettingKey*>& changedKeys() const { return changedKeys_; }

private:
    class Waiter final : public Sleeper {
    public:
        explicit Waiter(FollowLoop& loop) : loop_(loop) {}
        void sleepMs(unsigned ms) override { loop_.wait(ms); }

    private:
        FollowLoop& loop_;
    };

    bool late();
    void finish();

    Environment env_;
    TStationParams& params_;
    const SettingsValues& values_;
    remote::RemoteService* service_ = nullptr;
    remote::RemoteHost* host_ = nullptr;
    Waiter waiter_{*this};
    std::optional<std::int64_t> endingAt_;
    std::set<const SettingKey*> changedKeys_;
};

} // namespace quorvan::service
