#include "remote/listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <deque>

namespace quorvan::remote {

namespace {

constexpr std::size_t kDatagramMax = 65536;
// Replies are copied out of a connection's backlog this much at a time.
constexpr std::size_t kWriteChunk = 16 * 1024;
// Room for the datagrams that arrive while a transfer holds the program.
constexpr int kUdpReceiveBuffer = 1 << 20;

std::string ReasonOf(int error)
{
    switch (error) {
    case EADDRINUSE:
        return "port in use";
    case EADDRNOTAVAIL:
        return "address not available";
    case EACCES:
        return "permission denied";
    default:
        return std::strerror(error);
    }
}

// Opens and binds one socket; -1 with `error` set on failure.
int OpenSocket(const addrinfo& where, int type, int port, int& boundPort, std::string& error)
{
    sockaddr_storage address{};
    std::memcpy(&address, where.ai_addr, where.ai_addrlen);
    const in_port_t netPort = htons(static_cast<std::uint16_t>(port == kAnyPort ? 0 : port));
    if (address.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in*>(&address)->sin_port = netPort;
    else
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = netPort;

    const int fd = ::socket(address.ss_family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = ReasonOf(errno);
        return -1;
    }
    const int on = 1;
    if (type == SOCK_STREAM)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    else
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kUdpReceiveBuffer, sizeof kUdpReceiveBuffer);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), where.ai_addrlen) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, 16) != 0)) {
        error = ReasonOf(errno);
        ::close(fd);
        return -1;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    boundPort = ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                                 : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    return fd;
}

Peer PeerOf(const sockaddr_storage& address, socklen_t length)
{
    Peer p;
    p.address = address;
    p.length = length;
    p.text = AddressText(reinterpret_cast<const sockaddr*>(&address));
    return p;
}

} // namespace

bool Peer::sameAs(const Peer& other) const
{
    if (tcp != other.tcp)
        return false;
    if (tcp)
        return connection == other.connection;
    return length == other.length && std::memcmp(&address, &other.address, length) == 0;
}

struct Listener::Connection {
    int fd = -1;
    Peer peer;
    LineSplitter splitter;
    std::string out;  // bytes the socket has not taken yet
    // Replies not yet copied into `out`: (reply with its line end, times).
    // A run of equal replies costs one entry, however long.
    std::deque<std::pair<std::string, int>> backlog;
    std::size_t backlogBytes = 0;
    std::int64_t lastActivityMs = 0;
    std::int64_t lineStartMs = -1;  // first byte of an unfinished line (-1: none)
    bool readClosed = false;  // the client sent all it will send
    int outstanding = 0;      // lines still waiting for their reply
    bool dead = false;        // to be closed

    std::size_t unsent() const { return out.size() + backlogBytes; }
    bool readable() const { return !dead && !readClosed && unsent() <= kMaxUnsentBytes; }
};

Listener::Listener(const Stopwatch& stopwatch, Sink sink) : stopwatch_(stopwatch), sink_(std::move(sink)) {}

Listener::~Listener()
{
    stop();
}

void Listener::stop()
{
    for (auto& c : connections_)
        ::close(c->fd);
    connections_.clear();
    if (udp_ >= 0)
        ::close(udp_);
    if (tcp_ >= 0)
        ::close(tcp_);
    udp_ = tcp_ = -1;
    udpPort_ = tcpPort_ = 0;
    status_ = "Not listening";
}

bool Listener::start(const ListenerConfig& config)
{
    stop();
    allow_ = config.allow;
    if (config.udpPort == 0 && config.tcpPort == 0) {
        status_ = "Not listening: UDP and TCP ports are 0";
        return false;
    }
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (config.address.empty() || ::getaddrinfo(config.address.c_str(), "0", &hints, &found) != 0 || !found) {
        status_ = "Not listening: " + config.address + " is not an IP address";
        return false;
    }
    std::string udpError, tcpError;
    if (config.udpPort != 0)
        udp_ = OpenSocket(*found, SOCK_DGRAM, config.udpPort, udpPort_, udpError);
    if (config.tcpPort != 0)
        tcp_ = OpenSocket(*found, SOCK_STREAM, config.tcpPort, tcpPort_, tcpError);
    ::freeaddrinfo(found);

    auto portText = [](int port) { return port == kAnyPort ? std::string("(any)") : std::to_string(port); };
    std::string ok, failed;
    if (udp_ >= 0)
        ok += ", UDP " + std::to_string(udpPort_);
    else if (config.udpPort != 0)
        failed += "UDP " + portText(config.udpPort) + ": " + udpError;
    if (tcp_ >= 0)
        ok += ", TCP " + std::to_string(tcpPort_);
    else if (config.tcpPort != 0)
        failed += (failed.empty() ? "" : "; ") + ("TCP " + portText(config.tcpPort) + ": " + tcpError);
    if (listening())
        status_ = "Listening on " + config.address + ok + (failed.empty() ? "" : "; " + failed);
    else
        status_ = "Not listening on " + config.address + ": " + failed;
    return listening();
}

