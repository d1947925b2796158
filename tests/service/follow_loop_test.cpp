// The follower's event loop on a clock that only moves when the loop waits:
// the timers tick in order, a command that comes over a real loopback socket
// runs between the ticks, and the drain at the end answers what came before
// the end, writing for at most its five seconds and answering the rest "!".
#include "encoder/encoder_rig.h"
#include "encoder/image_layout.h"
#include "service/follow_loop.h"
#include "settings/settings_keys.h"
#include "sources/link_follow_encoder.h"
#include "sources/source_test_support.h"
#include "support/loopback_client.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvan::service {
namespace {

using test::EncoderRig;

// Real poll() without waiting; a wait that finds nothing ready moves the
// manual clock instead, up to the next scripted action.
class ManualPoller final : public Poller {
public:
    ManualPoller(ManualTime& time, const Stopwatch& stopwatch) : time_(time), stopwatch_(stopwatch), start_(stopwatch.elapsedMs()) {}
    void at(std::int64_t ms, std::function<void()> action) { actions_.emplace(ms, std::move(action)); }
    std::int64_t sinceStart() const { return stopwatch_.elapsedMs() - start_; }
    int poll(std::vector<pollfd>& fds, int timeoutMs) override
    {
        const int ready = ::poll(fds.data(), fds.size(), 0);
        if (ready != 0 || timeoutMs <= 0)
            return ready;
        std::int64_t until = sinceStart() + timeoutMs;
        if (!actions_.empty())
            until = std::min(until, std::max(actions_.begin()->first, sinceStart()));
        time_.sleepMs(static_cast<unsigned>(until - sinceStart()));
        while (!actions_.empty() && actions_.begin()->first <= sinceStart()) {
            auto action = std::move(actions_.begin()->second);
            actions_.erase(actions_.begin());
            action();
        }
        return ::poll(fds.data(), fds.size(), 0);
    }

private:
    ManualTime& time_;
    const Stopwatch& stopwatch_;
    std::int64_t start_;
    std::multimap<std::int64_t, std::function<void()>> actions_;
};

struct Host final : remote::RemoteHost {
    explicit Host(EncoderRig& r) : rig(r) {}
    EncoderContext encoder(const TStationParams&) override { return rig.context(false); }
    bool operationEnded() override
    {
        rig.time.sleepMs(operationMs);  // a slow bus
        return true;
    }
    EncoderRig& rig;
    unsigned operationMs = 0;
};

using Client = test_support::LoopbackClient;

// The end asked: readable once a byte is written.
struct Pipe {
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    int& operator[](int i) { return fds[i]; }
    int fds[2] = {-1, -1};
};

struct LoopRig {
    LoopRig()
    {
        params.radiotext.CBRTEN = params.textSources.CBR1FF = true;
        params.textSources.ER1F = "rt.txt";
        write("rt.txt", "FIRST TEXT");
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir.path() + name) << text; }
    void stopAt(std::int64_t ms)
    {
        poller.at(ms, [this] { ASSERT_EQ(::write(stopPipe[1], "x", 1), 1); });
    }
    void listen()
    {
        remote::ListenerConfig lines;
        lines.udpPort = 0;
        lines.tcpPort = remote::kAnyPort;
        ASSERT_TRUE(ports.lines().start(lines));
        ports.lines().onLog = [this] { ranAt.push_back(poller.sinceStart()); };
        loop.serve(ports, host);
    }
    void run()
    {
        FollowSession session(params, memory, encoder, {dir.path(), &fs, &rig.time, &stopwatch, &loop.waiter()},
                              [this](const FollowEvent& e) {
                                  events.push_back(std::to_string(poller.sinceStart()) + " " + e.target + " " + e.text);
                              });
        loop.run(session);
    }

    testing::ScratchDir dir;
    PosixSourceFileSystem fs;
    EncoderRig rig;
    ClockStopwatch stopwatch{rig.time};
    ManualPoller poller{rig.time, stopwatch};
    Pipe stopPipe;
    TStationParams params;
    SettingsValues values;
    TextSourceMemory memory;
    LinkFollowEncoder encoder{rig.link, params, rig.time, rig.time};
    FollowLoop loop{{&stopwatch, &poller, stopPipe[0]}, params, values};
    remote::RemoteService ports{stopwatch, rig.time};
    Host host{rig};
    std::vector<std::string> events;
    std::vector<std::int64_t> ranAt;
};

TEST(FollowLoop, TimersTickInOrderOnTheInjectedClockAndTheEndStopsTheWait)
{
    LoopRig r;
    r.params.system.CTRunning = true;
    r.poller.at(4000, [&r] { r.write("rt.txt", "SECOND TEXT"); });
    r.stopAt(7050);
    r.run();
    // Clock time loaded at once and the source read at once; the 100 ms
    // clock-time tick loads the next minute's record a few ticks later; the
    // source, read every 3 s, sends the change written at 4 s at 6 s.
    EXPECT_EQ(r.events, (std::vector<std::string>{"0 CT 12:01", "0 RT1 FIRST TEXT", "300 CT 12:01",
                                                  "6000 RT1 SECOND TEXT"}));
    // The end is seen within one wait of at most 100 ms.
    EXPECT_GE(r.poller.sinceStart(), 7050);
    EXPECT_LE(r.poller.sinceStart(), 7150);
}

TEST(FollowLoop, ACommandRunsWhenItComesNotAtTheNextTickAndItsKeyIsSaved)
{
    LoopRig r;
    r.listen();
    Client client(r.ports.lines().listener().tcpPort());
    r.poller.at(1000, [&client] { client.send("PTY=4\r\nPTY?\r\n"); });
    r.stopAt(2000);
    r.run();
    EXPECT_EQ(client.held(), "+\r\nPTY=4\r\n");
    EXPECT_EQ(r.rig.ram(image::kPTY, 1), "04");
    ASSERT_FALSE(r.ranAt.empty());
    EXPECT_GE(r.ranAt.front(), 1000);
    EXPECT_LT(r.ranAt.front(), 1200);
    EXPECT_EQ(r.loop.changedKeys(), std::set<const SettingKey*>{findSettingKey("General", "PTY")});
}

TEST(FollowLoop, TheDrainAnswersWhatCameBeforeTheEndAndWritesForAtMostFiveSeconds)
{
    LoopRig r;
    r.listen();
    Client client(r.ports.lines().listener().tcpPort());
    // Sent just before the end: the loop sees the end first, the drain runs them.
    client.send("PTY=4\r\nPTY?\r\n");
    ASSERT_EQ(::write(r.stopPipe[1], "x", 1), 1);
    r.run();
    EXPECT_EQ(client.held(), "+\r\nPTY=4\r\n");
    EXPECT_LT(r.poller.sinceStart(), FollowLoop::kFinishLinesMs);

    // On a bus that takes 3 s an operation, the third line comes after the
    // five seconds: answered "!" and not written.
    LoopRig slow;
    slow.listen();
    slow.host.operationMs = 3000;
    Client late(slow.ports.lines().listener().tcpPort());
    late.send("PTY=4\r\nPI=1234\r\nMS=1\r\n");
    ASSERT_EQ(::write(slow.stopPipe[1], "x", 1), 1);
    slow.run();
    EXPECT_EQ(late.held(), "+\r\n+\r\n!\r\n");
    EXPECT_EQ(slow.rig.ram(image::kPTY, 1), "04");
    EXPECT_LE(slow.poller.sinceStart(), FollowLoop::kFinishLinesMs + FollowLoop::kFinishRepliesMs + 3000);
}

} // namespace
} // namespace quorvan::service
