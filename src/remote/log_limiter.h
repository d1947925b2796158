// Keeps one sender from filling a log. A flood of bad lines, or of datagrams
// from a sender outside the allow list, would otherwise write a log line each
// (millions a day from one misbehaving playout system, the disk full and the
// lines that matter lost among them).
//
// At most kLinesPerSecond lines a second are shown per sender; past that its
// lines are counted, and when its second is over one line says how many were
// not shown: "93 more lines from 192.168.1.20 not shown". Time comes from the
// stopwatch it is given. It must never hold more than a second's senders and
// never hide the first lines of a sender's second.
#pragma once

#include "sources/timer_loop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace quorvan::remote {

// The sender a log line counts against: the address in a peer's name as
// the logs show it ("127.0.0.1 TCP" -> "127.0.0.1"), whichever transport; a
// serial line's name ("/dev/ttyS0") stands whole.
inline std::string SenderOf(const std::string& peerName)
{
    return peerName.substr(0, peerName.find(' '));
}

class LogLimiter {
public:
    static constexpr int kLinesPerSecond = 10;
    static constexpr std::int64_t kPeriodMs = 1000;

    // (sender, text): "N more lines from SENDER not shown".
    using Notice = std::function<void(const std::string& sender, const std::string& text)>;

    LogLimiter(const Stopwatch& stopwatch, Notice notice);

    // Whether a line from `sender` (its address) is shown. When the sender's
    // last second had lines that were not, the notice comes first.
    bool admit(const std::string& sender);
    // Gives the notices of the senders whose second is over and forgets
    // them; returns the milliseconds until the next notice is due (-1: none).
    std::int64_t flush();

private:
    struct Second {
        std::int64_t startMs = 0;
        int shown = 0;
        std::uint64_t hidden = 0;
    };
    void report(const std::string& sender, const Second& second);

    const Stopwatch& stopwatch_;
    Notice notice_;
    std::map<std::string, Second> senders_;
};

} // namespace quorvan::remote
