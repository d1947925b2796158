// The network command port with real sockets on loopback against the
// virtual encoder: what each command writes into the encoder's RAM, what
// each line is answered, and the listener's safety rules. Client and server
// run in this one thread; waiting is poll() on the sockets, bounded.
#include "encoder/encoder_rig.h"
#include "content/charset.h"
#include "content/radiotext.h"
#include "remote/command_port.h"
#include "remote/serve_until_idle.h"
#include "remote/transfer_service.h"
#include "encoder/update_sequences.h"
#include "sources/timer_loop.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvan::remote {
namespace {

using test_support::Loopback;

using test::EncoderRig;
using test::TextHex;

class RigHost final : public RemoteHost {
public:
    explicit RigHost(EncoderRig& rig) : rig_(rig) {}
    EncoderContext encoder(const TStationParams&) override { return rig_.context(); }
    void restartRadiotextSwitching() override { ++restarts; }
    bool operationEnded() override
    {
        ++operations;
        return true;
    }
    int restarts = 0;
    int operations = 0;

private:
    EncoderRig& rig_;
};

class Client {
public:
    static Client Udp() { return Client(::socket(AF_INET, SOCK_DGRAM, 0)); }
    static Client Tcp(int port)
    {
        Client c(::socket(AF_INET, SOCK_STREAM, 0));
        const sockaddr_in a = Loopback(port);
        EXPECT_EQ(::connect(c.fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        return c;
    }
    Client(Client&& o) noexcept : fd(std::exchange(o.fd, -1)) {}
    Client& operator=(Client&& o) noexcept
    {
        std::swap(fd, o.fd);
        closedByPeer = o.closedByPeer;
        return *this;
    }
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
    void sendTo(int port, const std::string& bytes) const
    {
        const sockaddr_in a = Loopback(port);
        ASSERT_EQ(::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a),
                  static_cast<ssize_t>(bytes.size()));
    }
    void send(const std::string& bytes) const
    {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    // What has arrived by now (the server runs in this thread: it has answered already).
    std::string received()
    {
        std::string out;
        char buf[4096];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 0) > 0) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0) {
                closedByPeer = n == 0;
                break;
            }
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    int fd;
    bool closedByPeer = false;

private:
    explicit Client(int f) : fd(f) {}
};

struct PortRig {
    explicit PortRig(const std::string& allow = "")
    {
        ListenerConfig config;
        config.udpPort = kAnyPort;
        config.tcpPort = kAnyPort;
        config.allow = *AllowList::Parse(allow);
        EXPECT_TRUE(port.start(config)) << port.listener().status();
        rig.link.Bidirectional = true;
    }
    int udp() const { return port.listener().udpPort(); }
    int tcp() const { return port.listener().tcpPort(); }

    // Handles what the sockets hold and runs the commands, until nothing is
    // left. Loopback delivers at once, but a busy machine may hand the
    // delivery to a kernel thread: the first look waits up to 2 s for
    // something that is expected to come.
    void serve(bool expectSomething = true)
    {
        test::ServeUntilIdle(port.listener(), port, params, host, {.firstMs = expectSomething ? 2000 : 0, .laterMs = 0});
    }
    std::string ask(const std::string& lines)
    {
        Client c = Client::Tcp(tcp());
        c.send(lines);
        serve();
        return c.received();
    }

