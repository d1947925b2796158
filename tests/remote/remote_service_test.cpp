// The remote service: both ports behind one set of calls, on real loopback
// sockets against the virtual encoder. One poll() over its descriptors
// serves the line protocol and UECP alike, a transfer reads what comes
// without running it, and the drain at the end runs and answers what the
// sockets already hold.
#include "encoder/encoder_rig.h"
#include "encoder/image_layout.h"
#include "remote/remote_service.h"
#include "remote/serve_until_idle.h"
#include "remote/uecp_wire.h"
#include "support/loopback_client.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvan::remote {
namespace {

using test::EncoderRig;
using test::Raw;
using test::Wire;

using Client = test_support::LoopbackClient;

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
    // The loop of a front end over the service's descriptors.
    void serve() { test::ServeUntilIdle(service, service, params, host, {.what = "service"}); }

    EncoderRig rig;
    ClockStopwatch stopwatch{rig.time};
    RemoteService service{stopwatch, rig.time};
    TStationParams params;
    test::RigEncoderHost host{rig};
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
