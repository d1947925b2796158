// The order of the network port's work and replies: replies in line order
// per sender, queries that see the lines before them, barriers, and merging
// only between barriers.
#include "remote/command_queue.h"

#include <gtest/gtest.h>

#include <map>

namespace quorvan::remote {
namespace {

Peer Connection(std::uint64_t id)
{
    Peer p;
    p.tcp = true;
    p.connection = id;
    p.text = "127.0.0.1";
    return p;
}

struct QueueRig {
    // Replies per connection, one string per line.
    std::map<std::uint64_t, std::vector<std::string>> replies;
    CommandQueue queue{[this](const Peer& p, std::string_view reply, int times) {
        for (int i = 0; i < times; ++i)
            replies[p.connection].emplace_back(reply);
    }};

    void add(std::uint64_t connection, const std::string& lines)
    {
        std::size_t at = 0;
        for (std::size_t end = 0; end != std::string::npos; at = end + 1) {
            end = lines.find('\n', at);
            queue.add(Connection(connection), lines.substr(at, end == std::string::npos ? end : end - at), false);
        }
    }
    // Runs the entries as the port does: each answered "+" or its key's
    // query text; returns "KEY=value" / "KEY?" per entry, in run order.
    std::vector<std::string> run()
    {
        std::vector<std::string> order;
        for (const CommandQueue::Entry& e : queue.take()) {
            const bool query = e.command.kind == Command::Kind::Query;
            const std::string value = e.command.key == Key::PTY ? std::to_string(e.command.number) : e.command.text;
            order.push_back(std::string(KeyName(e.command.key)) + (query ? "?" : "=" + value));
            if (query) {
                queue.answer(e, std::string(KeyName(e.command.key)) + "=" + values[e.command.key]);
            } else {
                values[e.command.key] = value;
                queue.answer(e, "+");
            }
        }
        return order;
    }
    std::map<Key, std::string> values;
};

using Lines = std::vector<std::string>;

TEST(CommandQueue, RepliesInLineOrderAndQueriesSeeTheLinesBeforeThem)
{
    QueueRig r;
    r.values[Key::PI] = "1111";
    r.add(1, "PI?\nPI=2222\nPI?");
    r.run();
    EXPECT_EQ(r.replies[1], (Lines{"PI=1111", "+", "PI=2222"}));

    // An answer that needs no bus waits for the lines before it.
    r.add(2, "TEXT=One\nPS?\nTEXT=Two\nPI?\nPTY=99\nTEXT?");
    EXPECT_TRUE(r.replies[2].empty());
    EXPECT_EQ(r.run(), (Lines{"TEXT=Two", "PS?", "PI?", "TEXT?"}));  // the two texts merged
    EXPECT_EQ(r.replies[2], (Lines{"+", "PS=", "+", "PI=2222", "-", "TEXT=Two"}));

    // A set after a query of its key is not merged into one before the query.
    r.add(3, "PS=A\nPS?\nPS=B\nPS?\nPS=C");
    EXPECT_EQ(r.run(), (Lines{"PS=A", "PS?", "PS=B", "PS?", "PS=C"}));
    EXPECT_EQ(r.replies[3], (Lines{"+", "PS=A", "+", "PS=B", "+"}));
}

TEST(CommandQueue, BarriersSplitTheMerging)
{
    QueueRig r;
    r.add(1, "PS=AAAA\nSTORE\nPS=BBBB\nPS=CCCC\nSEND\nCT\nSTATUS?\nPS=DDDD\nPI=1\nPS=EEEE");
    EXPECT_EQ(r.run(), (Lines{"PS=AAAA", "STORE=", "PS=CCCC", "SEND=", "CT=", "STATUS?", "PS=EEEE", "PI=0001"}));
    EXPECT_EQ(r.replies[1].size(), 10u);

    // Another sender's lines are merged with the same rule, each answered in its own order.
    r.add(1, "PTY=1\nPTY?");
    r.add(2, "PTY=2\nPTY?\nSTORE");
    r.add(1, "PTY=3");
    EXPECT_EQ(r.run(), (Lines{"PTY=1", "PTY?", "PTY=2", "PTY?", "STORE=", "PTY=3"}));
    EXPECT_EQ(r.replies[1].size(), 13u);
    EXPECT_EQ(r.replies[1][11], "PTY=1");
    EXPECT_EQ(r.replies[2], (Lines{"+", "PTY=2", "+"}));
}

TEST(CommandQueue, HoldsABoundedNumberOfReplies)
{
    QueueRig r;
    for (int i = 0; i < 100000; ++i)
        r.queue.add(Connection(1), "PI?", false);  // one run, however long
    EXPECT_FALSE(r.queue.full());
    std::size_t n = 0;
    while (!r.queue.full() && n < 10 * CommandQueue::kMaxPending)
        r.queue.add(Connection(1), ++n % 2 ? "PS=X" : "PS?", false);
    EXPECT_TRUE(r.queue.full());
    r.run();
    EXPECT_FALSE(r.queue.full());
    EXPECT_EQ(r.replies[1].size(), 100000 + n);
}

} // namespace
} // namespace quorvan::remote
