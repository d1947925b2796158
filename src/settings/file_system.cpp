#include "settings/file_system.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace quorvan {

std::string parentDirectory(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

namespace {

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A file reached through a symbolic link is replaced where the link points:
// renaming over the link itself would turn it into a copy and leave the real
// file as it was.
std::string writeTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string out(real);
    std::free(real);
    return out;
}

// The temporary files of a save are named ".NAME.PID.XXXXXX": the directory
// entry of NAME, the process writing it, and mkstemp's unpredictable suffix.
// A save (which never takes long) first removes the temporary files of the
// same NAME that a killed writer left: those whose PID no longer runs, and
// those of earlier versions (".NAME.XXXXXX", no PID, a digit or capital in
// the suffix) unchanged for a day. A file whose PID runs is kept, even when
// that PID has been reused since, so nothing a running program may still
// write is removed.
void removeLeftoverTemporaries(const std::string& dir, const std::string& name)
{
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    const std::string prefix = "." + name + ".";
    const std::size_t suffix = 6; // mkstemp's letters and digits, no dot
    while (const dirent* entry = ::readdir(d)) {
        const std::string file = entry->d_name;
        if (file.size() < prefix.size() + suffix || file.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string middle = file.substr(prefix.size(), file.size() - prefix.size() - suffix);
        const std::string path = dir + "/" + file;
        if (file.find('.', file.size() - suffix) != std::string::npos)
            continue;
        if (middle.empty()) {
            // A word such as ".NAME.backup" is a file of the user's.
            if (file.find_first_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", file.size() - suffix) == std::string::npos)
                continue;
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime + 86400 < ::time(nullptr))
                ::unlink(path.c_str());
            continue;
        }
        // ".PID" between the prefix and the suffix.
        if (middle.size() < 2 || middle.size() > 11 || middle.back() != '.' ||
            middle.find_first_not_of("0123456789", 0) != middle.size() - 1)
            continue;
        const long pid = std::strtol(middle.c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // it runs (perhaps as another user)
        ::unlink(path.c_str());
    }
    ::closedir(d);
}

} // namespace

std::optional<std::string> PosixFileSystem::readFile(const std::string& path)
{
    // O_NONBLOCK: the open of a FIFO without a writer returns at once (and is
    // then refused as not a regular file) instead of waiting for ever.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string out;
    std::vector<char> buf(1 << 16);
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buf.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

bool PosixFileSystem::exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::isWritableDirectory(const std::string& dir)
{
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool PosixFileSystem::isReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool PosixFileSystem::makeDirectories(const std::string& dir)
{
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::string parent = parentDirectory(dir);
    if (parent != dir && parent != "." && parent != "/" && !makeDirectories(parent))
        return false;
    if (::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST)
        return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

std::optional<std::string> PosixFileSystem::writeTemporaryBeside(const std::string& target, const std::string& bytes)
{
    const std::string path = writeTarget(target);
    // A read-only file is not replaced behind its owner's back by a rename:
    // writing it in place would fail, and so does the save.
    if (isReadOnlyFile(path))
        return std::nullopt;
    const std::string dir = parentDirectory(path);
    const std::string base = path.substr(path.find_last_of('/') + 1);
    removeLeftoverTemporaries(dir, base);
    std::string name = dir + "/." + base + "." + std::to_string(::getpid()) + ".XXXXXX";
    std::vector<char> templ(name.begin(), name.end());
    templ.push_back('\0');
    int fd = ::mkstemp(templ.data());
    if (fd < 0)
        return std::nullopt;
    std::string tmp(templ.data());

    struct stat old {};
    mode_t mode = (::stat(path.c_str(), &old) == 0) ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(tmp.c_str());
        return std::nullopt;
    }
    return tmp;
}

bool PosixFileSystem::replaceFile(const std::string& from, const std::string& target)
{
    const std::string to = writeTarget(target);
    if (::rename(from.c_str(), to.c_str()) != 0)
        return false;
    // Make the new directory entry itself durable.
    int dfd = ::open(parentDirectory(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void PosixFileSystem::removeFile(const std::string& path)
{
    ::unlink(path.c_str());
}

bool MakeDirectoryFor(const std::string& path)
{
    PosixFileSystem fs;
    return fs.makeDirectories(parentDirectory(path));
}

bool replaceFileContents(SettingsFileSystem& fs, const std::string& path, const std::string& bytes)
{
    std::optional<std::string> tmp = fs.writeTemporaryBeside(path, bytes);
    if (!tmp)
        return false;
    if (!fs.replaceFile(*tmp, path)) {
        fs.removeFile(*tmp);
        return false;
    }
    return true;
}

int OpenLockFile(const std::string& path, int mode, bool& writable)
{
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, mode);
    writable = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.c_str(), O_RDONLY | flags);
    if (fd < 0)
        return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool TryLockExclusive(int fd)
{
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace quorvan
