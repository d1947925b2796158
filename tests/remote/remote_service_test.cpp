// The remote service: both ports behind one set of calls, on real loopback
// sockets against the virtual encoder. One poll() over its descriptors
// serves the line protocol and UECP alike, a transfer reads what comes
// without running it, and the drain at the end runs and answers what the
// sockets already hold.
#include "encoder/encoder_rig.h"
#include "encoder/image_layout.h"
#include "remote/remote_service.h"
#include "remote/uecp_wire.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvan::remote {
namespace {

using test::EncoderRig;
using test::Raw;
using test::Wire;
using test_support::Loopback;

struct Host final : RemoteHost {
    explicit Host(EncoderRig& r) : rig(r) {}
    EncoderContext encoder(const TStationParams&) override { return rig.context(); }
    EncoderRig& rig;
};

struct Client {
    explicit Client(int port) : fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        const sockaddr_in a = Loopback(port);
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
    }
    ~Client() { ::close(fd); }
    void send(const std::string& bytes) const
    {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    std::string received() const
    {
        std::string out;
        char buf[2048];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, out.empty() ? 500 : 50) > 0) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0)
                break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    int fd;
};

struct ServiceRig {
    ServiceRig()
    {
        ListenerConfig lines;
        lines.udpPort = 0;
        lines.tcpPort = kAnyPort;
        EXPECT_TRUE(service.lines().start(lines));
        UecpConfig uecp;
        uecp.net.udpPort = 0;
        uecp.net.tcpPort = kAnyPort;
        EXPECT_TRUE(service.uecp().start(uecp)) << service.uecp().status();
        params.preferences.CBCHARSET = 1;
    }
    // The loop of a front end: poll the service's descriptors, handle the
    // ready ones, run what waits; until nothing comes for a while.
    void serve()
    {
        for (int round = 0; round < 200; ++round) {
            std::vector<pollfd> fds;
            for (const Listener::Watch& w : service.watches())
                fds.push_back({w.fd, static_cast<short>((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
            const int ready = ::poll(fds.data(), fds.size(), round == 0 ? 2000 : 20);
            if (ready <= 0 && !service.pending())
                return;
            for (const pollfd& p : fds)
                if (p.revents)
                    service.handle(p.fd);
            service.runPending(params, host);
        }
        ADD_FAILURE() << "the service never fell idle";
    }

    EncoderRig rig;
    ClockStopwatch stopwatch{rig.time};
    RemoteService service{stopwatch, rig.time};
    TStationParams params;
    Host host{rig};
};

TEST(RemoteService, OnePollServesTheLinesAndTheFrames)
{
    ServiceRig r;
    const std::vector<Listener::Watch> watches = r.service.watches();
    EXPECT_EQ(watches.size(), r.service.lines().listener().watches().size() + r.service.uecp().watches().size());

    Client lines(r.service.lines().listener().tcpPort());
    Client uecp(r.service.uecp().listener().tcpPort());
    lines.send("PTY=4\r\nPTY?\r\n");
    uecp.send(Wire(Raw({0x2C, 1}), 1) + Wire(Raw({0x02, 0, 0}) + "SERVICE ", 2) + Wire(Raw({0x17, 1, 0x07}), 3));
    r.serve();
    EXPECT_EQ(lines.received(), "+\r\nPTY=4\r\n");
    EXPECT_EQ(uecp.received(), Wire(Raw({0x07, 0, 0, 4}), 3));
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "SERVICE ");
    EXPECT_EQ(r.rig.ram(image::kPTY, 1), "04");
}

TEST(RemoteService, ATransferReadsBothPortsAndRunsNothingUntilItIsOver)
{
    ServiceRig r;
    Client lines(r.service.lines().listener().tcpPort());
    Client uecp(r.service.uecp().listener().tcpPort());
    r.service.attach(r.rig.link);
    // Accepted before: the transfer reads the connections' bytes.
    r.serve();
    lines.send("PTY=6\r\n");
    uecp.send(Wire(Raw({0x05, 0, 0, 0}), 1));
    ::poll(nullptr, 0, 100);  // both are in the kernel's buffers
    EXPECT_FALSE(r.service.pending());
    r.rig.link.SendStart(true);  // a transfer's line changes call the service
    for (int i = 0; i < 20; ++i)
        r.rig.link.SendByte(0xD6);
    r.rig.link.SendStop(true);
    EXPECT_TRUE(r.service.lines().pending());
    EXPECT_TRUE(r.service.uecp().pending());
    EXPECT_EQ(r.params.program.PTY, 0);  // nothing ran inside the transfer
    r.service.runPending(r.params, r.host);
    EXPECT_EQ(r.params.program.PTY, 6);
    EXPECT_EQ(r.params.program.MS, 0);
    r.service.detach(r.rig.link);
}

TEST(RemoteService, TheDrainRunsAndAnswersWhatTheSocketsHold)
{
    ServiceRig r;
    Client lines(r.service.lines().listener().tcpPort());
    r.serve();  // accepted
    lines.send("PS=LASTONE\r\nPS?\r\n");
    ::poll(nullptr, 0, 100);
    int runs = 0;
    r.service.drain(r.stopwatch.elapsedMs() + 60000, [&] {
        ++runs;
        r.service.runPending(r.params, r.host);
    });
    EXPECT_GE(runs, 1);
    EXPECT_EQ(lines.received(), "+\r\nPS=LASTONE\r\n");
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "LASTONE ");
    r.service.stop();
    EXPECT_TRUE(r.service.watches().empty());
}

} // namespace
} // namespace quorvan::remote
