// The network line protocol without sockets: parsing, line splitting, the
// allow list and the coalescing of commands that wait for the bus.
#include "remote/allow_list.h"
#include "remote/command_queue.h"
#include "remote/line_protocol.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace quorvan::remote {
namespace {

using Kind = Command::Kind;

TEST(RemoteParse, KeysAndFormsOfACommand)
{
    // KEY=value and KEY value, keys in any case; the value keeps its bytes.
    const Command a = ParseLine("text=Artist - Title ");
    EXPECT_EQ(a.kind, Kind::Set);
    EXPECT_EQ(a.key, Key::RT1);
    EXPECT_EQ(a.text, "Artist - Title ");
    const Command b = ParseLine("Ps RADIO 1");
    EXPECT_EQ(b.key, Key::PS);
    EXPECT_EQ(b.text, "RADIO 1");
    EXPECT_EQ(ParseLine("RT=x").key, Key::RT1);
    EXPECT_EQ(ParseLine("rt1=x").key, Key::RT1);
    EXPECT_EQ(ParseLine("RT4=x").key, Key::RT4);
    EXPECT_EQ(ParseLine("TEXT=a=b").text, "a=b");
    EXPECT_EQ(ParseLine("TEXT").text, "");  // an empty radiotext

    EXPECT_EQ(ParseLine("ps?").kind, Kind::Query);
    EXPECT_EQ(ParseLine("STATUS?").key, Key::Status);
    EXPECT_EQ(ParseLine("TEXT?").key, Key::RT1);
    // Not commands: "?".
    for (const char* line : {"", "   ", "FOO=1", "STATUS", "CT?", "SEND?", "PS? x", "=1", "RT5=x", "?"})
        EXPECT_EQ(ParseLine(line).kind, Kind::Unknown) << line;
}

TEST(RemoteParse, ValuesOutsideTheirRulesAreBad)
{
    EXPECT_EQ(ParseLine("PI=12ab").text, "12AB");
    EXPECT_EQ(ParseLine("PI=1").text, "0001");
    EXPECT_EQ(ParseLine("PTY=31").number, 31);
    EXPECT_EQ(ParseLine("PTY=007").number, 7);
    EXPECT_EQ(ParseLine("DI 15").number, 15);
    EXPECT_EQ(ParseLine("MS=m").number, 1);
    EXPECT_EQ(ParseLine("MS=S").number, 0);
    EXPECT_EQ(ParseLine("TA=1").number, 1);
    for (const char* line : {"PI=", "PI=12345", "PI=12G4", "PI=-1", "PTY=32", "PTY=-1", "PTY=1.5", "PTY=",
                             "TP=2", "TA=yes", "MS=X", "MS=2", "DI=16", "CT=now", "SEND=1", "STORE=x"})
        EXPECT_EQ(ParseLine(line).kind, Kind::Bad) << line;
}

// The keys of the extension record: the value is checked by its [Extended]
// rule when the line is read, so that a refused one never joins a burst.
TEST(RemoteParse, ExtendedKeysAreCheckedWhenRead)
{
    const Command ecc = ParseLine("ecc=e0");
    EXPECT_EQ(ecc.kind, Kind::Set);
    EXPECT_EQ(ecc.key, Key::Ecc);
    EXPECT_EQ(ecc.text, "e0");
    EXPECT_EQ(ParseLine("LPS Radio Eins").text, "Radio Eins");
    EXPECT_EQ(ParseLine("Eon8TA=1").key, Key::Eon8TA);
    EXPECT_EQ(ParseLine("grpseq?").kind, Kind::Query);
    EXPECT_EQ(ParseLine("RDSPHASE?").key, Key::RdsPhase);
    EXPECT_STREQ(KeyName(Key::LongPs), "LPS");
    EXPECT_STREQ(KeyName(Key::GroupSequence), "GRPSEQ");
    for (const char* line : {"EON9TA=1", "EON0TA=1", "LONGPS=x", "RDSLEVEL? 1"})
        EXPECT_EQ(ParseLine(line).kind, Kind::Unknown) << line;
    const Command bad = ParseLine("RDSLEVEL=101");
    EXPECT_EQ(bad.kind, Kind::Bad);
    EXPECT_EQ(BadReply(bad), "- RDSLEVEL: '101' is out of range (0 to 100 % in steps of 0.1; empty: air's own level)");
    EXPECT_EQ(BadReply(ParseLine("PTY=32")), "-") << "the older keys' refusal stays as it was";
}

TEST(RemoteParse, AlternativeFrequencies)
{
    EXPECT_EQ(ParseLine("AF=87.6, 90.1 107.9").frequencies, (std::vector<std::string>{"87.6", "90.1", "107.9"}));
    const Command clear = ParseLine("AF=");
    EXPECT_EQ(clear.kind, Kind::Set);
    EXPECT_TRUE(clear.frequencies.empty());
    std::string fifteen = "AF=", sixteen;
    for (int i = 0; i < 15; ++i)
        fifteen += "9" + std::to_string(i % 10) + ".1,";
    sixteen = fifteen + "88.8";
    EXPECT_EQ(ParseLine(fifteen).frequencies.size(), 15u);
    EXPECT_EQ(ParseLine(sixteen).kind, Kind::Bad);
    for (const char* line : {"AF=87.5", "AF=108.0", "AF=90.1,880", "AF=88.", "AF=87.65"})
        EXPECT_EQ(ParseLine(line).kind, Kind::Bad) << line;
}

std::vector<std::string> Split(LineSplitter& s, const std::vector<std::string>& pieces, bool finish = false)
{
    std::vector<std::string> lines;
    const LineSplitter::Sink sink = [&](std::string_view line, bool tooLong) {
        lines.push_back(tooLong ? "<too long>" : std::string(line));
    };
    for (const std::string& p : pieces)
        s.feed(p, sink);
    if (finish)
        s.finish(sink);
    return lines;
}

TEST(RemoteLines, EndsSplitAcrossPiecesAndOverLongLines)
{
    LineSplitter s;
    // CR, LF and CR LF, even when the pair is cut in two; empty lines skipped.
    EXPECT_EQ(Split(s, {"A=1\r", "\nB=2\n\nC=3\rD=4\r\n", "E="}), (std::vector<std::string>{"A=1", "B=2", "C=3", "D=4"}));
    EXPECT_EQ(Split(s, {"5"}, true), (std::vector<std::string>{"E=5"}));

    // 1024 bytes pass; one more is "too long" once, skipped to its end, and
    // never held in memory.
    LineSplitter t;
    const std::string ok(kMaxLineLength, 'x');
    EXPECT_EQ(Split(t, {ok + "\n"}), (std::vector<std::string>{ok}));
    EXPECT_EQ(Split(t, {ok + "y\nPI?\n"}), (std::vector<std::string>{"<too long>", "PI?"}));  // exactly 1,025
    const std::vector<std::string> lines = Split(t, {ok, "yyyy", std::string(5000, 'z'), "\r\nPS?\n"});
    EXPECT_EQ(lines, (std::vector<std::string>{"<too long>", "PS?"}));
    EXPECT_EQ(t.pending(), 0u);
}

Address16 V4(const char* text)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, text, &a.sin_addr);
    return *AddressOf(reinterpret_cast<const sockaddr*>(&a));
}