    EncoderRig rig;
    ClockStopwatch stopwatch{rig.time};
    CommandPort port{stopwatch, rig.time};
    TStationParams params;
    RigHost host{rig};
};

TEST(RemotePort, RivendellDatagramAndConnectSendClose)
{
    PortRig r;
    EXPECT_EQ(r.port.listener().status(),
              "Listening on 127.0.0.1, UDP " + std::to_string(r.udp()) + ", TCP " + std::to_string(r.tcp()));
    r.params.textSources.ER1PR = "Now: ";
    r.params.radiotext.CBRTT1 = 1;
    r.params.textSources.CBR1SC = false;  // "Send on change" belongs to the file source, not to the network
    {
        Client pad = Client::Udp();
        pad.sendTo(r.udp(), "TEXT=Artist - Title\r\n");  // the reply is never read
        r.serve();
    }
    EXPECT_EQ(r.params.radiotext.RT1, "Now: Artist - Title");
    EXPECT_EQ(r.rig.ramText(0x20, 64), "Now: Artist - Title" + std::string(45, ' '));
    EXPECT_EQ(r.rig.ram(0x1F, 1), "03");  // on, type B of RT1
    EXPECT_EQ(r.host.restarts, 1);
    ASSERT_FALSE(r.port.log().empty());
    EXPECT_EQ(r.port.log().back().peer, "127.0.0.1 UDP");  // the transport is named for both

    r.params.dynamicPs.RGDPS1M = 1;
    {
        Client pad = Client::Tcp(r.tcp());
        pad.send("DPS=Morning show\r\n");
        ::shutdown(pad.fd, SHUT_WR);
        r.serve();
        EXPECT_EQ(pad.received(), "+\r\n");
    }
    r.serve(false);
    EXPECT_EQ(r.port.listener().connections(), 0);
    EXPECT_EQ(r.params.dynamicPs.DPS1B, "Morning show");
    EXPECT_EQ(r.rig.ram(0x76, 1), "0C");
    EXPECT_EQ(r.rig.ramText(0x77, 13), "Morning show ");
    ASSERT_GE(r.port.log().size(), 2u);
    EXPECT_EQ(r.port.log().back().line, "DPS=Morning show");
    EXPECT_EQ(r.port.log().back().peer, "127.0.0.1 TCP");

    // UTF-8 when valid, otherwise Latin-1; in the Latin-1 character set.
    r.params.preferences.CBCHARSET = 0;
    EXPECT_EQ(r.ask("TEXT=Caf\xC3\xA9\nTEXT?\n"), "+\r\nTEXT=Now: Caf\xC3\xA9\r\n");
    EXPECT_EQ(r.params.radiotext.RT1, "Now: Caf\xE9");
    EXPECT_EQ(r.ask("PS=Caf\xE9\n"), "+\r\n");
    EXPECT_EQ(r.params.program.PSDEF, "Caf\xE9");
    // In the RDS character set the same letters have other codes, both ways.
    r.params.preferences.CBCHARSET = 1;
    EXPECT_EQ(r.ask("PS=\xC3\x84rger\nPS?\n"), "+\r\nPS=\xC3\x84rger\r\n");
    EXPECT_EQ(static_cast<std::uint8_t>(r.params.program.PSDEF[0]), *RdsCode(U'\u00C4'));
    // A text goes the way of a source text: read as UTF-8, the dash transliterated.
    EXPECT_EQ(r.ask("TEXT=Bj\xC3\xB6rk \xE2\x80\x93 J\xC3\xB3ga\n"), "+\r\n");
    EXPECT_EQ(r.params.radiotext.RT1, EncodeText("Now: Bj\xC3\xB6rk - J\xC3\xB3ga", Charset::Rds));
}

TEST(RemotePort, EachCommandWritesOnlyItsValue)
{
    PortRig r;
    r.params.program.PSDEF = "OLD";
    EXPECT_EQ(r.ask("PS=RADIO ON\r\nPI=12ab\r\nPTY=10\r\nTP=1\r\nMS=S\r\nDI=9\r\n"),
              "+\r\n+\r\n+\r\n+\r\n+\r\n+\r\n");
    EXPECT_EQ(r.rig.ram(0x00, 14), "12 AB " + TextHex("RADIO ON") + " 0A 09 00 01");
    EXPECT_EQ(r.rig.transactions(), 6u);  // one write each, nothing else
    EXPECT_EQ(r.params.program.PI, "12AB");
    EXPECT_EQ(r.params.program.MS, 0);
    EXPECT_EQ(r.params.program.DI, (std::array<bool, 4>{true, false, false, true}));

    EXPECT_EQ(r.ask("TA=1\r\nAF=87.6, 90.1 107.9\r\n"), "+\r\n+\r\n");
    EXPECT_EQ(r.rig.ram(0x0E, 5), "01 03 01 1A CC");
    EXPECT_EQ(r.params.program.SGAF[1], "90.1");
    EXPECT_EQ(r.ask("AF=\r\nAF?\r\n"), "+\r\nAF=\r\n");
    EXPECT_EQ(r.rig.ram(0x0F, 1), "00");

    // RT2..RT4: kept; written only while current.
    r.params.radiotext.CBRTT2 = 1;
    EXPECT_EQ(r.ask("RT2=Second\r\n"), "+\r\n");
    EXPECT_EQ(r.params.radiotext.RT2, "Second");
    EXPECT_EQ(r.rig.ramText(0x20, 6), std::string(6, '\0'));
    quorvan::SelectRadiotext(r.params, 1);
    EXPECT_EQ(r.ask("RT2=Second text\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ramText(0x20, 12), "Second text ");
    EXPECT_EQ(r.rig.ram(0x1F, 1), "03");

    // A radiotext longer than 64 is cut as a source text is: 61 and "...".
    EXPECT_EQ(r.ask("TEXT=" + std::string(70, 'x') + "\r\n"), "+\r\n");
    EXPECT_EQ(r.params.radiotext.RT1, std::string(61, 'x') + "...");
    EXPECT_EQ(r.params.radiotext.selected, RadiotextSelection::RT2);  // the selection stays

    // Clock time of the current minute, then the trigger: 12:00 on 10 May 2024, offset 0.
    EXPECT_EQ(r.ask("CT\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x67, 7), "40 01 D8 30 C0 00 01");
}

TEST(RemotePort, QueriesSendStoreAndStatus)
{
    PortRig r;
    r.params.program.PSDEF = "NEWS";
    r.params.program.PI = "D3C2";
    r.params.program.PTY = 3;
    r.params.program.TP = true;
    r.params.program.DI = {true, true, false, false};
    r.params.program.SGAF[0] = "88";
    r.params.program.SGAF[1] = "xx";
    r.params.radiotext.RT3 = "third";
    r.params.dynamicPs.RGDPS1M = 0;
    r.params.dynamicPs.DPS1[0] = "AB";
    r.rig.encoder.setStatus(3);
    EXPECT_EQ(r.ask("ps?\nPI?\nPTY?\nTP?\nTA?\nMS?\nDI?\nAF?\nRT3?\nDPS?\nSTATUS?\n"),
              "PS=NEWS\r\nPI=D3C2\r\nPTY=3\r\nTP=1\r\nTA=0\r\nMS=1\r\nDI=3\r\nAF=88.0\r\nRT3=third\r\n"
              "DPS=AB      \r\nSTATUS=3\r\n");
    EXPECT_EQ(r.params.program.SGAF[1], "xx");  // a query changes nothing

    // SEND as the button, with its one-second guard; STORE copies to EEPROM.
    EXPECT_EQ(r.ask("SEND\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x00, 2), "D3 C2");
    EXPECT_EQ(r.params.program.SGAF[1], "");  // Send closed up the list
    EXPECT_EQ(r.ask("SEND\r\n"), "-\r\n");
    EXPECT_EQ(r.ask("STORE\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.encoder.eeprom(0x00), 0xD3);
}

TEST(RemotePort, BadUnknownNotReadyAndOverLong)
{
    PortRig r;
    const TStationParams before = r.params;
    EXPECT_EQ(r.ask("PI=12345\nPTY=32\nAF=87.5\nTA=2\nHELLO\nps\x01?\n" + std::string(2000, 'x') + "\nPTY?\n"),
              "-\r\n-\r\n-\r\n-\r\n?\r\n?\r\n-\r\nPTY=0\r\n");
    EXPECT_EQ(r.params, before);
    EXPECT_EQ(r.rig.transactions(), 0u);
    // A frequency is digits with at most one decimal point and one decimal.
    for (const char* af : {"AF=-90", "AF=1x0", "AF=9O.1", "AF=10#", "AF=90.", "AF=.9", "AF=90.10", "AF=9.0.1"})
        EXPECT_EQ(r.ask(std::string(af) + "\n"), "-\r\n") << af;
    EXPECT_EQ(r.params, before);
    EXPECT_EQ(r.ask("AF=90,100.1\n"), "+\r\n");

    // The encoder does not answer: the value is taken, the reply is "!".
    r.rig.encoder.setPower(false);
    EXPECT_EQ(r.ask("PS=LOST\r\nSTATUS?\r\n"), "!\r\n!\r\n");
    EXPECT_EQ(r.params.program.PSDEF, "LOST");
}

// A PS that is not one changes nothing; blank lines are no commands.
TEST(RemotePort, TooLongOrEmptyPSAndBlankLines)
{
    PortRig r;
    r.params.program.PSDEF = "KEEP";
    const TStationParams before = r.params;
    EXPECT_EQ(r.ask("PS=ABCDEFGHIJ\r\nPS=\r\nPS=    \r\n   \r\n\r\n \t \r\nPS?\r\n"),
              "-\r\n-\r\n-\r\nPS=KEEP\r\n");
    EXPECT_EQ(r.params, before);
    EXPECT_EQ(r.rig.transactions(), 0u);
    EXPECT_EQ(r.ask("PS=Ünïcödé 12\r\n"), "-\r\n");  // 10 characters, whatever their bytes in UTF-8
    EXPECT_EQ(r.ask("PS=KVÄLL 1\r\n"), "+\r\n");
}

// Receivers clear their radiotext display when the A/B flag changes: a new
// text toggles it, the same text again keeps it.
TEST(RemotePort, ANewRadiotextTogglesTheABFlag)
{
    PortRig r;
    r.params.radiotext.CBRTEN = true;
    EXPECT_EQ(r.ask("TEXT=Adele - Hello\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x1F, 1), "01");  // nothing known on air yet: the chosen type A
    EXPECT_EQ(r.ask("TEXT=Beatles - Let It Be\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x1F, 1), "03");
    EXPECT_EQ(r.ask("RT1=Beatles - Let It Be\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x1F, 1), "03");
    quorvan::SelectRadiotext(r.params, 2);
    EXPECT_EQ(r.ask("RT3=Queen\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x1F, 1), "01");
    EXPECT_EQ(r.rig.ramText(0x20, 6), "Queen ");

    // Without ToggleAB (an older settings file) the chosen type stands.
    r.params.radiotext.ToggleAB = false;
    EXPECT_EQ(r.ask("RT3=Queen - Bohemian Rhapsody\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.ram(0x1F, 1), "01");
}

TEST(RemotePort, StoreWritesTheLinesBeforeItOnly)
{
    PortRig r;
    r.params.program.PI = "1111";
    EXPECT_EQ(r.ask("PS=AAAA\r\nSTORE\r\nPS=BBBB\r\nPI?\r\nPI=2222\r\nPI?\r\nPTY=99\r\nPS?\r\n"),
              "+\r\n+\r\n+\r\nPI=1111\r\n+\r\nPI=2222\r\n-\r\nPS=BBBB\r\n");
    EXPECT_EQ(r.rig.encoder.eeprom(0x02), 'A');
    EXPECT_EQ(r.rig.ramText(0x02, 4), "BBBB");
}

TEST(RemotePort, CommandsArrivingTogetherAreCoalesced)
{
    PortRig r;
    Client pad = Client::Udp();
    for (int i = 1; i <= 50; ++i)
        pad.sendTo(r.udp(), "TEXT=Song " + std::to_string(i) + "\r\n");
    pad.sendTo(r.udp(), "PS=ONE\r\nPS=TWO\r\n");
    r.serve();
    EXPECT_EQ(r.rig.ramText(0x20, 8), "Song 50 ");
    EXPECT_EQ(r.rig.ramText(0x02, 8), "TWO     ");
    EXPECT_EQ(r.rig.transactions(), 3u);  // one radiotext update (two transactions) and one PS write
    std::string replies = pad.received();
    EXPECT_EQ(std::count(replies.begin(), replies.end(), '+'), 52);
    EXPECT_EQ(r.port.log().back().lines, 2);
}

TEST(RemotePort, SendersOutsideAllowAreIgnored)
{
    PortRig r("10.0.0.0/8");
    Client pad = Client::Udp();
    pad.sendTo(r.udp(), "PS=INTRUDER\r\n");
    Client tcp = Client::Tcp(r.tcp());
    r.serve();
    tcp.send("PS=INTRUDER\r\n");  // already closed by the port: nothing is read
    r.serve(false);
    EXPECT_EQ(pad.received(), "");
    EXPECT_EQ(tcp.received(), "");
    EXPECT_TRUE(tcp.closedByPeer);
    EXPECT_EQ(r.port.listener().refused(), 2);
    EXPECT_EQ(r.params.program.PSDEF, "");
    EXPECT_EQ(r.rig.transactions(), 0u);
}

std::vector<std::string> logLines(const CommandPort& port)
{
    std::vector<std::string> lines;
    for (const LogEntry& e : port.log())
        lines.push_back(e.notice ? "* " + e.line : e.peer + " " + e.line + " " + e.reply);
    return lines;
}

// A flood of lines from one sender shows ten a second in the log, then one
// line with the count of the rest; every line is still answered.
TEST(RemotePort, OneSenderCannotFillTheLog)
{
    PortRig r;
    std::string flood, replies;
    for (int i = 0; i < 40; ++i) {
        flood += "HELLO\n";
        replies += "?\r\n";
    }
    EXPECT_EQ(r.ask(flood), replies);
    std::vector<std::string> expected(LogLimiter::kLinesPerSecond, "127.0.0.1 TCP HELLO ?");
    EXPECT_EQ(logLines(r.port), expected);
    // The count comes when the second is over, on its own or before the next line.
    r.rig.time.advanceMs(999);
    EXPECT_EQ(r.port.flushLog(), 1);
    r.rig.time.advanceMs(1);
    EXPECT_EQ(r.port.flushLog(), -1);
    expected.push_back("* 30 more lines from 127.0.0.1 not shown");
    EXPECT_EQ(logLines(r.port), expected);
    EXPECT_EQ(r.port.flushLog(), -1);  // said once
}

// The log shows a datagram's lines in their order, those answered at once
// among those that waited for the bus.
TEST(RemotePort, TheLogKeepsTheOrderOfTheLines)
{
    PortRig r;
    Client pad = Client::Udp();
    pad.sendTo(r.udp(), "PS=ONE\r\nBOGUS\r\nPTY=3\r\nPTY=99\r\nPS=TWO\r\n");
    r.serve();
    EXPECT_EQ(pad.received(), "+\r\n?\r\n+\r\n-\r\n+\r\n");
    const std::vector<std::string> expected = {"127.0.0.1 UDP PS=ONE +", "127.0.0.1 UDP BOGUS ?",
                                               "127.0.0.1 UDP PTY=3 +", "127.0.0.1 UDP PTY=99 -",
                                               "127.0.0.1 UDP PS=TWO +"};
    EXPECT_EQ(logLines(r.port), expected);
}

// Senders outside the allow list are logged too, as limited.
TEST(RemotePort, RefusedSendersAreLoggedAsLimited)
{
    PortRig r("10.0.0.0/8");
    Client pad = Client::Udp();
    for (int i = 0; i < 25; ++i)
        pad.sendTo(r.udp(), "PS=INTRUDER\r\n");
    r.serve();
    ASSERT_EQ(r.port.listener().refused(), 25);
    std::vector<std::string> expected(LogLimiter::kLinesPerSecond, "* refused 127.0.0.1 UDP (not in the allow list)");
    EXPECT_EQ(logLines(r.port), expected);
    r.rig.time.advanceMs(1000);
    Client tcp = Client::Tcp(r.tcp());
    r.serve();
    expected.push_back("* 15 more lines from 127.0.0.1 not shown");
    expected.push_back("* refused 127.0.0.1 TCP (not in the allow list)");
    EXPECT_EQ(logLines(r.port), expected);
}

TEST(RemotePort, EightConnectionsAtMostAndIdleOnesClosed)
{
    PortRig r;
    std::vector<Client> open;
    for (int i = 0; i < 8; ++i) {
        open.push_back(Client::Tcp(r.tcp()));
        r.serve();
        r.rig.time.advanceMs(1'000);
    }
    EXPECT_EQ(r.port.listener().connections(), 8);
    // A ninth is taken; the connection silent longest makes room for it.
    open[1].send("TP?\r\n");
    r.serve();
    Client ninth = Client::Tcp(r.tcp());
    r.serve(false);
    EXPECT_EQ(r.port.listener().connections(), 8);
    EXPECT_EQ(open[0].received(), "");
    EXPECT_TRUE(open[0].closedByPeer);
    open[0] = std::move(ninth);
    EXPECT_EQ(open[1].received(), "TP=0\r\n");
    for (Client& c : open)
        c.send("PTY?\r\n");
    r.serve();
    for (Client& c : open) {
        EXPECT_EQ(c.received(), "PTY=0\r\n");
        EXPECT_FALSE(c.closedByPeer);
    }

    // 60 s without a byte closes a connection.
    r.rig.time.advanceMs(59'000);
    open[0].send("TP?\r\n");
    r.serve();
    r.rig.time.advanceMs(1'000);
    EXPECT_EQ(r.port.listener().expireIdle(), 59'000);
    EXPECT_EQ(r.port.listener().connections(), 1);
    EXPECT_EQ(open[0].received(), "TP=0\r\n");
    EXPECT_FALSE(open[0].closedByPeer);
    open[1].received();
    EXPECT_TRUE(open[1].closedByPeer);
}

TEST(RemotePort, ALineDrippingInIsCutAfterTenSeconds)
{
    PortRig r;
    Client drip = Client::Tcp(r.tcp());
    Client busy = Client::Tcp(r.tcp());
    drip.send("PT");
    r.serve();
    for (int s = 0; s < 9; ++s) {
        r.rig.time.advanceMs(1'000);
        drip.send(s % 2 ? "Y" : " ");  // bytes keep coming, the line never ends
        busy.send("TA?\r\n");
        r.serve();
        EXPECT_GT(r.port.listener().expireIdle(), 0);
    }
    EXPECT_EQ(r.port.listener().connections(), 2);
    r.rig.time.advanceMs(1'000);
    r.port.listener().expireIdle();
    EXPECT_EQ(drip.received(), "-\r\n");
    EXPECT_TRUE(drip.closedByPeer);
    EXPECT_EQ(r.port.listener().connections(), 1);  // whole lines in time keep theirs
    std::string answers;
    for (int i = 0; i < 9; ++i)
        answers += "TA=0\r\n";
    EXPECT_EQ(busy.received(), answers);
}

TEST(RemotePort, PipelinedQueriesToAClientThatReadsAreAllAnswered)
{
    PortRig r;
    r.params.program.PI = "C0DE";
    Client reader = Client::Tcp(r.tcp());
    const int small = 4096;
    ::setsockopt(reader.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string lines;
    for (int i = 0; i < 8000; ++i)
        lines += "PI?\r\n";
    reader.send(lines);
    std::string got;
    for (int round = 0; round < 2000 && got.size() < 8000u * 9 && !reader.closedByPeer; ++round) {
        r.serve(round == 0);
        pollfd p{reader.fd, POLLIN, 0};
        ::poll(&p, 1, 50);  // a client that reads whenever something has come
        got += reader.received();
    }
    EXPECT_FALSE(reader.closedByPeer);
    EXPECT_EQ(got.size(), 8000u * 9);
    std::size_t at = 0;
    while (at < got.size() && got.compare(at, 9, "PI=C0DE\r\n") == 0)
        at += 9;
    EXPECT_EQ(at, got.size());
    EXPECT_EQ(r.port.listener().connections(), 1);
}

TEST(RemotePort, AClientThatStopsReadingIsHeldBackThenClosed)
{
    PortRig r;
    r.params.radiotext.RT1 = std::string(64, 'r');  // long replies
    Client greedy = Client::Tcp(r.tcp());
    const int small = 4096;
    ::setsockopt(greedy.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    r.serve();
    ASSERT_EQ(r.port.listener().connections(), 1);
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "TEXT?\r\n";
    for (int round = 0; round < 100; ++round) {
        ::send(greedy.fd, many.data(), many.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        r.serve(false);
    }
    // Its lines wait in the kernel; the port goes on serving others.
    EXPECT_EQ(r.port.listener().connections(), 1);
    EXPECT_GT(r.port.log().back().lines, 1000);  // the queries were answered, not refused
    EXPECT_EQ(r.ask("PTY?\r\n"), "PTY=0\r\n");
    r.rig.time.advanceMs(Listener::kIdleMs);
    r.port.listener().expireIdle();
    EXPECT_EQ(r.port.listener().connections(), 0);
}

TEST(RemotePort, StatusSaysWhyItDoesNotListen)
{
    PortRig r;
    Listener other(r.stopwatch, [](const Peer&, std::string_view, bool) {});
    ListenerConfig config;
    config.udpPort = r.udp();
    config.tcpPort = 0;
    EXPECT_FALSE(other.start(config));
    EXPECT_EQ(other.status(), "Not listening on 127.0.0.1: UDP " + std::to_string(r.udp()) + ": port in use");
    config.address = "192.0.2.1";  // not an address of this machine
    config.udpPort = kAnyPort;
    EXPECT_FALSE(other.start(config));
    EXPECT_EQ(other.status(), "Not listening on 192.0.2.1: UDP (any): address not available");
    config.address = "localhost";
    EXPECT_FALSE(other.start(config));
    EXPECT_EQ(other.status(), "Not listening: localhost is not an IP address");
}

TEST(RemotePort, SocketsAreReadWhileATransferRuns)
{
    PortRig r;
    Client pad = Client::Udp();
    int services = 0;
    TransferService service([&] {
        if (services++ == 0)
            pad.sendTo(r.udp(), "PS=DURING\r\n");
        r.port.listener().handleAll();
    });
    service.attach(r.rig.link);
    EXPECT_EQ(SendRadiotextUpdate(r.rig.link, "abc", 1), Outcome::Ready);
    EXPECT_GT(services, 10);
    EXPECT_TRUE(r.port.pending());  // queued during the transfer, not run inside it
    EXPECT_EQ(r.rig.ramText(0x20, 4), "abc ");
    r.port.runPending(r.params, r.host);
    EXPECT_EQ(r.rig.ramText(0x02, 8), "DURING  ");
    service.detach(r.rig.link);
    EXPECT_EQ(r.rig.link.portIo(), &r.rig.port);
}

} // namespace
} // namespace quorvan::remote

namespace quorvan::remote {
namespace {

TEST(RemotePort, ArtistTitleAndExplicitRTPlusTags)
{
    PortRig r;
    r.rig.withRecord();  // the virtual encoder's extension record
    r.params.radiotext.RTPlus = true;
    r.params.preferences.CBCHARSET = 0;
    r.params.textSources.ER1PR = "Now: ";
    // UTF-8 on the wire; the pattern puts the artist first, tags exact.
    EXPECT_EQ(r.ask("ARTIST=Bj\xC3\xB6rk\r\nTITLE=J\xC3\xB3ga\r\n"), "+\r\n+\r\n");
    EXPECT_EQ(r.params.radiotext.RT1, "Now: Bj\xF6rk - J\xF3ga");
    EXPECT_EQ(r.rig.rtPlus(), "03 04 05 04 01 0D 03");
    EXPECT_EQ(r.ask("RTPLUS?\r\nARTIST?\r\nTITLE?\r\n"), "RTPLUS=4,5,5,1,13,4\r\nARTIST=Bj\xC3\xB6rk\r\nTITLE=J\xC3\xB3ga\r\n");

    // Explicit tags for the text on air; bad ones change nothing.
    EXPECT_EQ(r.ask("RTPLUS=1,13,4,4,5,5\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.rtPlus(), "03 01 0D 03 04 05 04");
    EXPECT_EQ(r.ask("RTPLUS=1,60,10,0,0,0\r\nRTPLUS=1,2,3\r\nRTPLUS=1,0,1,4,0,33\r\n"), "-\r\n-\r\n-\r\n");
    EXPECT_EQ(r.rig.rtPlus(), "03 01 0D 03 04 05 04");
    // Cleared: no item on air for this text.
    EXPECT_EQ(r.ask("RTPLUS=\r\nRTPLUS?\r\n"), "+\r\nRTPLUS=\r\n");
    EXPECT_EQ(r.rig.rtPlus(), "01 00 00 00 00 00 00");
    // A new text from a source is matched with the pattern again; a title
    // without an artist is tagged alone.
    EXPECT_EQ(r.ask("TEXT=Queen - Innuendo\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.rtPlus(), "03 04 05 04 01 0D 07");
    EXPECT_EQ(r.ask("TITLE=News at six\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.rtPlus(), "03 01 05 0A 00 00 00");

    // A real encoder never receives the registers: the radiotext alone.
    PortRig hw;
    hw.params.radiotext.RTPlus = true;
    EXPECT_EQ(hw.ask("ARTIST=A\r\nTITLE=B\r\nRTPLUS=1,0,1,0,0,0\r\n"), "+\r\n+\r\n+\r\n");
    EXPECT_EQ(hw.rig.ramText(0x20, 5), "A - B");
    EXPECT_EQ(hw.rig.rtPlus(), "00 00 00 00 00 00 00");
}

// Automation that sends artist and title wants them tagged: on the virtual
// encoder they switch RT+ tagging on.
TEST(RemotePort, ArtistAndTitleSwitchTaggingOn)
{
    PortRig r;
    r.rig.withRecord();
    ASSERT_FALSE(r.params.radiotext.RTPlus);
    EXPECT_EQ(r.ask("ARTIST=Queen\r\nTITLE=Bohemian Rhapsody\r\n"), "+\r\n+\r\n");
    EXPECT_TRUE(r.params.radiotext.RTPlus);
    EXPECT_EQ(r.rig.ramText(0x20, 25), "Queen - Bohemian Rhapsody");
    EXPECT_EQ(r.rig.rtPlus(), "03 04 00 04 01 08 10");
    EXPECT_EQ(r.ask("ARTIST?\r\nTITLE?\r\n"), "ARTIST=Queen\r\nTITLE=Bohemian Rhapsody\r\n");
}

// A composed text over 64 characters is cut to 61 and "...", as TEXT= is;
// the tags stop before the dots.
TEST(RemotePort, ALongTitleIsCutWithDots)
{
    PortRig r;
    r.rig.withRecord();
    r.params.radiotext.RTPlus = true;
    EXPECT_EQ(r.ask("ARTIST=" + std::string(40, 'A') + "\r\nTITLE=" + std::string(40, 'T') + "\r\n"), "+\r\n+\r\n");
    EXPECT_EQ(r.params.radiotext.RT1, std::string(40, 'A') + " - " + std::string(18, 'T') + "...");
    EXPECT_EQ(r.ask("RTPLUS?\r\n"), "RTPLUS=4,0,40,1,43,18\r\n");
    EXPECT_EQ(r.ask("TITLE=" + std::string(70, 'x') + "\r\n"), "+\r\n");  // a title alone
    EXPECT_EQ(r.params.radiotext.RT1, std::string(61, 'x') + "...");
    EXPECT_EQ(r.ask("RTPLUS?\r\n"), "RTPLUS=1,0,61,0,0,0\r\n");
    EXPECT_EQ(r.ask("TEXT=" + std::string(70, 'y') + "\r\n"), "+\r\n");
    EXPECT_EQ(r.params.radiotext.RT1, std::string(61, 'y') + "...");
}

// ERTFromRT: the record's eRT follows TEXT= and the composed ARTIST/TITLE in
// their own letters, uncut, while the radiotext carries the station's
// character set; without it the eRT stays.
TEST(RemotePort, EnhancedRadiotextFollowsTheTextsInTheirOwnLetters)
{
    PortRig r;
    r.rig.withRecord();
    r.params.preferences.CBCHARSET = 1;  // the RDS table
    r.params.extended.ertFromRt = true;
    const auto ert = [&] { return r.rig.encoder.extension().values.ert; };
    const std::string kino = "Кино – Группа крови";
    EXPECT_EQ(r.ask("TEXT=" + kino + "\r\n"), "+\r\n");
    EXPECT_EQ(ert(), kino);
    EXPECT_EQ(r.params.extended.ert, kino);
    const std::string transliterated = EncodeText(kino, Charset::Rds);
    EXPECT_EQ(r.rig.ramText(0x20, int(transliterated.size())), transliterated);

    EXPECT_EQ(r.ask("ARTIST=Кино\r\nTITLE=Группа крови\r\n"), "+\r\n+\r\n");
    EXPECT_EQ(ert(), "Кино - Группа крови");
    // Over 64 characters: the radiotext is cut with dots, the eRT is whole.
    const std::string longTitle = "Звезда по имени Солнце, концертная запись во Дворце спорта";
    EXPECT_EQ(r.ask("ARTIST=Кино\r\nTITLE=" + longTitle + " 1990\r\n"), "+\r\n+\r\n");
    EXPECT_EQ(ert(), "Кино - " + longTitle + " 1990");
    EXPECT_EQ(r.params.radiotext.RT1.size(), kRadiotextLength);

    // A Latin-1 station: the radiotext has no Greek letters, the eRT has them.
    r.params.preferences.CBCHARSET = 0;
    EXPECT_EQ(r.ask("TEXT=Ελληνικά\r\n"), "+\r\n");
    EXPECT_EQ(ert(), "Ελληνικά");
    EXPECT_EQ(r.params.radiotext.RT1, "????????");

    r.params.extended.ertFromRt = false;
    EXPECT_EQ(r.ask("TEXT=Other\r\n"), "+\r\n");
    EXPECT_EQ(ert(), "Ελληνικά");
    EXPECT_EQ(r.rig.ramText(0x20, 5), "Other");
}

// What RTPLUS? prints, RTPLUS= takes: a tag may run to the 64th character.
TEST(RemotePort, RTPlusQueryAndSetRoundTrip)
{
    PortRig r;
    r.rig.withRecord();
    r.params.radiotext.RTPlus = true;
    EXPECT_EQ(r.ask("TITLE=" + std::string(64, 't') + "\r\n"), "+\r\n");
    EXPECT_EQ(r.ask("RTPLUS?\r\n"), "RTPLUS=1,0,64,0,0,0\r\n");
    EXPECT_EQ(r.ask("RTPLUS=1,0,64,0,0,0\r\n"), "+\r\n");
    EXPECT_EQ(r.rig.rtPlus(), "03 01 00 3F 00 00 00");
    EXPECT_EQ(r.ask("RTPLUS=1,59,5,0,0,0\r\nRTPLUS?\r\n"), "+\r\nRTPLUS=1,59,5,0,0,0\r\n");  // ends at character 64
    EXPECT_EQ(r.rig.rtPlus(), "03 01 3B 04 00 00 00");
    EXPECT_EQ(r.ask("RTPLUS=1,60,5,0,0,0\r\nRTPLUS=64,0,1,0,0,0\r\nRTPLUS=1,64,1,0,0,0\r\nRTPLUS=1,0,1,4,0,33\r\n"),
              "-\r\n-\r\n-\r\n-\r\n");
}


// The software encoder's extended values: each key sets its field of the
// virtual encoder's extension record (and of the station values) and reads
// back in the form it takes.
TEST(RemotePort, ExtendedKeysSetAndQueryRoundTrip)
{
    PortRig r;
    r.rig.withRecord();
    r.params.extended.eon[2].pi = 0xD3C5;
    EXPECT_EQ(r.ask("ECC=e0\r\nLIC=8\r\nPIN=15 09:30\r\nPTYN=Jazzbar\r\n"), "+\r\n+\r\n+\r\n+\r\n");
    EXPECT_EQ(r.ask("ECC?\r\nLIC?\r\nPIN?\r\nPTYN?\r\n"), "ECC=E0\r\nLIC=08\r\nPIN=15 09:30\r\nPTYN=Jazzbar\r\n");
    const std::string kino = "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE";  // "Кино"
    EXPECT_EQ(r.ask("LPS=Radio " + kino + "\r\nERT=" + kino + " \xE2\x80\x93 Gruppa\r\nGRPSEQ=0a 2A 0A 1A u\r\n"),
              "+\r\n+\r\n+\r\n");
    EXPECT_EQ(r.ask("LPS?\r\nERT?\r\nGRPSEQ?\r\n"),
              "LPS=Radio " + kino + "\r\nERT=" + kino + " \xE2\x80\x93 Gruppa\r\nGRPSEQ=0A 2A 0A 1A U\r\n");
    EXPECT_EQ(r.ask("EON3TA=1\r\nEON3TA?\r\nRDSLEVEL=4.5\r\nRDSPHASE=90\r\nRDSLEVEL?\r\nRDSPHASE?\r\n"),
              "+\r\nEON3TA=1\r\n+\r\n+\r\nRDSLEVEL=4.5\r\nRDSPHASE=90.0\r\n");

    const ExtensionRecord& record = r.rig.encoder.extension();
    EXPECT_EQ(record.values.ecc, 0xE0);
    EXPECT_EQ(record.values.lic, 0x08);
    EXPECT_EQ(record.values.pin, (ProgrammeItem{15, 9, 30}));
    EXPECT_EQ(record.values.ptyn, "Jazzbar");
    EXPECT_EQ(record.values.longPs, "Radio " + kino);
    EXPECT_EQ(record.values.groupSequence.size(), 5u);
    EXPECT_TRUE(record.values.eon[2].ta);
    EXPECT_EQ(record.values.eon[2].pi, 0) << "a key writes its own field of the record alone";
    EXPECT_EQ(record.rdsLevelTenths, 45);
    EXPECT_EQ(record.rdsPhaseTenths, 900);
    // The station values follow (they are saved as [Extended]); level and
    // phase are the record's alone.
    EXPECT_EQ(r.params.extended.ecc, 0xE0);
    EXPECT_EQ(r.params.extended.longPs, "Radio " + kino);
    EXPECT_TRUE(r.params.extended.eon[2].ta);
    EXPECT_EQ(r.rig.transactions(), 0u) << "nothing of it on the bus";

    // Empty: not sent (level and phase: air's own again).
    EXPECT_EQ(r.ask("ECC=\r\nPIN=\r\nRDSLEVEL=\r\nECC?\r\nPIN?\r\nRDSLEVEL?\r\n"),
              "+\r\n+\r\n+\r\nECC=\r\nPIN=\r\nRDSLEVEL=\r\n");
    EXPECT_EQ(record.values.ecc, 0);
    EXPECT_FALSE(record.values.pin);
    EXPECT_FALSE(record.rdsLevelTenths);
}

// A value out of range is refused with the line that names the key and the
// range; the old value stays, in the record and in the station values.
TEST(RemotePort, ExtendedValuesOutOfRangeAreRefused)
{
    PortRig r;
    r.rig.withRecord();
    r.params.extended.eon[2].pi = 0xD3C5;
    ASSERT_EQ(r.ask("ECC=E0\r\nLIC=08\r\nPIN=15 09:30\r\nGRPSEQ=0A 2A\r\nRDSLEVEL=4.5\r\nRDSPHASE=90\r\nEON3TA=1\r\n"),
              "+\r\n+\r\n+\r\n+\r\n+\r\n+\r\n+\r\n");
    const ExtensionRecord before = r.rig.encoder.extension();
    const ExtendedValues valuesBefore = r.params.extended;
    const struct {
        const char* line;
        const char* reply;
    } refused[] = {
        {"ECC=1FF", "- ECC: '1FF' is not a code (hexadecimal 00..FF; empty or 00: not sent)"},
        {"LIC=80", "- LIC: '80' is not a code (hexadecimal 00..7F; empty or 00: not sent)"},
        {"PIN=32 09:30", "- PIN: '32 09:30' is not a programme item"},
        {"PIN=15 24:00", "- PIN: '15 24:00' is not a programme item"},
        {"GRPSEQ=0A 2A 16A", "- GRPSEQ: '16A' at place 3 is not a group type (0A 1A 2A 3A 4A 10A 11A 12A 14A 15A U)"},
        {"RDSLEVEL=100.1", "- RDSLEVEL: '100.1' is out of range (0 to 100 % in steps of 0.1"},
        {"RDSLEVEL=4.55", "- RDSLEVEL: '4.55' is out of range (0 to 100 % in steps of 0.1"},
        {"RDSLEVEL=-1", "- RDSLEVEL: '-1' is out of range"},
        {"RDSPHASE=360", "- RDSPHASE: '360' is out of range (0 to 359.9 degrees in steps of 0.1"},
        {"RDSPHASE=ninety", "- RDSPHASE: 'ninety' is out of range"},
        {"EON3TA=2", "- EON3TA: '2' is not a switch (0 or 1)"},
        {"EON1TA=1", "- EON1TA: no other network 1 is set (EON1PI in [Extended])"},
    };
    for (const auto& c : refused) {
        const std::string reply = r.ask(std::string(c.line) + "\r\n");
        EXPECT_EQ(reply.rfind(c.reply, 0), 0u) << c.line << ": " << reply;
        EXPECT_EQ(reply.find("\r\n"), reply.size() - 2) << "one line: " << reply;
    }
    EXPECT_EQ(r.rig.encoder.extension(), before);
    EXPECT_EQ(r.params.extended, valuesBefore);
    EXPECT_EQ(r.ask("RDSLEVEL?\r\nGRPSEQ?\r\n"), "RDSLEVEL=4.5\r\nGRPSEQ=0A 2A\r\n");
}

// A text too long is cut at a character boundary, and the reply says so.
TEST(RemotePort, ExtendedTextsTooLongAreCutAndSaidSo)
{
    PortRig r;
    r.rig.withRecord();
    // 31 ASCII bytes and a two-byte letter: the letter does not fit in 32.
    const std::string lps = std::string(31, 'L') + "\xC3\xA9xyz";
    EXPECT_EQ(r.ask("LPS=" + lps + "\r\n"), "+ LPS: cut to 32 bytes of UTF-8 at a character boundary (was 36)\r\n");
    EXPECT_EQ(r.rig.encoder.extension().values.longPs, std::string(31, 'L'));
    std::string ert;
    for (int i = 0; i < 50; ++i)
        ert += "\xD0\x96";  // 100 bytes of "Ж"
    ert += std::string(27, 'e') + "\xE2\x80\x93";  // the dash would end at byte 130
    EXPECT_EQ(r.ask("ERT=" + ert + "\r\n"), "+ ERT: cut to 128 bytes of UTF-8 at a character boundary (was 130)\r\n");
    EXPECT_EQ(r.rig.encoder.extension().values.ert, ert.substr(0, 127));
    EXPECT_EQ(r.ask("PTYN=Jazz and Blues\r\n"), "+ PTYN: cut to 8 characters of the RDS table\r\n");
    EXPECT_EQ(r.rig.encoder.extension().values.ptyn, "Jazz and");
    EXPECT_EQ(r.ask("PTYN?\r\n"), "PTYN=Jazz and\r\n");
}

// A burst on one key is written once, with the newest value, and answers
// every line; a refused line in the middle is answered in its place.
TEST(RemotePort, ExtendedCommandsArrivingTogetherAreCoalesced)
{
    PortRig r;
    r.rig.withRecord();
    EXPECT_EQ(r.ask("ECC=E1\r\nECC=ZZ\r\nECC=E2\r\nRDSPHASE=0\r\nECC=E3\r\nRDSPHASE=90\r\nECC?\r\n"),
              "+\r\n- ECC: 'ZZ' is not a code (hexadecimal 00..FF; empty or 00: not sent)\r\n+\r\n+\r\n+\r\n+\r\n"
              "ECC=E3\r\n");
    EXPECT_EQ(r.host.operations, 2) << "one record operation per key";
    EXPECT_EQ(r.rig.encoder.extension().values.ecc, 0xE3);
    EXPECT_EQ(r.rig.encoder.extension().rdsPhaseTenths, 900);
}

// A real encoder keeps no extension record: every extended key is refused,
// nothing reaches its bus and the station values stay.
TEST(RemotePort, ExtendedKeysOnARealEncoderAreRefused)
{
    PortRig hw;
    const TStationParams before = hw.params;
    const std::string only = ": software encoder only (the encoder on this port keeps no extension record)\r\n";
    EXPECT_EQ(hw.ask("ECC=E0\r\nLPS=Radio\r\nRDSLEVEL=4.5\r\nRDSPHASE?\r\nPTYN?\r\n"),
              "- ECC" + only + "- LPS" + only + "- RDSLEVEL" + only + "- RDSPHASE" + only + "- PTYN" + only);
    EXPECT_EQ(hw.rig.transactions(), 0u);
    EXPECT_TRUE(hw.params == before);
}

} // namespace
} // namespace quorvan::remote
