// quorvanctl follow as a process: it polls at once, prints one line per
// update, keeps the virtual encoder's state file current, ends on SIGTERM or
// SIGINT and then saves the remembered texts, so that a restart with an
// unchanged file sends nothing. Waits only for the child's output; never sleeps.
#include "content/charset.h"
#include "sim/state_file.h"
#include "sources/source_test_support.h"
#include "remote/uecp_wire.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan {
namespace {

using testing::ScratchDir;

class FollowProcess {
public:
    // `withErrors`: the child's stderr comes as lines too (else it is the test's).
    FollowProcess(const std::string& dir, const std::vector<std::string>& args, bool withErrors = false)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            if (withErrors)
                ::dup2(out[1], 2);
            // A file size limit that a test sets makes writes fail (EFBIG)
            // instead of killing the child.
            ::signal(SIGXFSZ, SIG_IGN);
            ::close(out[0]);
            ::close(out[1]);
            ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
            if (::chdir(dir.c_str()) != 0)
                ::_exit(126);
            std::vector<char*> argv{const_cast<char*>(QUORVAN_CLI_PATH)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(QUORVAN_CLI_PATH, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~FollowProcess()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            ::close(out_);
    }

    // The next line of output; nothing when the child ends or stays silent
    // for a long time (a hung child must fail the test, not hang it).
    std::optional<std::string> line()
    {
        for (;;) {
            const auto eol = buffer_.find('\n');
            if (eol != std::string::npos) {
                std::string l = buffer_.substr(0, eol);
                buffer_.erase(0, eol + 1);
                return l;
            }
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 20'000) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // The next update line, past the lines that say at start what is followed.
    std::optional<std::string> event()
    {
        for (;;) {
            std::optional<std::string> l = line();
            if (!l || (!l->empty() && l->front() >= '0' && l->front() <= '9'))
                return l;
        }
    }

    // Sends `signal`, waits for the end; the exit code, and the rest of the output in `rest`.
    int end(int signal, std::string* rest = nullptr)
    {
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(out_, chunk, sizeof chunk)) > 0)
            buffer_.append(chunk, static_cast<std::size_t>(n));
        if (rest)
            *rest = buffer_;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
public:
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool reaped_ = false;
    std::string buffer_;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ramText(const std::string& stateFile, int address, int count)
{
    EncoderState state;
    std::string error;
    if (LoadEncoderState(stateFile, state, error) != StateLoad::Loaded)
        return "(no state: " + error + ")";
    return std::string(state.ram.begin() + address, state.ram.begin() + address + count);
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(FollowCommand, FollowsSavesAndDoesNotResendAfterARestart)
{
    ScratchDir dir;
    dir.write("rt-1.txt", "01. Catch\r\n");
    dir.write("dps.txt", "old\nCatch\n\n");
    const std::string settings = dir.write("quorvan.rds",
                                           "; station settings\r\n"
                                           "[Config]\r\nCTState=Stop\r\n"
                                           "[General]\r\nRT1Type=1\r\nRemoveNumbering=1\r\n"
                                           "[DPS1]\r\nEnabled=1\r\nMode=1\r\nFromFile=1\r\nSendOnChange=1\r\n"
                                           "SourceFile=" + dir.path() + "dps.txt\r\nReadFrom=1\r\n"
                                           "[Radiotext]\r\nEnabled=1\r\nFromFile=1\r\nSendOnChange=1\r\n"
                                           "SourceFile=" + dir.path() + "RT-*.TXT\r\nReadFrom=0\r\n"
                                           "Prefix=\"Now: \"\r\n");
    const std::string state = dir.path() + "encoder.state";
    const std::vector<std::string> args{"--settings", settings, "--port", "virtual:" + state, "follow"};

    {
        FollowProcess follow(dir.path(), args);
        // At start it says what it follows.
        EXPECT_EQ(follow.line(), "Radiotext source: \"" + dir.path() + "RT-*.TXT\"");
        EXPECT_EQ(follow.line(), "Dynamic PS source: \"" + dir.path() + "dps.txt\"");
        const auto rt = follow.line();
        ASSERT_TRUE(rt);
        EXPECT_NE(rt->find(" RT1 \"Now: Catch\" Ready"), std::string::npos) << *rt;
        EXPECT_TRUE(endsWith(*rt, "Ready"));
        const auto dps = follow.line();
        ASSERT_TRUE(dps);
        EXPECT_TRUE(endsWith(*dps, " DPS \"Catch\" Ready")) << *dps;
        // The state file already holds what was written.
        EXPECT_EQ(ramText(state, 0x20, 10), "Now: Catch");
        EXPECT_EQ(ramText(state, 0x1F, 1), "\x03");
        EXPECT_EQ(ramText(state, 0x76, 7), "\x05" "Catch ");

        // The playout adds a line while it runs (replacing the file at once,
        // so that no tick sees it half written): the next tick sends it.
        dir.write("dps.new", "old\nCatch\nAlvara - Lumen\n");
        std::filesystem::rename(dir.path() + "dps.new", dir.path() + "dps.txt");
        const auto next = follow.line();
        ASSERT_TRUE(next);
        EXPECT_TRUE(endsWith(*next, " DPS \"Alvara - Lumen\" Ready")) << *next;
        EXPECT_EQ(ramText(state, 0x76, 16), "\x0E" "Alvara - Lumen ");
        EXPECT_EQ(follow.end(SIGTERM), 0);
    }
    const std::string saved = readFile(settings);
    EXPECT_NE(saved.find("RTFromFile=01. Catch\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("DPSFromFile=Alvara - Lumen\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.rfind("; station settings\r\n[Config]\r\nCTState=Stop\r\n", 0), 0u) << saved;

    // Restart with only the dynamic PS file changed: the radiotext, applied
    // first in a tick, is not sent again.
    dir.write("dps.txt", "Lumen\n");
    {
        FollowProcess follow(dir.path(), args);
        const auto first = follow.event();
        ASSERT_TRUE(first);
        EXPECT_TRUE(endsWith(*first, " DPS \"Lumen\" Ready")) << *first;
        std::string rest;
        EXPECT_EQ(follow.end(SIGINT, &rest), 0);
        EXPECT_EQ(rest, "");
    }
    EXPECT_NE(readFile(settings).find("DPSFromFile=Lumen\r\n"), std::string::npos);
}

TEST(FollowCommand, ResumesClockTimeFromTheSettings)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds", "[Config]\r\nCTState=Start\r\n");
    const std::string state = dir.path() + "encoder.state";
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + state, "follow"});
    EXPECT_EQ(follow.line(), "Clock time: every minute");
    const auto first = follow.line();
    ASSERT_TRUE(first);
    EXPECT_NE(first->find(" CT \""), std::string::npos) << *first;
    EXPECT_TRUE(endsWith(*first, "\" Ready")) << *first;
    EXPECT_EQ(ramText(state, 0x67, 1), "\x40");
    EXPECT_EQ(follow.end(SIGTERM), 0);
    EXPECT_NE(readFile(settings).find("CTState=Start\r\n"), std::string::npos);
}

// A radiotext follower and a dynamic PS follower on one virtual encoder:
// each one's operation loads the other's write before its own, so the later
// write of one never takes back what the other wrote.
TEST(FollowCommand, TwoFollowersOnOneStateFileKeepEachOthersWrites)
{
    ScratchDir dir;
    dir.write("rt.txt", "First song\n");
    dir.write("dps.txt", "Alpha\n");
    const std::string rtSettings = dir.write("rt.rds",
                                             "[Config]\r\nCTState=Stop\r\n"
                                             "[Radiotext]\r\nEnabled=1\r\nFromFile=1\r\nSendOnChange=1\r\n"
                                             "SourceFile=" + dir.path() + "rt.txt\r\nReadFrom=0\r\n");
    const std::string dpsSettings = dir.write("dps.rds",
                                              "[Config]\r\nCTState=Stop\r\n"
                                              "[DPS1]\r\nEnabled=1\r\nMode=1\r\nFromFile=1\r\nSendOnChange=1\r\n"
                                              "SourceFile=" + dir.path() + "dps.txt\r\nReadFrom=0\r\n");
    const std::string state = dir.path() + "encoder.state";

    FollowProcess dps(dir.path(), {"--settings", dpsSettings, "--port", "virtual:" + state, "follow"});
    const auto alpha = dps.event();
    ASSERT_TRUE(alpha);
    EXPECT_TRUE(endsWith(*alpha, " DPS \"Alpha\" Ready")) << *alpha;

    FollowProcess rt(dir.path(), {"--settings", rtSettings, "--port", "virtual:" + state, "follow"});
    const auto song = rt.event();
    ASSERT_TRUE(song);
    EXPECT_TRUE(endsWith(*song, " RT1 \"First song\" Ready")) << *song;
    EXPECT_EQ(ramText(state, 0x76, 6), "\x05" "Alpha") << "the radiotext follower kept the dynamic PS";

    dir.write("dps.new", "Beta\n");
    std::filesystem::rename(dir.path() + "dps.new", dir.path() + "dps.txt");
    const auto beta = dps.event();
    ASSERT_TRUE(beta);
    EXPECT_TRUE(endsWith(*beta, " DPS \"Beta\" Ready")) << *beta;
    EXPECT_EQ(ramText(state, 0x20, 10), "First song") << "the dynamic PS follower kept the radiotext";
    EXPECT_EQ(ramText(state, 0x76, 5), "\x04" "Beta");

    EXPECT_EQ(rt.end(SIGTERM), 0);
    EXPECT_EQ(dps.end(SIGTERM), 0);
    EXPECT_EQ(ramText(state, 0x20, 10), "First song");
    EXPECT_EQ(ramText(state, 0x76, 5), "\x04" "Beta");
}

TEST(FollowCommand, RejectsArguments)
{
    ScratchDir dir;
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"extra"}, {"--udp", "70000"}, {"--tcp", "x"}, {"--udp"}, {"--uecp-tcp", "x"},
         {"--uecp-serial", "/dev/ttyS0:12345"}}) {
        std::vector<std::string> args{"--port", "virtual:" + dir.path() + "s", "follow"};
        args.insert(args.end(), extra.begin(), extra.end());
        FollowProcess follow(dir.path(), args);
        std::string rest;
        EXPECT_EQ(follow.end(0, &rest), 2) << extra[0];
    }
    // A sender list that is not one: nothing would be safe to listen to.
    FollowProcess follow(dir.path(), {"--port", "virtual:" + dir.path() + "s", "follow", "--udp", "0", "--tcp", "0",
                                      "--allow", "10.0.0.300"});
    EXPECT_EQ(follow.end(0), 1);
}

