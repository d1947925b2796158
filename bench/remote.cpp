// The network command port under a flood: 10,000 TEXT= datagrams sent as
// fast as loopback takes them to `quorvanctl follow` on the virtual encoder.
// Prints the time from the last datagram until its text is in the encoder's
// RAM, the number of radiotext transfers, and the growth of quorvanctl's
// resident memory. With --timed (real bus pauses, "Slow"), 100 TEXT= within
// one second, which must give at most 3 radiotext transfers. Then (without
// --timed) 100,000 queries pipelined on one TCP connection by a client that
// reads all the time: every one answered, in order, with less than 10 MB of
// growth; and 10,000 UECP frames, each a new PS, over one TCP connection: the
// last PS must reach RAM, with the same bound on memory growth.
//
//   bench_remote [--timed] [--quorvanctl PATH]
#include "remote/uecp_frame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long residentKiB(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

// The loopback address at `port` (0: any port).
sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A TCP connection to the loopback port, or -1.
int connectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = loopback(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class Follower {
public:
    enum class Listen { Udp, Tcp, Uecp };
    Follower(const std::string& cli, const std::string& dir, int port, bool timed, Listen listen = Listen::Udp)
    {
        int out[2];
        if (::pipe(out) != 0)
            std::exit(1);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<std::string> args{cli, "--settings", dir + "/quorvan.rds", "--port", "virtual:" + dir + "/enc.state"};
            if (timed)
                args.push_back("--timed");
            args.push_back("follow");
            if (listen == Listen::Uecp) {  // the encoder protocol alone
                args.push_back("--uecp-tcp");
            } else {
                for (const char* a : {listen == Listen::Tcp ? "--udp" : "--tcp", "0", listen == Listen::Tcp ? "--tcp" : "--udp"})
                    args.push_back(a);
            }
            args.push_back(std::to_string(port));
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(cli.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~Follower()
    {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        ::close(out_);
    }
    pid_t pid() const { return pid_; }

    // The next line of its output; "" after `timeoutMs` or at its end.
    std::string line(int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd p{out_, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
                return {};
            char buf[65536];
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0)
                return {};
            buffer_.append(buf, static_cast<std::size_t>(n));
        }
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

// RAM rows from `from` to `to` (hexadecimal row addresses) as bytes.
std::string ramBytes(const std::string& cli, const std::string& dir, int from, int to)
{
    const std::string command = cli + " virtual-dump " + dir + "/enc.state";
    FILE* p = ::popen(command.c_str(), "r");
    std::string text;
    char line[128];
    while (p && std::fgets(line, sizeof line, p)) {
        const int row = static_cast<int>(std::strtol(line, nullptr, 16));
        if (row < from || row > to)
            continue;
        for (const char* at = line + 3; *at; at += 3) {
            if (at[0] == ' ')
                ++at;
            if (!std::isxdigit(static_cast<unsigned char>(at[0])))
                break;
            text += static_cast<char>(std::strtol(std::string(at, 2).c_str(), nullptr, 16));
        }
    }
    if (p)
        ::pclose(p);
    return text;
}

// 100,000 alternating PI? and PTY? on one connection, read by a second
// thread while they are sent; returns true when every reply came, in order.
bool pipelined(const std::string& cli, const std::string& dir)
{
    const int port = freePort();
    Follower follower(cli, dir, port, false, Follower::Listen::Tcp);
    if (follower.line(10000).find("Listening") == std::string::npos) {
        std::fprintf(stderr, "quorvanctl follow did not listen\n");
        return false;
    }
    const long before = residentKiB(follower.pid(), "VmRSS:");
    const int fd = connectLoopback(port);
    if (fd < 0)
        return false;
    constexpr int kQueries = 100000;
    long peak = before;
    std::string got;
    const auto start = Clock::now();
    std::thread reader([&] {
        char buf[65536];
        int lines = 0;
        while (lines < kQueries) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 30000) <= 0)
                return;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            got.append(buf, static_cast<std::size_t>(n));
            lines = static_cast<int>(std::count(got.begin(), got.end(), '\n'));
        }
    });
    std::string chunk;
    for (int i = 0; i < kQueries; ++i) {
        chunk += i % 2 ? "PTY?\r\n" : "PI?\r\n";
        if (chunk.size() > 8192 || i + 1 == kQueries) {
            if (::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(chunk.size()))
                break;
            chunk.clear();
            peak = std::max(peak, residentKiB(follower.pid(), "VmRSS:"));
        }
    }
    reader.join();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const long after = residentKiB(follower.pid(), "VmRSS:");
    ::close(fd);
    int answered = 0;
    bool ordered = true;
    for (std::size_t at = 0; at < got.size();) {
        const std::size_t nl = got.find('\n', at);
        if (nl == std::string::npos)
            break;
        const std::string_view l(got.data() + at, nl - at);
        ordered = ordered && l.rfind(answered % 2 ? "PTY=" : "PI=", 0) == 0;
        ++answered;
        at = nl + 1;
    }
    std::printf("pipelined: %d queries, %d replies in %.1f ms, in order: %s\n", kQueries, answered, ms,
                ordered ? "yes" : "no");
    std::printf("pipelined: resident memory %ld KiB before, %ld KiB after, %ld KiB at most while sending (growth %ld KiB)\n",
                before, after, peak, std::max(after, peak) - before);
    return answered == kQueries && ordered && std::max(after, peak) - before < 10 * 1024;
}

std::string ramRadiotext(const std::string& cli, const std::string& dir)
{
    return ramBytes(cli, dir, 0x20, 0x50);
}

// 10,000 UECP frames, each a PS, on one TCP connection; true when the last
// PS reached RAM and memory grew less than 10 MB.
bool uecpRun(const std::string& cli, const std::string& dir)
{
    const int port = freePort();
    constexpr int kFrames = 10000;
    long before = 0, after = 0;
    double lastToRamMs = -1, sendMs = 0;
    const std::string lastPS = "Q" + std::to_string(10000000 + kFrames).substr(1);
    {
        Follower follower(cli, dir, port, false, Follower::Listen::Uecp);
        if (follower.line(10000).find("Listening") == std::string::npos) {
            std::fprintf(stderr, "quorvanctl follow did not listen for UECP\n");
            return false;
        }
        before = residentKiB(follower.pid(), "VmRSS:");
        const int fd = connectLoopback(port);
        if (fd < 0)
            return false;
        const auto start = Clock::now();
        std::string ps;
        for (int i = 1; i <= kFrames; ++i) {
            ps = "Q" + std::to_string(10000000 + i).substr(1);
            const std::string frame = quorvan::remote::uecp::EncodeFrame(0, static_cast<std::uint8_t>(i), std::string("\x02\x00\x00", 3) + ps);
            for (std::size_t at = 0; at < frame.size();) {
                const ssize_t n = ::send(fd, frame.data() + at, frame.size() - at, MSG_NOSIGNAL);
                if (n <= 0)
                    return false;
                at += static_cast<std::size_t>(n);
            }
        }
        const auto lastSent = Clock::now();
        sendMs = std::chrono::duration<double, std::milli>(lastSent - start).count();
        for (;;) {
            const std::string l = follower.line(30000);
            if (l.empty())
                break;
            if (l.find("PS " + lastPS) != std::string::npos)
                break;
        }
        for (int i = 0; i < 300; ++i) {
            if (ramBytes(cli, dir, 0x00, 0x00).substr(2, 8) == lastPS) {
                lastToRamMs = std::chrono::duration<double, std::milli>(Clock::now() - lastSent).count();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        after = residentKiB(follower.pid(), "VmRSS:");
        ::close(fd);
    }
    std::printf("UECP frames sent over TCP: %d in %.1f ms\n", kFrames, sendMs);
    std::printf("last UECP frame until its PS is in RAM: %.1f ms\n", lastToRamMs);
    std::printf("UECP resident memory: %ld KiB before, %ld KiB after (growth %ld KiB)\n", before, after,
                after - before);
    return lastToRamMs >= 0 && (after - before) < 10 * 1024;
}

} // namespace

int main(int argc, char** argv)
{
    bool timed = false;
    std::string cli = QUORVAN_CLI_PATH;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--timed")
            timed = true;
        else if (std::string(argv[i]) == "--quorvanctl" && i + 1 < argc)
            cli = argv[++i];
    }
    const std::string dir = std::filesystem::temp_directory_path() / ("bench_remote." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/quorvan.rds") << "[Config]\r\nPort=0\r\n";

    const int port = freePort();
    const int count = timed ? 100 : 10000;
    int transfers = 0;
    double lastToRamMs = -1;
    long before = 0, after = 0, peak = 0;
    {
        Follower follower(cli, dir, port, timed);
        const std::string first = follower.line(10000);
        if (first.find("Listening") == std::string::npos) {
            std::fprintf(stderr, "quorvanctl follow did not listen: %s\n", first.c_str());
            return 1;
        }
        before = residentKiB(follower.pid(), "VmRSS:");

        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in to = loopback(port);
        const auto start = Clock::now();
        for (int i = 1; i <= count; ++i) {
            const std::string datagram = "TEXT=Artist " + std::to_string(i) + " - Title " + std::to_string(i) + "\r\n";
            ::sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (timed)  // spread over one second
                std::this_thread::sleep_until(start + std::chrono::microseconds(1'000'000LL * i / count));
        }
        const auto lastSent = Clock::now();
        ::close(fd);

        // The follower logs at most 10 lines a second per sender, so the last
        // text is looked for in RAM (a dump every 100 ms or so); the log counts
        // the transfers it shows.
        const std::string last = "Artist " + std::to_string(count) + " - Title " + std::to_string(count);
        const auto giveUp = lastSent + std::chrono::milliseconds(timed ? 120000 : 30000);
        while (Clock::now() < giveUp) {
            for (std::string l = follower.line(100); !l.empty(); l = follower.line(0))
                if (l.find(" NET ") != std::string::npos && l.find("\"TEXT=") != std::string::npos)
                    ++transfers;
            if (ramRadiotext(cli, dir).compare(0, last.size(), last) == 0) {
                lastToRamMs = std::chrono::duration<double, std::milli>(Clock::now() - lastSent).count();
                break;
            }
        }
        after = residentKiB(follower.pid(), "VmRSS:");
        peak = residentKiB(follower.pid(), "VmHWM:");
        std::printf("datagrams sent: %d in %.1f ms\n", count,
                    std::chrono::duration<double, std::milli>(lastSent - start).count());
    }
    const std::string ram = ramRadiotext(cli, dir);
    const std::string expected = "Artist " + std::to_string(count) + " - Title " + std::to_string(count);
    const bool inRam = ram.compare(0, expected.size(), expected) == 0;
    const bool uecpOk = timed || uecpRun(cli, dir);
    std::filesystem::remove_all(dir);

    std::printf("last datagram until its text is in RAM: %.1f ms\n", lastToRamMs);
    std::printf("radiotext transfers: %d\n", transfers);
    std::printf("last text in RAM: %s\n", inRam ? "yes" : "no");
    std::printf("resident memory: %ld KiB before, %ld KiB after (growth %ld KiB, peak %ld KiB)\n", before, after,
                after - before, peak);
    bool ok = lastToRamMs >= 0 && inRam && (after - before) < 10 * 1024 && (!timed || transfers <= 3) && uecpOk;
    if (!timed) {
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/quorvan.rds") << "[Config]\r\nPort=0\r\n";
        ok = pipelined(cli, dir) && ok;
        std::filesystem::remove_all(dir);
    }
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
