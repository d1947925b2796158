#include "remote/remote_service.h"

#include <poll.h>

#include <algorithm>

namespace quorvan::remote {

RemoteService::RemoteService(const Stopwatch& stopwatch, const Clock& clock)
    : stopwatch_(stopwatch), lines_(stopwatch, clock), uecp_(stopwatch, clock), transfers_([this] { handleAll(); })
{
}

RemoteService::~RemoteService() = default;

std::vector<Listener::Watch> RemoteService::watches() const
{
    std::vector<Listener::Watch> out = lines_.listener().watches();
    for (const Listener::Watch& w : uecp_.watches())
        out.push_back(w);
    return out;
}

void RemoteService::handle(int fd)
{
    for (const Listener::Watch& w : uecp_.watches())
        if (w.fd == fd) {
            uecp_.handle(fd);
            return;
        }
    lines_.listener().handle(fd);
}

void RemoteService::handleAll()
{
    lines_.listener().handleAll();
    uecp_.handleAll();
}

std::int64_t RemoteService::expire()
{
    std::int64_t next = -1;
    // The count of lines a sender had not shown is due when its second is over.
    for (const std::int64_t due : {lines_.listener().expireIdle(), lines_.flushLog(), uecp_.expire()})
        if (due >= 0)
            next = next < 0 ? due : std::min(next, due);
    return next;
}

bool RemoteService::runPending(TStationParams& params, RemoteHost& host, const std::function<bool()>& late)
{
    const bool lines = lines_.runPending(params, host, late);
    const bool frames = uecp_.runPending(params, host);
    return lines || frames;
}

void RemoteService::drain(std::int64_t endMs, const std::function<void()>& run)
{
    while (stopwatch_.elapsedMs() < endMs) {
        handleAll();
        if (!pending())
            break;
        run();
    }
    if (lines_.pending())
        run();  // late by now: lines answered without the bus
    for (;;) {
        std::vector<pollfd> fds;
        for (const Listener::Watch& w : watches())
            if (w.write && w.fd != uecp_.serialFd())
                fds.push_back({w.fd, POLLOUT, 0});
        const std::int64_t left = endMs - stopwatch_.elapsedMs();
        if (fds.empty() || left <= 0 || ::poll(fds.data(), fds.size(), static_cast<int>(left)) <= 0)
            return;
        for (const pollfd& p : fds)
            if (p.revents != 0)
                handle(p.fd);
    }
}

void RemoteService::stop()
{
    lines_.stop();
    uecp_.stop();
}

} // namespace quorvan::remote
