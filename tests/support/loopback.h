// Loopback addresses and free ports for the tests that talk to the network
// command port (the window's, quorvanctl follow's) over real sockets.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace test_support {

inline sockaddr_in Loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A port of `type` (SOCK_DGRAM, SOCK_STREAM) on loopback: `wanted` when it is
// free, else any free one. Free when asked: the test uses it at once.
inline int FreePort(int type, int wanted = 0)
{
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in a = Loopback(wanted);
    if (wanted == 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        a.sin_port = 0;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

} // namespace test_support