// A follower with nothing to do fails at once, so that a service manager
// shows it as failed instead of running it forever.
TEST(FollowCommand, NothingToFollowIsAnError)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds", "[Radiotext]\r\nFromFile=1\r\nEnabled=0\r\n");
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + dir.path() + "s", "follow"});
    std::string rest;
    EXPECT_EQ(follow.end(0, &rest), 2);
    EXPECT_EQ(rest, "");
}

// The log shows texts as the station's character set reads them.
TEST(FollowCommand, LogsTextsInTheStationsCharacterSet)
{
    ScratchDir dir;
    dir.write("rt.txt", "Björk – Jóga\n");
    const std::string settings = dir.write("quorvan.rds",
                                           "[Config]\r\nCharset=1\r\nCTState=Stop\r\n"
                                           "[Radiotext]\r\nEnabled=1\r\nFromFile=1\r\nSendOnChange=1\r\n"
                                           "SourceFile=" + dir.path() + "rt.txt\r\n");
    const std::string state = dir.path() + "encoder.state";
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + state, "follow"});
    const auto rt = follow.event();
    ASSERT_TRUE(rt);
    EXPECT_TRUE(endsWith(*rt, " RT1 \"Björk - Jóga\" Ready")) << *rt;
    EXPECT_EQ(ramText(state, 0x20, 12), "Bj\x97rk - J\x86ga");
    EXPECT_EQ(follow.end(SIGTERM), 0);
}

