// The network commands waiting for the bus, and the order of their replies.
//
// A bus transfer takes seconds and a playout system may send faster than
// that, so commands that wait together are merged. The rule:
//
//   - Every line gets one reply, and the replies to one sender (one TCP
//     connection, one UDP address and port) come in the order of its lines,
//     whatever the order the work is done in.
//   - A query answers the value that the lines before it have set.
//   - STORE, SEND, CT, STATUS? and an encoder protocol request are barriers: every line before one is
//     written before it, every line after it after it.
//   - Between two barriers, commands on the same target are merged: the
//     newest value is written once and answers every merged line. A set is
//     never merged across a query of its target (the query must see the value
//     set before it), and queries of one target merge the same way.
//
// Lines that need no bus (bad values, unknown commands, over-long lines) are
// answered as soon as the lines before them from the same sender are.
//
// The queue holds at most kMaxPending waiting replies (runs of equal replies
// to one sender count once); full() tells the listener to stop reading until
// the work is taken, so memory stays bounded under any flood.
#pragma once

#include "remote/line_protocol.h"
#include "remote/listener.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvan::remote {

class CommandQueue {
public:
    static constexpr std::size_t kMaxPending = 1024;

    // One piece of pending work: a command (or a query) and the lines it answers.
    struct Entry {
        Command command;
        std::string line;          // the newest line, for the log
        std::string peer;          // its sender ("127.0.0.1", "127.0.0.1 TCP")
        int lines = 0;             // lines this entry answers (merged ones included)
        std::uint64_t id = 0;
    };

    // (peer, reply, times): sends the reply.
    using Replier = std::function<void(const Peer&, std::string_view reply, int times)>;
    // Every reply as it goes out, for the log: (peer, line, reply, times),
    // `line` the newest of the `times` lines it answers. It comes in the
    // order of each sender's lines (a datagram's lines show as they stood),
    // for lines answered at once as well as for those that waited for the bus.
    using Answered =
        std::function<void(const Peer&, std::string_view line, std::string_view reply, int times)>;

    explicit CommandQueue(Replier replier, Answered answered = {});

    // One line from the listener.
    void add(const Peer& peer, std::string_view line, bool tooLong);
    // One command that is already parsed (a frame of another protocol);
    // `line` is what the log shows of it.
    void add(const Peer& peer, Command command, std::string_view line);

    bool empty() const { return entries_.empty(); }
    std::size_t pendingCount() const { return entries_.size(); }
    // Too much waits: the listener reads no more until take() empties the queue.
    bool full() const { return slots_ >= kMaxPending; }

    // Takes the entries pending now, in the order they must run. Lines that
    // come while the caller works on them start new entries.
    std::vector<Entry> take();

    // Answers every line of an entry (replies go out as soon as the earlier
    // lines of the same sender are answered).
    void answer(const Entry& entry, std::string_view reply);

private:
    struct Slot {
        std::uint64_t entry = 0;             // 0: answered without the bus
        std::optional<std::string> reply;
        int times = 1;
        std::string line;  // the newest line it answers, for the log
    };
    struct Sender {
        Peer peer;
        std::deque<Slot> waiting;
    };
    Sender& senderOf(const Peer& peer);
    void queueReply(const Peer& peer, std::uint64_t entry, std::optional<std::string> reply, std::string_view line);
    void flush();
    void startSegment();

    Replier replier_;
    Answered answered_;
    std::vector<Entry> entries_;
    std::vector<Sender> senders_;
    std::size_t slots_ = 0;
    // Indexes into entries_ of the entries that a new line on a key may still
    // join (after the last barrier, and not across a query or set of that key).
    std::array<std::optional<std::size_t>, kKeyCount> openSet_;
    std::array<std::optional<std::size_t>, kKeyCount> openQuery_;
    std::uint64_t next_ = 1;
};

} // namespace quorvan::remote