std::vector<Listener::Watch> Listener::watches() const
{
    std::vector<Watch> out;
    const bool held = inputHeld();
    if (udp_ >= 0)
        out.push_back({udp_, false, !held});
    if (tcp_ >= 0)
        out.push_back({tcp_, false});
    for (const auto& c : connections_)
        out.push_back({c->fd, c->unsent() > 0, !held && c->readable()});
    return out;
}

void Listener::handle(int fd)
{
    if (fd < 0)
        return;
    if (fd == udp_) {
        readDatagrams();
    } else if (fd == tcp_) {
        acceptConnections();
    } else {
        for (auto& c : connections_)
            if (c->fd == fd) {
                writeConnection(*c);
                readConnection(*c);
                break;
            }
    }
    closeFinished();
}

void Listener::handleAll()
{
    readDatagrams();
    acceptConnections();
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        writeConnection(*connections_[i]);
        readConnection(*connections_[i]);
    }
    closeFinished();
}

void Listener::readDatagrams()
{
    if (udp_ < 0)
        return;
    std::string buffer(kDatagramMax, '\0');
    for (int n = 0; n < kDatagramsPerCall && !inputHeld(); ++n) {
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        const ssize_t got =
            ::recvfrom(udp_, buffer.data(), buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0)
            return;  // EAGAIN: nothing more now; other errors are the sender's (ICMP) and pass
        if (!allow_.allows(reinterpret_cast<const sockaddr*>(&from))) {
            ++refused_;
            if (onRefused)
                onRefused(PeerOf(from, length));
            continue;
        }
        const Peer peer = PeerOf(from, length);
        if (byteSink_) {
            byteSink_(peer, std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            continue;
        }
        // Each datagram is complete in itself: its last line needs no line end.
        LineSplitter splitter;
        const LineSplitter::Sink sink = [&](std::string_view line, bool tooLong) { sink_(peer, line, tooLong); };
        splitter.feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)), sink);
        splitter.finish(sink);
    }
}

void Listener::acceptConnections()
{
    if (tcp_ < 0)
        return;
    for (int n = 0; n < 64; ++n) {
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        const int fd = ::accept4(tcp_, reinterpret_cast<sockaddr*>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (!allow_.allows(reinterpret_cast<const sockaddr*>(&from))) {
            ++refused_;
            ::close(fd);
            if (onRefused) {
                Peer peer = PeerOf(from, length);
                peer.tcp = true;
                onRefused(peer);
            }
            continue;
        }
        if (connections_.size() >= static_cast<std::size_t>(kMaxConnections))
            makeRoom();
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->peer = PeerOf(from, length);
        c->peer.tcp = true;
        c->peer.connection = nextConnection_++;
        c->lastActivityMs = stopwatch_.elapsedMs();
        connections_.push_back(std::move(c));
    }
}

void Listener::readConnection(Connection& c)
{
    char buffer[4096];
    std::size_t taken = 0;
    const LineSplitter::Sink sink = [&](std::string_view line, bool tooLong) {
        ++c.outstanding;
        sink_(c.peer, line, tooLong);
    };
    while (taken < kStreamBytesPerCall && c.readable() && !inputHeld()) {
        const ssize_t got = ::recv(c.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0) {
            c.readClosed = true;
            c.lineStartMs = -1;
            c.splitter.finish(sink);
            return;
        }
        if (got < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                c.dead = true;
            return;
        }
        taken += static_cast<std::size_t>(got);
        c.lastActivityMs = stopwatch_.elapsedMs();
        if (byteSink_)
            byteSink_(c.peer, std::string_view(buffer, static_cast<std::size_t>(got)));
        else
            c.splitter.feed(std::string_view(buffer, static_cast<std::size_t>(got)), sink);
        // The sink may have closed connections: `c` stays valid (closing waits for closeFinished).
        if (!c.splitter.midLine())
            c.lineStartMs = -1;
        else if (c.lineStartMs < 0)
            c.lineStartMs = c.lastActivityMs;
    }
}

void Listener::writeConnection(Connection& c)
{
    while (!c.dead) {
        // Copy a chunk of the backlog: a long run of equal replies is never
        // written out in memory whole.
        while (c.out.size() < kWriteChunk && !c.backlog.empty()) {
            auto& [text, times] = c.backlog.front();
            const int n = std::min<std::size_t>(static_cast<std::size_t>(times), (kWriteChunk - c.out.size()) / text.size() + 1);
            for (int i = 0; i < n; ++i)
                c.out += text;
            c.backlogBytes -= text.size() * static_cast<std::size_t>(n);
            times -= n;
            if (times == 0)
                c.backlog.pop_front();
        }
        if (c.out.empty())
            return;
        const ssize_t sent = ::send(c.fd, c.out.data(), c.out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                c.dead = true;
            return;
        }
        c.out.erase(0, static_cast<std::size_t>(sent));
        c.lastActivityMs = stopwatch_.elapsedMs();  // a client that reads is active
    }
}

void Listener::reply(const Peer& peer, std::string_view text, int times)
{
    if (times <= 0)
        return;
    const std::string one = std::string(text) + "\r\n";
    if (!peer.tcp) {
        if (udp_ < 0)
            return;
        // Replies to one sender go out packed; a sender that does not read
        // them loses them (UDP), the program never waits.
        std::string datagram;
        for (int i = 0; i < times; ++i) {
            if (!datagram.empty() && datagram.size() + one.size() > kReplyDatagramMax) {
                ::sendto(udp_, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                         reinterpret_cast<const sockaddr*>(&peer.address), peer.length);
                datagram.clear();
            }
            datagram += one;
        }
        ::sendto(udp_, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&peer.address), peer.length);
        return;
    }
    Connection* c = find(peer.connection);
    if (!c || c->dead)
        return;
    c->outstanding = std::max(0, c->outstanding - times);
    // Sent as it is made; what the socket does not take waits in the
    // backlog, and the connection's lines wait while that is long.
    if (!c->backlog.empty() && c->backlog.back().first == one)
        c->backlog.back().second += times;
    else
        c->backlog.emplace_back(one, times);
    c->backlogBytes += one.size() * static_cast<std::size_t>(times);
    writeConnection(*c);
}