Address16 V6(const char* text)
{
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    ::inet_pton(AF_INET6, text, &a.sin6_addr);
    return *AddressOf(reinterpret_cast<const sockaddr*>(&a));
}

TEST(RemoteAllow, EmptyMeansLoopbackAndPrefixesMatchTheirBits)
{
    const AllowList loopback = *AllowList::Parse("");
    EXPECT_TRUE(loopback.allows(V4("127.0.0.1")));
    EXPECT_TRUE(loopback.allows(V4("127.200.0.9")));
    EXPECT_TRUE(loopback.allows(V6("::1")));
    EXPECT_TRUE(loopback.allows(V6("::ffff:127.0.0.1")));  // IPv4 on an IPv6 socket
    EXPECT_FALSE(loopback.allows(V4("10.0.0.1")));
    EXPECT_FALSE(loopback.allows(V6("::2")));

    const AllowList list = *AllowList::Parse("192.168.1.20, 10.0.0.0/8 fd00::/8,::1");
    EXPECT_TRUE(list.allows(V4("192.168.1.20")));
    EXPECT_FALSE(list.allows(V4("192.168.1.21")));
    EXPECT_TRUE(list.allows(V4("10.255.1.2")));
    EXPECT_TRUE(list.allows(V6("::ffff:10.1.1.1")));
    EXPECT_FALSE(list.allows(V4("11.0.0.1")));
    EXPECT_TRUE(list.allows(V6("fd12::5")));
    EXPECT_FALSE(list.allows(V6("fe80::1")));
    EXPECT_FALSE(list.allows(V4("127.0.0.1")));  // a list replaces the loopback rule
    EXPECT_TRUE(AllowList::Parse("0.0.0.0/0")->allows(V4("8.8.8.8")));

    // Prefixes that end inside a byte.
    const AllowList half = *AllowList::Parse("192.168.1.0/25, 2001:db0::/12");
    EXPECT_TRUE(half.allows(V4("192.168.1.100")));
    EXPECT_TRUE(half.allows(V4("192.168.1.127")));
    EXPECT_FALSE(half.allows(V4("192.168.1.128")));
    EXPECT_TRUE(half.allows(V6("2001:db8::1")));
    EXPECT_TRUE(half.allows(V6("200f::1")));
    EXPECT_FALSE(half.allows(V6("2010::1")));

    std::string bad;
    for (const char* text : {"300.1.1.1", "10.0.0.0/33", "::1/129", "host.example", "10.0.0.0/", "1.2.3.4/x",
                             "1.2.3.4/99999999999", "::1/99999999999999999999"}) {
        EXPECT_FALSE(AllowList::Parse(text, &bad)) << text;
        EXPECT_EQ(bad, text);
    }
}