TEST(FollowCommand, NetworkCommandsFromTheOptionsAreSavedAtTheEnd)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds",
                                           "[General]\r\nDefaultPS=OLD\r\nPTY=3\r\n"
                                           "[Remote]\r\nEnabled=0\r\nTCPPort=0\r\nAllow=10.0.0.0/8\r\n");
    const std::string state = dir.path() + "encoder.state";
    const int port = test_support::FreePort(SOCK_DGRAM);
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + state, "follow", "--udp",
                                      std::to_string(port), "--allow", "127.0.0.1"});
    const auto listening = follow.line();
    ASSERT_TRUE(listening);
    EXPECT_EQ(*listening, "Remote: Listening on 127.0.0.1, UDP " + std::to_string(port));

    const int pad = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string lines = "PS=NEWS\r\nPTY=9\r\n";
    ::sendto(pad, lines.data(), lines.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ::close(pad);
    for (const char* expected : {" NET 127.0.0.1 UDP \"PS=NEWS\" +", " NET 127.0.0.1 UDP \"PTY=9\" +"}) {
        const auto line = follow.line();
        ASSERT_TRUE(line);
        EXPECT_TRUE(endsWith(*line, expected)) << *line;
    }
    EXPECT_EQ(ramText(state, 0x02, 9), "NEWS    \x09");
    EXPECT_EQ(follow.end(SIGTERM), 0);
    const std::string saved = readFile(settings);
    EXPECT_NE(saved.find("DefaultPS=\"NEWS\"\r\nPTY=9\r\n"), std::string::npos) << saved;
    // The options override the file for this run only.
    EXPECT_NE(saved.find("[Remote]\r\nEnabled=0\r\nTCPPort=0\r\nAllow=10.0.0.0/8\r\n"), std::string::npos) << saved;
}

