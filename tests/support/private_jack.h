// A private JACK server for live tests: `jackd --no-realtime -S -d dummy` (the
// server waits for every client each period, so that a late one on a busy
// machine delays the graph instead of breaking it) at a
// given rate under a server name of its own, set as JACK_DEFAULT_SERVER for
// this process and the programs it starts (so that neither a user's server
// nor another test's is ever reached), killed and the name put back at the end.
#pragma once

#include <string>

namespace quorvan::test {

class PrivateJack {
public:
    // `name` is made unique to this process; `log` receives jackd's output.
    PrivateJack(const std::string& name, const std::string& log, int rate = 192000, int period = 1024);
    ~PrivateJack();
    PrivateJack(const PrivateJack&) = delete;
    PrivateJack& operator=(const PrivateJack&) = delete;

    bool ok() const { return pid_ > 0; }
    const std::string& name() const { return name_; }
    const std::string& error() const { return error_; }

private:
    std::string name_;
    int pid_ = -1;
    std::string error_;
    std::string oldServer_;
    bool hadServer_ = false;
};

} // namespace quorvan::test
