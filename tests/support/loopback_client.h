// A TCP client of a port on loopback, for the tests that talk to the network
// command port over real sockets: connects at once, sends all, reads what has
// come. GoogleTest only (it checks with EXPECT/ASSERT).
#pragma once

#include "support/loopback.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {

struct LoopbackClient {
    explicit LoopbackClient(int port) : fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        const sockaddr_in a = Loopback(port);
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
    }
    ~LoopbackClient() { ::close(fd); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    void send(const std::string& bytes) const
    {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    // What has come: waits up to 500 ms for the first bytes, then takes
    // whatever follows within 50 ms of the last.
    std::string received() const
    {
        std::string out;
        char buf[2048];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, out.empty() ? 500 : 50) > 0) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0)
                break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    // What the socket already holds, without waiting.
    std::string held() const
    {
        std::string out;
        char buf[2048];
        ssize_t n;
        while ((n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0)
            out.append(buf, static_cast<std::size_t>(n));
        return out;
    }

    int fd;
};

} // namespace test_support