// Everything a TCP client receives until the follower closes the connection
// (or stays silent for 20 s); the socket is closed after.
std::string ReceiveUntilClosed(int client)
{
    std::string received;
    char chunk[4096];
    for (;;) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 20'000) <= 0)
            break;
        const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        received.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(client);
    return received;
}

// One datagram of lines to the follower's UDP port; the reply datagram.
std::string Exchange(int port, const std::string& lines)
{
    const int pad = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = test_support::Loopback(port);
    ::sendto(pad, lines.data(), lines.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    char reply[512];
    pollfd p{pad, POLLIN, 0};
    ssize_t n = -1;
    if (::poll(&p, 1, 20'000) > 0)
        n = ::recv(pad, reply, sizeof reply, 0);
    ::close(pad);
    return n < 0 ? std::string("(no reply)") : std::string(reply, static_cast<std::size_t>(n));
}

// A state file that cannot be written (here: a file size limit) does not end
// the follower: the command is answered "!", the cause goes to stderr, and
// the next operation saves what the encoder holds; the settings keep the
// values as always.
TEST(FollowCommand, AFailedStateSaveIsReportedAndTriedAgain)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds", "[General]\r\nDefaultPS=OLD\r\nPTY=3\r\n");
    const std::string state = dir.path() + "encoder.state";
    const int port = test_support::FreePort(SOCK_DGRAM);
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + state, "follow", "--udp",
                                      std::to_string(port), "--tcp", "0"},
                         true);
    ASSERT_TRUE(follow.line());  // "Remote: Listening on ..."
    EXPECT_EQ(Exchange(port, "PS=ONE\r\n"), "+\r\n");
    ASSERT_TRUE(follow.line());
    EXPECT_EQ(ramText(state, 0x02, 8), "ONE     ");

    rlimit tiny{1, RLIM_INFINITY};
    ASSERT_EQ(::prlimit(follow.pid(), RLIMIT_FSIZE, &tiny, nullptr), 0);
    EXPECT_EQ(Exchange(port, "PS=TWO\r\n"), "!\r\n");
    const auto cause = follow.line();
    ASSERT_TRUE(cause);
    EXPECT_EQ(cause->rfind("quorvanctl: cannot write virtual encoder state file ", 0), 0u) << *cause;
    EXPECT_NE(cause->find("File too large"), std::string::npos) << *cause;
    const auto failed = follow.line();
    ASSERT_TRUE(failed);
    EXPECT_TRUE(endsWith(*failed, " NET 127.0.0.1 UDP \"PS=TWO\" !")) << *failed;
    EXPECT_EQ(ramText(state, 0x02, 8), "ONE     ");

    rlimit none{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(::prlimit(follow.pid(), RLIMIT_FSIZE, &none, nullptr), 0);
    EXPECT_EQ(Exchange(port, "PTY=9\r\n"), "+\r\n");
    EXPECT_EQ(follow.line(), "quorvanctl: virtual encoder state saved again");
    ASSERT_TRUE(follow.line());
    EXPECT_EQ(ramText(state, 0x02, 9), "TWO     \x09");
    EXPECT_EQ(follow.end(SIGTERM), 0);
    const std::string saved = readFile(settings);
    EXPECT_NE(saved.find("DefaultPS=\"TWO\"\r\nPTY=9\r\n"), std::string::npos) << saved;
}

// SIGTERM in the middle of a flood: every line sent before it is answered,
// written ("+") or, past the time the end allows, not ("!"); then the
// follower saves and ends as always.
TEST(FollowCommand, EveryLineSentBeforeTheEndIsAnswered)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds", "[General]\r\nPTY=3\r\n");
    const std::string state = dir.path() + "encoder.state";
    const int port = test_support::FreePort(SOCK_STREAM);
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + state, "follow", "--udp", "0",
                                      "--tcp", std::to_string(port)});
    ASSERT_TRUE(follow.line());  // "Remote: Listening on ..."
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = test_support::Loopback(port);
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    // Each STORE is a barrier: one operation each, none merged.
    constexpr int kPairs = 600;
    std::string lines;
    for (int i = 0; i < kPairs; ++i)
        lines += "PTY=" + std::to_string(i % 32) + "\nSTORE\n";
    ASSERT_EQ(::send(client, lines.data(), lines.size(), MSG_NOSIGNAL), static_cast<ssize_t>(lines.size()));
    ASSERT_TRUE(follow.event());  // the first one ran
    EXPECT_EQ(follow.end(SIGTERM), 0);

    const std::string replies = ReceiveUntilClosed(client);
    std::istringstream in(replies);
    int answered = 0, written = 0;
    for (std::string reply; std::getline(in, reply);) {
        ++answered;
        written += reply == "+\r" ? 1 : 0;
        EXPECT_TRUE(reply == "+\r" || reply == "!\r") << answered << ": " << reply;
    }
    EXPECT_EQ(answered, 2 * kPairs);
    EXPECT_GT(written, 0);
}

