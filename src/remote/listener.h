// The network command port's sockets: one UDP socket and one TCP listening
// socket on the listen address, and up to eight TCP connections, all
// non-blocking POSIX sockets. The listener only moves bytes: it cuts them
// into lines (LineSplitter) and hands every line to its sink together with
// the peer that the reply must go to; replies come back through reply().
//
// The front end watches watches() (the window with QSocketNotifier,
// quorvanctl follow with poll()) and calls handle() for a socket that is
// ready. Nothing here ever blocks and memory stays bounded: replies go out as
// they are made, and while more than kMaxUnsentBytes of a connection's
// replies wait for its socket, its lines are not read (TCP holds the client
// back; a client that reads is never dropped). A connection that neither
// sends nor takes a byte for 60 seconds, or leaves a line unfinished for 10
// seconds, is closed by expireIdle(); when all connections are taken, the one
// idle longest makes room for a new one. Senders outside the allow list are
// dropped without a reply. It must never listen anywhere but where it is told.
#pragma once

#include "remote/allow_list.h"
#include "remote/line_protocol.h"
#include "sources/timer_loop.h"

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvan::remote {

// A port number for tests: the system picks a free port (see udpPort()).
inline constexpr int kAnyPort = -1;

struct ListenerConfig {
    std::string address = "127.0.0.1";
    int udpPort = 10001;  // 0: no UDP
    int tcpPort = 10001;  // 0: no TCP
    AllowList allow;      // empty: loopback only
};

// Where a reply goes: a UDP sender's address, or a TCP connection.
struct Peer {
    bool tcp = false;
    std::uint64_t connection = 0;  // TCP: the connection's number
    sockaddr_storage address{};
    socklen_t length = 0;
    std::string text;              // the sender's address as text ("127.0.0.1")

    // The same reply destination.
    bool sameAs(const Peer& other) const;
    // The sender as logs name it: its address and transport ("127.0.0.1 TCP").
    std::string name() const { return text + (tcp ? " TCP" : " UDP"); }
};

class Listener {
public:
    static constexpr int kMaxConnections = 8;
    static constexpr std::int64_t kIdleMs = 60'000;
    // A line must be complete this long after its first byte.
    static constexpr std::int64_t kLineMs = 10'000;
    static constexpr std::size_t kMaxUnsentBytes = 64 * 1024;
    // Datagrams and stream bytes taken per handle() call, so that a flood
    // cannot hold the caller.
    static constexpr int kDatagramsPerCall = 512;
    static constexpr std::size_t kStreamBytesPerCall = 64 * 1024;
    // A reply datagram holds at most this much (it fits any path's MTU).
    static constexpr std::size_t kReplyDatagramMax = 1200;

    // (peer, line, tooLong): every line, in the order received.
    using Sink = std::function<void(const Peer&, std::string_view line, bool tooLong)>;

    Listener(const Stopwatch& stopwatch, Sink sink);
    // (peer, bytes): a datagram, or what a connection's read brought, as it
    // came. Set, it takes the place of the line sink: for protocols framed
    // otherwise than in lines.
    using ByteSink = std::function<void(const Peer&, std::string_view bytes)>;
    void setByteSink(ByteSink sink) { byteSink_ = std::move(sink); }
    // Whether TCP connection `id` is still open.
    bool connected(std::uint64_t id) const;
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Closes what is open and listens as configured. Returns true when at
    // least one socket listens; status() says where, or why not.
    bool start(const ListenerConfig& config);
    void stop();
    bool listening() const { return udp_ >= 0 || tcp_ >= 0; }
    // "Listening on 127.0.0.1, UDP 10001, TCP 10001", or the reason it is not
    // ("UDP 10001: port in use", "127.0.0.2: address not available").
    const std::string& status() const { return status_; }
    int udpPort() const { return udpPort_; }  // the bound ports (0: none)
    int tcpPort() const { return tcpPort_; }

    struct Watch {
        int fd;
        bool write;        // unsent replies wait for the socket to take them
        bool read = true;  // false: its input waits (replies or commands back up)
    };
    std::vector<Watch> watches() const;
    // Handles whatever socket `fd` is ready for: a datagram, a connection, bytes, room to write.
    void handle(int fd);
    // Handles every socket once without waiting (used while a bus transfer runs).
    void handleAll();

    // Sends `reply` + CR LF `times` times to the peer (UDP: to the sender,
    // packed into as few datagrams as fit; TCP: on the connection, if it is
    // still open).
    void reply(const Peer& peer, std::string_view reply, int times = 1);
    // Sends bytes as they stand (no line end) to the peer. With `answer`
    // they are an answer expectAnswer() announced.
    void send(const Peer& peer, std::string_view bytes, bool answer = false);
    // For a byte sink: an answer to `peer` will follow later (send() with
    // `answer`). A TCP client that has sent all it will send keeps its
    // connection until every such answer went out, as a line gets its reply.
    void expectAnswer(const Peer& peer);

    // Closes the connections idle for kIdleMs and those whose line is
    // unfinished kLineMs after its first byte (they get "-" first); returns
    // the milliseconds until the next such deadline (-1: no connection).
    std::int64_t expireIdle();

    // While `full` says so, no more lines are read (the command queue waits
    // for the bus); the kernel keeps what the senders send meanwhile.
    void holdInputWhile(std::function<bool()> full) { inputFull_ = std::move(full); }

    // Closes the connections that are done (the client sent all it will
    // send and has every reply) or dead; safe only outside handle() and the sink.
    void closeFinished();

    int refused() const { return refused_; }          // senders outside the allow list
    // Called for every datagram or connection refused by the allow list.
    std::function<void(const Peer&)> onRefused;
    int connections() const { return static_cast<int>(connections_.size()); }

private:
    struct Connection;
    void readDatagrams();
    void acceptConnections();
    void readConnection(Connection& c);
    void writeConnection(Connection& c);
    bool inputHeld() const { return inputFull_ && inputFull_(); }
    void makeRoom();
    Connection* find(std::uint64_t id);

    const Stopwatch& stopwatch_;
    Sink sink_;
    ByteSink byteSink_;
    std::function<bool()> inputFull_;
    AllowList allow_;
    int udp_ = -1;
    int tcp_ = -1;
    int udpPort_ = 0;
    int tcpPort_ = 0;
    std::string status_ = "Not listening";
    std::vector<std::unique_ptr<Connection>> connections_;
    std::uint64_t nextConnection_ = 1;
    int refused_ = 0;
};

} // namespace quorvan::remote
