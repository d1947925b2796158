// The remote service: every way in from outside the program behind one set
// of calls. It owns the network command port (the line protocol), the
// encoder protocol port (UECP over TCP, UDP and a serial line) and the
// transfer service that reads their sockets while a bus transfer holds the
// program. The window watches its descriptors with notifiers, quorvanctl
// follow with poll(); both run what came through runPending().
//
// It never blocks its caller (drain() at the end excepted, which waits a
// bounded time for replies to leave) and never runs a command from inside a
// transfer: what comes then waits for runPending().
#pragma once

#include "content/station_params.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "remote/command_port.h"
#include "remote/listener.h"
#include "remote/transfer_service.h"
#include "remote/uecp_port.h"
#include "sources/timer_loop.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quorvan::remote {

class RemoteService {
public:
    RemoteService(const Stopwatch& stopwatch, const Clock& clock);
    ~RemoteService();

    // The two ports, for starting, stopping, their status and their logs.
    CommandPort& lines() { return lines_; }
    const CommandPort& lines() const { return lines_; }
    UecpPort& uecp() { return uecp_; }
    const UecpPort& uecp() const { return uecp_; }

    // Every descriptor to watch, both ports'.
    std::vector<Listener::Watch> watches() const;
    // One descriptor is ready (read or write, as its watch asked).
    void handle(int fd);
    // Reads every descriptor once without waiting.
    void handleAll();
    // Closes idle connections, drops partial frames older than 5 s and logs
    // the counts of lines not shown; returns the milliseconds until the next
    // check is due (-1: none).
    std::int64_t expire();

    bool pending() const { return lines_.pending() || uecp_.pending(); }
    // Runs what both ports have waiting, the lines first; true when a
    // station value changed. `late`: see CommandPort::runPending.
    bool runPending(TStationParams& params, RemoteHost& host, const std::function<bool()>& late = {});

    // Reads the sockets during the link's transfers (again after its port
    // lines changed); detach() gives the link its own lines back.
    void attach(TEncoderLink& link) { transfers_.attach(link); }
    void detach(TEncoderLink& link) { transfers_.detach(link); }

    // The end of a program that serves the ports: what the descriptors
    // already hold is read and `run` runs it, until nothing waits or the
    // stopwatch reaches `endMs`; what the line port still holds then is run
    // once more (`run` answers it late, without the bus), and the replies
    // get until `endMs` to leave.
    void drain(std::int64_t endMs, const std::function<void()>& run);

    // Both ports stop listening; the serial line closes.
    void stop();

private:
    const Stopwatch& stopwatch_;
    CommandPort lines_;
    UecpPort uecp_;
    TransferService transfers_;
};

} // namespace quorvan::remote
