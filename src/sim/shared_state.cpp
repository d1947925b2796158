#include "sim/shared_state.h"

#include "settings/file_system.h"
#include "sim/state_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan {

namespace {

// "quorvanctl (process 1234)": who holds the lock, for the others to name.
std::string HolderText()
{
    return std::string(program_invocation_short_name) + " (process " + std::to_string(::getpid()) + ")";
}

std::string ReadHolder(int fd)
{
    char buffer[256];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    std::string text = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text.empty() ? "another program" : text;
}

} // namespace

std::shared_ptr<SharedEncoderState> SharedEncoderState::Open(const std::string& path, Sleeper* sleeper,
                                                             std::string& error)
{
    auto shared = std::make_shared<SharedEncoderState>(path, std::make_shared<VirtualEncoder>(), sleeper);
    bool changed = false;
    if (!shared->loadIfChanged(changed, error))
        return nullptr;
    return shared;
}

SharedEncoderState::SharedEncoderState(std::string path, std::shared_ptr<VirtualEncoder> encoder, Sleeper* sleeper)
    : path_(std::move(path)), encoder_(std::move(encoder)), sleeper_(sleeper)
{
    if (!sleeper_) {
        ownSleeper_ = std::make_unique<SystemSleeper>();
        sleeper_ = ownSleeper_.get();
    }
    knownState_ = encoder_->state();
}

SharedEncoderState::~SharedEncoderState()
{
    unlock();
}

std::string SharedEncoderState::lockPath() const
{
    return EncoderStateTarget(path_) + ".lock";
}

bool SharedEncoderState::lock(std::string& error)
{
    if (lockFd_ >= 0)
        return true;
    const std::string file = lockPath();
    // The lock is the first file of a new state file's folder (a new
    // account's ~/.config/quorvan): the folder is made here. A failure shows
    // as the open's error below. A link planted in the lock file's place is
    // not followed to another file, which would then be written; a lock file
    // this user may not write (left by another user, or on a read-only mount)
    // still locks, and the holder's name is not written.
    MakeDirectoryFor(file);
    bool named = false;
    const int fd = OpenLockFile(file, 0644, named);
    if (fd < 0 && errno == EINVAL) {
        error = "lock file " + file + " of virtual encoder state file " + path_ + " is not a regular file";
        return false;
    }
    if (fd < 0) {
        // No operation runs without the lock: it ends here, naming the cause.
        error = "cannot open lock file " + file + " of virtual encoder state file " + path_ + ": " +
                std::strerror(errno);
        return false;
    }
    for (unsigned waited = 0;;) {
        if (TryLockExclusive(fd))
            break;
        if (errno != EWOULDBLOCK) {
            error = "cannot lock " + file + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (waited >= kStateLockWaitMs) {
            error = "virtual encoder state file " + path_ + " is in use by " + ReadHolder(fd) + ": its lock " +
                    file + " was not released within " + std::to_string(kStateLockWaitMs / 1000) + " s";
            ::close(fd);
            return false;
        }
        sleeper_->sleepMs(kStateLockRetryMs);
        waited += kStateLockRetryMs;
    }
    const std::string holder = HolderText() + "\n";
    if (named && ::ftruncate(fd, 0) == 0 && ::pwrite(fd, holder.data(), holder.size(), 0) < 0) {
        // Only the name in a message of another program is missing.
    }
    lockFd_ = fd;
    lockNamed_ = named;
    return true;
}

void SharedEncoderState::unlock()
{
    if (lockFd_ < 0)
        return;
    if (lockNamed_ && ::ftruncate(lockFd_, 0) != 0) {
        // A stale name stays; the lock itself goes with the descriptor.
    }
    ::flock(lockFd_, LOCK_UN);
    ::close(lockFd_);
    lockFd_ = -1;
}

bool SharedEncoderState::loadIfChanged(bool& changed, std::string& error)
{
    changed = false;
    std::string text;
    switch (ReadEncoderStateText(path_, text, error)) {
    case StateLoad::Missing:
        return true; // not saved yet (or removed): this program's state stands
    case StateLoad::Damaged:
        return false;
    case StateLoad::Loaded:
        break;
    }
    if (text == knownText_)
        return true;
    EncoderState state;
    std::string why;
    if (!ParseEncoderState(text, state, why)) {
        error = "damaged virtual encoder state file " + path_ + " (" + why + ")";
        return false;
    }
    changed = !(state == encoder_->state());
    if (changed)
        encoder_->setState(state);
    knownText_ = std::move(text);
    knownState_ = state;
    return true;
}

bool SharedEncoderState::save(bool evenUnchanged)
{
    const EncoderState& state = encoder_->state();
    if (state == knownState_ && !(evenUnchanged && knownText_.empty()))
        return true;
    std::string error;
    if (!SaveEncoderState(path_, state, error)) {
        saveError_ = error;
        return false;
    }
    knownState_ = state;
    knownText_ = FormatEncoderState(state);
    saveError_.clear();
    return true;
}

bool SharedEncoderState::claim(std::string& error)
{
    if (claimed_)
        return true;
    if (!lock(error))
        return false;
    bool changed = false;
    if (!loadIfChanged(changed, error)) {
        unlock();
        return false;
    }
    claimed_ = true;
    return true;
}

void SharedEncoderState::release()
{
    if (!claimed_)
        return;
    save();
    claimed_ = false;
    unlock();
}

bool SharedEncoderState::update(const std::function<void(VirtualEncoder&)>& change, std::string& error)
{
    if (!claim(error))
        return false;
    change(*encoder_);
    // A change made on purpose leaves a state file behind, even one that
    // leaves a fresh encoder as it was (switching its power on).
    if (!save(true)) {
        release();
        error = saveError_;
        return false;
    }
    release();
    return true;
}

bool SharedEncoderState::flush(std::string& error)
{
    if (encoder_->state() == knownState_)
        return true;
    const bool claimed = claimed_;
    if (!claimed && !lock(error))
        return false;
    const bool saved = save();
    if (!claimed)
        unlock();
    if (!saved)
        error = saveError_;
    return saved;
}

namespace {

// What tells one version of a file from the next without reading it.
std::string StatPrint(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) + ':' +
           std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec) + ':' +
           std::to_string(st.st_ctim.tv_sec) + '.' + std::to_string(st.st_ctim.tv_nsec);
}

} // namespace

bool SharedEncoderState::reloadIfChanged(std::string& error)
{
    if (claimed_)
        return false;
    const std::string print = StatPrint(path_);
    if (!print.empty() && print == seenStat_ && ++looksSinceRead_ < kFullReadEvery)
        return false;
    looksSinceRead_ = 0;
    bool changed = false;
    const bool loaded = loadIfChanged(changed, error);
    // Taken before the read: a save between the two shows at the next look.
    seenStat_ = loaded ? print : std::string();
    return loaded && changed;
}

} // namespace quorvan
