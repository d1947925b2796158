// quorvanctl on a new account, laid out as the installed package is: the
// program beside a settings file it may not replace, so that its own files
// go to $XDG_CONFIG_HOME/quorvan/, which nothing has created yet.
#include "cli/cli_runner.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

class FirstDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(box.path("bin"));
        std::filesystem::copy_file(QUORVAN_CLI_PATH, box.path("bin/quorvanctl"));
        box.program = box.path("bin/quorvanctl");
        // What the package ships beside the program: nothing to replace.
        box.write("bin/quorvan.rds", "");
        ASSERT_EQ(::chmod(box.path("bin/quorvan.rds").c_str(), 0444), 0);
    }

    static unsigned modeOf(const std::string& path)
    {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? (st.st_mode & 07777) : 0;
    }

    CliSandbox box; // also XDG_CONFIG_HOME: the config folder is box/quorvan
};

TEST_F(FirstDay, TheVirtualEncoderWorksBeforeTheConfigFolderExists)
{
    ASSERT_FALSE(std::filesystem::exists(box.path("quorvan")));
    const CliResult r = box.run({"--port", "virtual", "send"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(modeOf(box.path("quorvan")), 0700u);
    EXPECT_TRUE(std::filesystem::exists(box.path("quorvan/virtual-encoder.state")));
}

TEST_F(FirstDay, EveryStateFileFolderIsMadeOnFirstUse)
{
    // A state file named on the command line, two folders deep.
    const std::string state = box.path("new/deeper/enc.state");
    CliResult r = box.run({"virtual-power", state, "on"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(state));
    EXPECT_EQ(modeOf(box.path("new")), 0700u);
    const std::string other = box.path("other/enc.state");
    r = box.run({"--port", "virtual:" + other, "write", "00", "12", "34"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(other));
    // A folder that cannot be made still names its cause.
    box.write("plain", "x");
    r = box.run({"--port", "virtual:" + box.path("plain/enc.state"), "send"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("plain/enc.state: Not a directory"), std::string::npos) << r.err;
}

// `follow` writes only the values it changed; on a new settings file that
// must not make it an older one (Latin-1, no A/B toggle), and a radiotext it
// put on air is on in the file too.
TEST_F(FirstDay, AFileMadeByFollowHasTheNewDefaultsAndTheRadiotextOn)
{
    const int port = test_support::FreePort(SOCK_DGRAM);
    const pid_t pid = box.start({"--port", "virtual", "follow", "--udp", std::to_string(port), "--allow", "127.0.0.1"},
                                "follow.out", box.program);
    ASSERT_GT(pid, 0);
    // The datagram is sent again until the follower, which binds its port
    // after start-up, answers it.
    const int pad = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = test_support::Loopback(port);
    const std::string line = "TEXT=Hello \xC3\x84rger\r\n"; // UTF-8 "Ärger"
    std::string reply;
    for (int attempt = 0; attempt < 200 && reply.empty(); ++attempt) {
        ::sendto(pad, line.data(), line.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        pollfd p{pad, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char buffer[256];
            const ssize_t n = ::recv(pad, buffer, sizeof buffer, 0);
            if (n > 0)
                reply.assign(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(pad);
    EXPECT_EQ(reply.substr(0, 1), "+") << reply << box.read("follow.out.err");
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << box.read("follow.out.err");

    const std::string saved = box.read("quorvan/quorvan.rds");
    EXPECT_NE(saved.find("Charset=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("ToggleAB=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Radiotext]\r\nEnabled=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Radiotext1=\"Hello \xC3\x84rger\"\r\n"), std::string::npos) << saved;
    // The next send keeps that radiotext on air: its control byte (0x1F) on.
    ASSERT_EQ(box.run({"virtual-poke", box.path("quorvan/virtual-encoder.state"), "1F", "00"}).code, 0);
    ASSERT_EQ(box.run({"--port", "virtual", "send"}).code, 0);
    const std::vector<std::string> dump = Lines(box.run({"virtual-dump", box.path("quorvan/virtual-encoder.state")}).out);
    ASSERT_GE(dump.size(), 3u);
    EXPECT_EQ(std::stoi(dump[1].substr(dump[1].size() - 2), nullptr, 16) & 1, 1) << dump[1];
    EXPECT_EQ(dump[2].substr(0, 21), "20: 48 65 6C 6C 6F 20") << dump[2];
}

// An older (Latin-1) station refuses a character it cannot send, and says how
// to switch to the RDS character set.
TEST_F(FirstDay, TheLatin1RefusalNamesTheFix)
{
    box.write("latin.rds", "[Config]\r\nCharset=0\r\n");
    const CliResult r = box.run({"--settings", box.path("latin.rds"), "--port", "virtual:" + box.path("enc.state"),
                                 "rt", "\xC5\xBDi\xC5\xBEkov"}); // "Žižkov"
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Preferences \xE2\x86\x92 Character set: RDS, or `Charset=1` in [Config]"), std::string::npos)
        << r.err;
}

} // namespace
} // namespace quorvan::test