// ERTFromRT: the eRT in the state file's extension record follows each new
// radiotext in its own letters, from a source line and from a TEXT= line,
// while RAM's radiotext holds the RDS table's transliteration.
TEST(FollowCommand, EnhancedRadiotextFollowsTheSourceLineAndTheNetworkText)
{
    ScratchDir dir;
    dir.write("rt.txt", "01. Кино – Группа крови (Live)\n");
    const std::string settings = dir.write("quorvan.rds",
                                           "[Config]\r\nCTState=Stop\r\nCharset=1\r\n"
                                           "[General]\r\nRemoveNumbering=1\r\nRemoveBrackets=1\r\n"
                                           "[Radiotext]\r\nEnabled=1\r\nFromFile=1\r\nSendOnChange=1\r\n"
                                           "SourceFile=" + dir.path() + "rt.txt\r\nReadFrom=0\r\n"
                                           "Prefix=\"Now: \"\r\n"
                                           "[Extended]\r\nERT=Fixed\r\nERTFromRT=1\r\n");
    const std::string state = dir.path() + "encoder.state";
    const int port = test_support::FreePort(SOCK_STREAM);
    FollowProcess follow(dir.path(), {"--settings", settings, "--port", "virtual:" + state, "follow", "--udp", "0",
                                      "--tcp", std::to_string(port)});
    const auto ertOnAir = [&] {
        EncoderState s;
        std::string error;
        EXPECT_EQ(LoadEncoderState(state, s, error), StateLoad::Loaded) << error;
        return s.extension.values.ert;
    };
    const auto rt = follow.event();
    ASSERT_TRUE(rt);
    EXPECT_TRUE(endsWith(*rt, "Ready")) << *rt;
    EXPECT_EQ(ertOnAir(), "Now: Кино – Группа крови");
    const std::string transliterated = "Now: " + EncodeText("Кино – Группа крови", Charset::Rds);
    EXPECT_EQ(ramText(state, 0x20, int(transliterated.size())), transliterated);

    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = test_support::Loopback(port);
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    const std::string line = "TEXT=02. Ελληνικά\r\n";
    ASSERT_EQ(::send(client, line.data(), line.size(), MSG_NOSIGNAL), static_cast<ssize_t>(line.size()));
    const auto net = follow.event();
    ASSERT_TRUE(net);
    EXPECT_TRUE(endsWith(*net, " +")) << *net;
    EXPECT_EQ(ertOnAir(), "Now: Ελληνικά");
    const std::string greek = "Now: " + EncodeText("Ελληνικά", Charset::Rds);
    EXPECT_EQ(ramText(state, 0x20, int(greek.size())), greek);
    EXPECT_EQ(follow.end(SIGTERM), 0);
    EXPECT_EQ(ReceiveUntilClosed(client), "+\r\n");
}

