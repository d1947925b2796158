#include "service/follow_loop.h"

#include "settings/settings_keys.h"

namespace quorvan::service {

int SystemPoller::poll(std::vector<pollfd>& fds, int timeoutMs)
{
    return ::poll(fds.data(), fds.size(), timeoutMs);
}

FollowLoop::FollowLoop(const Environment& env, TStationParams& params, const SettingsValues& values)
    : env_(env), params_(params), values_(values)
{
}

void FollowLoop::serve(remote::RemoteService& service, remote::RemoteHost& host)
{
    service_ = &service;
    host_ = &host;
}

bool FollowLoop::stopRequested()
{
    std::vector<pollfd> p{{env_.stopFd, POLLIN, 0}};
    return env_.poller->poll(p, 0) > 0 && (p[0].revents & POLLIN) != 0;
}

void FollowLoop::run(FollowSession& session)
{
    session.run([this] { return stopRequested(); });
    if (service_)
        finish();
}

void FollowLoop::wait(unsigned ms)
{
    if (service_ && service_->pending())
        runCommands();
    // The stop descriptor first: Ctrl+C ends the wait at once.
    std::vector<pollfd> fds{{env_.stopFd, POLLIN, 0}};
    int timeout = static_cast<int>(ms);
    if (service_) {
        for (const remote::Listener::Watch& w : service_->watches())
            fds.push_back({w.fd, static_cast<short>((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
        const std::int64_t next = service_->expire();
        if (next >= 0 && next < timeout)
            timeout = static_cast<int>(next);
    }
    if (env_.poller->poll(fds, timeout) <= 0)
        return;
    for (std::size_t i = 1; i < fds.size(); ++i)
        if (fds[i].revents != 0)
            service_->handle(fds[i].fd);
    if (service_ && service_->pending())
        runCommands();
}

// From kFinishLinesMs after the end was asked, the lines still waiting are
// answered without the bus. A long run of commands may see the end first.
bool FollowLoop::late()
{
    if (!endingAt_ && stopRequested())
        endingAt_ = env_.stopwatch->elapsedMs();
    return endingAt_ && env_.stopwatch->elapsedMs() - *endingAt_ >= kFinishLinesMs;
}

void FollowLoop::runCommands()
{
    if (!service_)
        return;
    SettingsValues before = values_, after = values_;
    before.params = params_;
    if (!service_->runPending(params_, *host_, [this] { return late(); }))
        return;
    after.params = params_;
    for (const SettingKey& key : settingKeys())
        if (settingText(key, before) != settingText(key, after))
            changedKeys_.insert(&key);
}

void FollowLoop::finish()
{
    if (!endingAt_)
        endingAt_ = env_.stopwatch->elapsedMs();
    // Late, lines are answered at once: what the sockets still hold drains
    // fast, and only a sender that never stops is cut off, at the very end.
    service_->drain(*endingAt_ + kFinishLinesMs + kFinishRepliesMs, [this] { runCommands(); });
}

} // namespace quorvan::service