Peer UdpPeer(int port)
{
    Peer p;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::memcpy(&p.address, &a, sizeof a);
    p.length = sizeof a;
    p.text = "127.0.0.1";
    return p;
}

TEST(RemoteQueue, NewestValuePerKeyAnsweredForEveryLine)
{
    std::vector<std::pair<std::string, int>> replies;
    CommandQueue q([&](const Peer&, std::string_view r, int times) { replies.emplace_back(std::string(r), times); });
    const Peer a = UdpPeer(5000), b = UdpPeer(5001);
    for (int i = 0; i < 1000; ++i)
        q.add(i % 2 ? a : b, "TEXT=song " + std::to_string(i), false);
    q.add(a, "PS?", false);
    q.add(a, "PS=NEWS", false);
    q.add(a, "PTY=99", false);   // bad: answered at once
    q.add(a, "BOGUS", false);    // unknown: answered at once
    q.add(a, "", true);          // over-long: answered at once
    q.add(b, "DI=16", false);    // b has lines before it: its reply waits for them
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(q.pendingCount(), 3u);  // one radiotext, one query, one PS

    const std::vector<CommandQueue::Entry> work = q.take();
    ASSERT_EQ(work.size(), 3u);
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(work[0].command.text, "song 999");
    EXPECT_EQ(work[0].lines, 1000);
    EXPECT_EQ(work[1].command.kind, Command::Kind::Query);  // arrival order
    EXPECT_EQ(work[2].command.text, "NEWS");

    replies.clear();
    q.answer(work[0], "+");  // one reply per sender, with its count
    EXPECT_EQ(replies, (std::vector<std::pair<std::string, int>>{{"+", 500}, {"-", 1}, {"+", 500}}));
    replies.clear();
    q.answer(work[2], "+");
    EXPECT_TRUE(replies.empty());  // after the query's
    q.answer(work[1], "PS=");
    EXPECT_EQ(replies, (std::vector<std::pair<std::string, int>>{{"PS=", 1}, {"+", 1}, {"-", 1}, {"?", 1}, {"-", 1}}));

    // However many senders: what waits stays bounded (the listener stops reading).
    int port = 1;
    while (!q.full() && port < 5000)
        q.add(UdpPeer(port++), "DPS=x", false);
    EXPECT_EQ(static_cast<std::size_t>(port - 1), CommandQueue::kMaxPending);
}

} // namespace
} // namespace quorvan::remote