TEST(FollowCommand, EncoderProtocolFramesFromTheOptions)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds", "[General]\r\nDefaultPS=OLD\r\n");
    const std::string state = dir.path() + "encoder.state";
    const int port = test_support::FreePort(SOCK_DGRAM);
    FollowProcess follow(dir.path(),
                         {"--settings", settings, "--port", "virtual:" + state, "follow", "--uecp-udp", std::to_string(port)});
    const auto listening = follow.line();
    ASSERT_TRUE(listening);
    EXPECT_EQ(*listening, "UECP: Listening on 127.0.0.1, UDP " + std::to_string(port));

    // Mode 2 and a PS in one datagram, frames written out with their CRCs.
    const std::string datagram = test::Wire(test::Raw({0x2C, 2}), 1) + test::Wire(test::Raw({0x02, 0, 0}) + "NEWS    ", 2);
    const int automation = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = test_support::Loopback(port);
    ::sendto(automation, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    for (const char* expected : {" UECP 127.0.0.1 UDP \"mode 2\"", " UECP 127.0.0.1 UDP \"PS NEWS    \""}) {
        const auto line = follow.line();
        ASSERT_TRUE(line);
        EXPECT_TRUE(endsWith(*line, expected)) << *line;
    }
    char reply[64];
    pollfd p{automation, POLLIN, 0};
    ASSERT_GT(::poll(&p, 1, 5000), 0);
    const ssize_t n = ::recv(automation, reply, sizeof reply, 0);
    ASSERT_GT(n, 0);
    // The datagram's two frames are acknowledged in one reply datagram.
    EXPECT_EQ(std::string(reply, static_cast<std::size_t>(n)),
              test::Wire(test::Raw({0x18, 0}), 1) + test::Wire(test::Raw({0x18, 0}), 2));
    ::close(automation);
    for (int i = 0; i < 100 && ramText(state, 0x02, 8) != "NEWS    "; ++i)
        ::usleep(50'000);
    EXPECT_EQ(ramText(state, 0x02, 8), "NEWS    ");
    EXPECT_EQ(follow.end(SIGTERM), 0);
    EXPECT_NE(readFile(settings).find("DefaultPS=\"NEWS    \""), std::string::npos) << readFile(settings);
}

// SIGTERM right behind a burst of frames: what was sent before the signal
// still goes on air and into the settings, and every frame is acknowledged.
TEST(FollowCommand, EveryFrameSentBeforeTheEndIsRun)
{
    ScratchDir dir;
    const std::string settings = dir.write("quorvan.rds", "[General]\r\nDefaultPS=OLD\r\n");
    const std::string state = dir.path() + "encoder.state";
    const int port = test_support::FreePort(SOCK_STREAM);
    FollowProcess follow(dir.path(),
                         {"--settings", settings, "--port", "virtual:" + state, "follow", "--uecp-tcp", std::to_string(port)});
    ASSERT_TRUE(follow.line());  // "UECP: Listening on ..."
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = test_support::Loopback(port);
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    constexpr int kFrames = 200;
    std::string frames = test::Wire(test::Raw({0x2C, 2}), 0);
    for (int i = 1; i <= kFrames; ++i) {
        char ps[9];
        std::snprintf(ps, sizeof ps, "PS%06d", i);
        frames += test::Wire(test::Raw({0x02, 0, 0}) + ps, i % 250);
    }
    ASSERT_EQ(::send(client, frames.data(), frames.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frames.size()));
    EXPECT_EQ(follow.end(SIGTERM), 0);

    const std::string replies = ReceiveUntilClosed(client);
    std::string acks = test::Wire(test::Raw({0x18, 0}), 0);
    for (int i = 1; i <= kFrames; ++i)
        acks += test::Wire(test::Raw({0x18, 0}), i % 250);
    EXPECT_EQ(replies.size(), acks.size());
    EXPECT_TRUE(replies == acks);
    EXPECT_EQ(ramText(state, 0x02, 8), "PS000200");
    EXPECT_NE(readFile(settings).find("DefaultPS=\"PS000200\""), std::string::npos) << readFile(settings);
}

} // namespace
} // namespace quorvan
