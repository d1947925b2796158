// The loop of a network front end for the remote tests: poll the sockets a
// port or the remote service watches, hand the ready ones over, run what
// waits, until nothing comes for a while. Client and server run in the test's
// thread; every wait is a bounded poll(), never a sleep.
#pragma once

#include "encoder/encoder_rig.h"
#include "remote/command_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <poll.h>

namespace quorvan::test {

// A host whose encoder is the rig's virtual encoder (bus guarded).
struct RigEncoderHost final : remote::RemoteHost {
    explicit RigEncoderHost(EncoderRig& r) : rig(r) {}
    EncoderContext encoder(const TStationParams&) override { return rig.context(); }
    EncoderRig& rig;
};

struct ServeWaits {
    int firstMs = 2000;        // the first look: loopback may hand delivery to a kernel thread
    int laterMs = 20;          // nothing for this long after that: idle
    bool inputHeld = true;     // false: poll for input even where the port holds it back
    const char* what = "port"; // named when it never falls idle
};

// `sockets` gives watches() and handle(fd); `runner` gives pending() and
// runPending(params, host). Stops after 200 rounds with a failure.
template <class Sockets, class Runner, class Host>
void ServeUntilIdle(Sockets& sockets, Runner& runner, TStationParams& params, Host& host, const ServeWaits& waits = {})
{
    for (int round = 0; round < 200; ++round) {
        std::vector<pollfd> fds;
        for (const remote::Listener::Watch& w : sockets.watches()) {
            const bool read = w.read || !waits.inputHeld;
            fds.push_back({w.fd, static_cast<short>((read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
        }
        const int ready = ::poll(fds.data(), fds.size(), round == 0 ? waits.firstMs : waits.laterMs);
        if (ready <= 0 && !runner.pending())
            return;
        for (const pollfd& p : fds)
            if (p.revents)
                sockets.handle(p.fd);
        runner.runPending(params, host);
    }
    ADD_FAILURE() << "the " << waits.what << " never fell idle";
}

} // namespace quorvan::test
