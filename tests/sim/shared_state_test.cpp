// One virtual encoder state file shared by several programs: each operation
// takes the file's lock, loads what another program saved since and saves
// its own change, so no program's write is lost; a lock that stays taken ends
// the operation "!Ready" after a bounded wait, naming its holder. Also what
// the monitor names as one operation's change.
#include "encoder/bus_runs.h"
#include "link/unprivileged_user.h"
#include "ports/port_factory.h"
#include "sim/shared_state.h"
#include "sim/sim_rig.h"
#include "sim/state_changes.h"
#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan::test {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("quorvan-shared-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

// One program on the state file: its own port, link and clock.
struct Program {
    explicit Program(const std::string& stateFile)
    {
        PortOptions options;
        options.lockSleeper = &time;
        factory.setOptions(options);
        opened = factory.open("virtual:" + stateFile);
        if (opened.port)
            opened.port->attach(link);
    }
    ~Program()
    {
        if (opened.port)
            Port::detach(link);
    }
    std::string write(std::uint8_t address, const std::string& text)
    {
        WriteOperation(link, address, ByteRun(text.begin(), text.end()));
        return link.StatusText();
    }
    std::string ram(int address, int count) const
    {
        const auto& ram = opened.port->virtualEncoder()->state().ram;
        return std::string(ram.begin() + address, ram.begin() + address + count);
    }

    ManualTime time;
    PortFactory factory;
    PortOpenResult opened;
    TEncoderLink link{time};
};

std::string savedRam(const std::string& stateFile, int address, int count)
{
    EncoderState s;
    std::string error;
    if (LoadEncoderState(stateFile, s, error) != StateLoad::Loaded)
        return "(" + error + ")";
    return std::string(s.ram.begin() + address, s.ram.begin() + address + count);
}

// Holds the lock of a state file as another program would.
struct ForeignLock {
    explicit ForeignLock(const std::string& lockFile, const std::string& holder)
    {
        fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                 ::write(fd, holder.data(), holder.size()) == static_cast<ssize_t>(holder.size());
    }
    ~ForeignLock() { ::close(fd); }
    int fd = -1;
    bool locked = false;
};

TEST(SharedState, NoProgramLosesTheOtherOnesWrite)
{
    TempDir dir;
    const std::string state = dir.file("enc.state");
    Program window(state);
    Program ctl(state); // both opened on the same (missing) file
    ASSERT_TRUE(window.opened.port && ctl.opened.port);

    EXPECT_EQ(window.write(0x02, "QUORVAN "), "Ready");
    EXPECT_EQ(ctl.write(0x20, "Now playing"), "Ready");
    EXPECT_EQ(window.write(0x0A, "\x05"), "Ready");
    // Each operation loaded the other program's change before its own.
    EXPECT_EQ(savedRam(state, 0x02, 8), "QUORVAN ");
    EXPECT_EQ(savedRam(state, 0x20, 11), "Now playing");
    EXPECT_EQ(savedRam(state, 0x0A, 1), "\x05");
    EXPECT_EQ(window.ram(0x20, 11), "Now playing");

    // A save that had nothing to save leaves the other's write alone.
    EXPECT_EQ(ctl.write(0x20, "Next up    "), "Ready");
    std::string error;
    EXPECT_TRUE(window.opened.port->saveVirtualState(error)) << error;
    EXPECT_EQ(savedRam(state, 0x20, 11), "Next up    ");
}

