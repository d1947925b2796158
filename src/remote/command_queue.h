// The network commands waiting for the bus. A bus transfer takes seconds and
// a playout system may send faster than that, so only the newest command of
// each target is kept: a TEXT= that arrives while an older TEXT= still waits
// replaces it, and the older line is answered together with its replacement
// once that has been written. The pending work is therefore at most one
// command and one query per key, however many lines arrive; the peers to
// answer are kept as (peer, number of lines), at most kMaxPeersPerKey each.
//
// Lines that need no bus (bad values, unknown commands, over-long lines) are
// answered at once.
#pragma once

#include "remote/line_protocol.h"
#include "remote/listener.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvan::remote {

class CommandQueue {
public:
    static constexpr std::size_t kMaxPeersPerKey = 64;

    struct Waiter {
        Peer peer;
        int lines = 0;
    };
    // One piece of pending work: the newest command (or a query) on a key.
    struct Entry {
        Command command;
        std::string line;          // the newest line, for the log
        std::string peer;          // its sender ("127.0.0.1", "127.0.0.1 TCP")
        std::vector<Waiter> waiters;
        int lines = 0;             // lines this entry answers (superseded ones included)
        std::uint64_t order = 0;   // arrival of the first line: entries run in this order
    };

    // (peer, reply, times): sends the reply.
    using Replier = std::function<void(const Peer&, std::string_view reply, int times)>;
    // Lines answered at once, for the log: (peer, line, reply).
    using Answered = std::function<void(const Peer&, std::string_view line, std::string_view reply)>;

    explicit CommandQueue(Replier replier, Answered answered = {});

    // One line from the listener.
    void add(const Peer& peer, std::string_view line, bool tooLong);
    // A command already parsed (another protocol's), with the text its log
    // shows; it waits and coalesces as a line's would.
    void add(const Peer& peer, Command command, std::string_view line);

    bool empty() const { return pendingCount() == 0; }
    std::size_t pendingCount() const;

    // Takes the entries pending now, in arrival order. Lines that come while
    // the caller works on them start new entries.
    std::vector<Entry> take();

    // Answers every line of an entry.
    void answer(const Entry& entry, std::string_view reply) const;

private:
    Replier replier_;
    Answered answered_;
    std::array<std::optional<Entry>, kKeyCount> sets_;
    std::array<std::optional<Entry>, kKeyCount> queries_;
    std::uint64_t next_ = 0;
};

} // namespace quorvan::remote