void Listener::expectAnswer(const Peer& peer)
{
    if (Connection* c = peer.tcp ? find(peer.connection) : nullptr)
        ++c->outstanding;
}

void Listener::send(const Peer& peer, std::string_view bytes, bool answer)
{
    if (!peer.tcp) {
        if (udp_ >= 0)
            ::sendto(udp_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&peer.address), peer.length);
        return;
    }
    Connection* c = find(peer.connection);
    if (!c || c->dead)
        return;
    if (answer)
        c->outstanding = std::max(0, c->outstanding - 1);
    // Waits behind the replies before it; the connection is read no further
    // while too much waits (see readable()).
    c->backlog.emplace_back(std::string(bytes), 1);
    c->backlogBytes += bytes.size();
    writeConnection(*c);
}

bool Listener::connected(std::uint64_t id) const
{
    return std::any_of(connections_.begin(), connections_.end(),
                       [&](const auto& c) { return c->peer.connection == id && !c->dead; });
}

std::int64_t Listener::expireIdle()
{
    const std::int64_t now = stopwatch_.elapsedMs();
    std::int64_t next = -1;
    for (auto& c : connections_) {
        if (c->lineStartMs >= 0 && now - c->lineStartMs >= kLineMs) {
            // A line dripping in byte by byte would hold the slot for ever.
            writeConnection(*c);
            const std::string bad = std::string(kReplyBad) + "\r\n";
            if (!c->dead)
                ::send(c->fd, bad.data(), bad.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            c->dead = true;
            continue;
        }
        std::int64_t left = c->lastActivityMs + kIdleMs - now;
        if (c->lineStartMs >= 0)
            left = std::min(left, c->lineStartMs + kLineMs - now);
        if (left <= 0)
            c->dead = true;
        else
            next = next < 0 ? left : std::min(next, left);
    }
    closeFinished();
    return next;
}

void Listener::makeRoom()
{
    // Silence must not keep a slot from a sender that has something to say.
    auto idlest = std::min_element(connections_.begin(), connections_.end(), [](const auto& a, const auto& b) {
        return a->lastActivityMs < b->lastActivityMs;
    });
    if (idlest == connections_.end())
        return;
    ::close((*idlest)->fd);
    connections_.erase(idlest);
}

void Listener::closeFinished()
{
    for (auto it = connections_.begin(); it != connections_.end();) {
        Connection& c = **it;
        const bool done = c.readClosed && c.outstanding == 0 && c.unsent() == 0;
        if (c.dead || done) {
            ::close(c.fd);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

Listener::Connection* Listener::find(std::uint64_t id)
{
    for (auto& c : connections_)
        if (c->peer.connection == id)
            return c.get();
    return nullptr;
}

} // namespace quorvan::remote