TEST(SharedState, ReloadsBetweenOperationsOnlyWhenAnotherProgramSaved)
{
    TempDir dir;
    const std::string state = dir.file("enc.state");
    std::string error;
    const auto window = SharedEncoderState::Open(state, nullptr, error);
    const auto ctl = SharedEncoderState::Open(state, nullptr, error);
    ASSERT_TRUE(window && ctl) << error;

    EXPECT_FALSE(window->reloadIfChanged(error));
    ASSERT_TRUE(ctl->update([](VirtualEncoder& e) { e.poke(0x70, {0x02}); }, error)) << error;
    EXPECT_TRUE(window->reloadIfChanged(error));
    EXPECT_EQ(window->encoder()->status(), 0x02);
    EXPECT_FALSE(window->reloadIfChanged(error)) << "the same file again is no change";

    // Its own save is no change either.
    ASSERT_TRUE(window->update([](VirtualEncoder& e) { e.setPower(false); }, error)) << error;
    EXPECT_FALSE(window->reloadIfChanged(error));
    EXPECT_TRUE(ctl->reloadIfChanged(error));
    EXPECT_FALSE(ctl->encoder()->powered());

    // A rewrite in place that keeps the size and puts the modification time
    // back (as a careful editor may) is still seen at the next look.
    {
        std::string text;
        ASSERT_EQ(ReadEncoderStateText(state, text, error), StateLoad::Loaded) << error;
        struct stat before {};
        ASSERT_EQ(::stat(state.c_str(), &before), 0);
        const std::size_t at = text.find("status 02");
        ASSERT_NE(at, std::string::npos) << text;
        text.replace(at, 9, "status 05");
        { std::ofstream(state, std::ios::in | std::ios::out) << text; }
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, state.c_str(), times, 0), 0);
        EXPECT_TRUE(ctl->reloadIfChanged(error)) << error;
        EXPECT_EQ(ctl->encoder()->status(), 0x05);
    }

    // While it holds the lock, nobody else can have changed the file.
    ASSERT_TRUE(window->claim(error));
    EXPECT_FALSE(window->reloadIfChanged(error));
    window->release();

    // A file damaged by someone else is named and never overwritten.
    { std::ofstream(state) << "garbage\n"; }
    EXPECT_FALSE(window->reloadIfChanged(error));
    EXPECT_NE(error.find("damaged virtual encoder state file"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(window->update([](VirtualEncoder& e) { e.setPower(true); }, error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    std::ifstream in(state);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "garbage");
}

TEST(SharedState, ALockThatStaysTakenEndsTheOperationNotReadyNamingItsHolder)
{
    TempDir dir;
    const std::string state = dir.file("enc.state");
    Program window(state);
    ASSERT_EQ(window.write(0x02, "BEFORE  "), "Ready");
    {
        ForeignLock other(state + ".lock", "quorvanctl (process 4242)\n");
        ASSERT_TRUE(other.locked);
        const std::int64_t sleptBefore = window.time.totalSleptMs();
        EXPECT_EQ(window.write(0x02, "DURING  "), "!Ready");
        EXPECT_EQ(window.time.totalSleptMs() - sleptBefore, kStateLockWaitMs) << "a bounded wait";
        EXPECT_TRUE(window.link.PortFault);
        const std::string cause = window.link.PortError();
        EXPECT_NE(cause.find("in use by quorvanctl (process 4242)"), std::string::npos) << cause;
        EXPECT_NE(cause.find(state + ".lock"), std::string::npos) << cause;
        // Nothing reached the encoder or the file.
        EXPECT_EQ(window.ram(0x02, 8), "BEFORE  ");
        EXPECT_EQ(savedRam(state, 0x02, 8), "BEFORE  ");
    }
    EXPECT_EQ(window.write(0x02, "AFTER   "), "Ready");
    EXPECT_EQ(window.link.PortError(), "");
    EXPECT_EQ(savedRam(state, 0x02, 8), "AFTER   ");
}

// A lock file this user may not write (another user's, or one on a read-only
// mount) still locks; one the user may not open at all ends the operation
// "!Ready" naming the cause. No operation ever runs without the lock.
TEST(SharedState, ALockFileTheUserMayNotWriteStillLocksAndOneItMayNotOpenStopsTheOperation)
{
    TempDir dir;
    fs::permissions(dir.path, fs::perms::all);
    const std::string state = dir.file("enc.state");
    const std::string lock = state + ".lock";
    { std::ofstream(lock) << ""; }
    ASSERT_EQ(::chmod(lock.c_str(), 0444), 0);
    const std::string readOnly = AsUnprivilegedUser([&] {
        std::string error;
        const auto other = SharedEncoderState::Open(state, nullptr, error);
        if (!other || !other->claim(error))
            return "no claim: " + error;
        Program window(state);
        if (!window.opened.port)
            return "not opened: " + window.opened.error;
        std::string out = window.write(0x02, "DURING  ");
        out += " " + window.link.PortError() + "\n";
        other->release();
        out += window.write(0x02, "AFTER   ") + "\n";
        return out + savedRam(state, 0x02, 8);
    });
    EXPECT_EQ(readOnly.substr(0, readOnly.find(' ')), "!Ready") << readOnly;
    EXPECT_NE(readOnly.find("is in use by another program: its lock " + lock), std::string::npos) << readOnly;
    EXPECT_NE(readOnly.find("\nReady\nAFTER   "), std::string::npos) << readOnly;

    ASSERT_EQ(::chmod(lock.c_str(), 0), 0);
    const std::string unopened = AsUnprivilegedUser([&] {
        Program window(state);
        if (!window.opened.port)
            return "not opened: " + window.opened.error;
        const std::string status = window.write(0x02, "LOCKLESS");
        return status + " " + window.link.PortError() + "\n" + savedRam(state, 0x02, 8);
    });
    EXPECT_EQ(unopened.substr(0, unopened.find(' ')), "!Ready") << unopened;
    EXPECT_NE(unopened.find("cannot open lock file " + lock), std::string::npos) << unopened;
    EXPECT_NE(unopened.find(std::strerror(EACCES)), std::string::npos) << unopened;
    EXPECT_NE(unopened.find("\nAFTER   "), std::string::npos) << "the state file was left alone: " << unopened;
}

TEST(SharedState, TheLockFollowsTheStateFilesLinkAndNeverALinkInItsOwnPlace)
{
    TempDir dir;
    const std::string real = dir.file("real.state");
    const std::string link = dir.file("link.state");
    std::string error;
    ASSERT_TRUE(SaveEncoderState(real, EncoderState{}, error)) << error;
    fs::create_symlink(real, link);
    const auto viaLink = SharedEncoderState::Open(link, nullptr, error);
    ASSERT_TRUE(viaLink) << error;
    ASSERT_TRUE(viaLink->update([](VirtualEncoder& e) { e.poke(0, {1}); }, error)) << error;
    EXPECT_EQ(viaLink->lockPath(), real + ".lock") << "one lock for the link and the file";

    // A link planted in the lock file's place is not followed.
    const std::string victim = dir.file("victim");
    { std::ofstream(victim) << "keep me"; }
    fs::remove(real + ".lock");
    fs::create_symlink(victim, real + ".lock");
    EXPECT_FALSE(viaLink->update([](VirtualEncoder& e) { e.poke(0, {2}); }, error));
    std::ifstream in(victim);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "keep me");
}

TEST(EncoderChanges, NameEveryChangeAndWhatWasWrittenUnchanged)
{
    SimRig rig(PortKind::Parallel);
    VirtualEncoder& e = rig.encoder;
    EncoderState before = e.state();
    auto writes = e.writeCounts();
    auto compare = [&] {
        const std::string text = ChangeText(CompareEncoderStates(before, writes, e.state(), e.writeCounts()));
        before = e.state();
        writes = e.writeCounts();
        return text;
    };
    EXPECT_EQ(compare(), "nothing");

    rig.write(0x67, hex("40 00 00 00 00 00"));
    EXPECT_EQ(compare(), "0x67 (written unchanged: 0x68..0x6C)");
    rig.write(0x67, hex("40"));
    EXPECT_EQ(compare(), "nothing (written unchanged: 0x67)");
    rig.write(0x6D, hex("01"));
    EXPECT_EQ(compare(), "0x6D, clock time latched");
    rig.write(0x6D, hex("01")); // the same byte latches again
    EXPECT_EQ(compare(), "clock time latched (written unchanged: 0x6D)");

    rig.write(0x71, hex("45")); // Store: EEPROM takes RAM
    EXPECT_EQ(compare(), "0x71, EEPROM 0x67, 0x6D, 0x71");
    rig.write(0x71, hex("30"));
    EXPECT_EQ(compare(), "0x71, carrier off");
    e.setStatus(0x01); // set outside, not written
    e.setPower(false);
    EXPECT_EQ(compare(), "0x70, power off");
}

} // namespace
} // namespace quorvan::test
