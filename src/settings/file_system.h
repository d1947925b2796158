// The file access the settings code needs, behind an interface so that tests
// can make any step fail.
#pragma once

#include <optional>
#include <string>

namespace quorvan {

class SettingsFileSystem {
public:
    virtual ~SettingsFileSystem() = default;

    // The whole file; nullopt when it is missing or cannot be read.
    virtual std::optional<std::string> readFile(const std::string& path) = 0;
    virtual bool exists(const std::string& path) = 0;
    // True when new files can be created in `dir`.
    virtual bool isWritableDirectory(const std::string& dir) = 0;
    // True when `path` is an existing file that must not be replaced: it has
    // no write permission at all (its owner made it read-only), or none for us.
    virtual bool isReadOnlyFile(const std::string& path) = 0;
    // Creates `dir` and its missing parents, each readable by the user alone
    // (mode 0700, as the XDG base directory rules ask of a directory a program
    // creates for its files); true when it exists afterwards.
    virtual bool makeDirectories(const std::string& dir) = 0;
    // Writes `bytes` to a new, uniquely named file in the directory of `path`,
    // flushed to the disk, with the permissions of `path` when that exists.
    // Returns the new file's path; nullopt (and nothing left behind) on failure.
    virtual std::optional<std::string> writeTemporaryBeside(const std::string& path, const std::string& bytes) = 0;
    // Atomically puts `from` in the place of `to`.
    virtual bool replaceFile(const std::string& from, const std::string& to) = 0;
    virtual void removeFile(const std::string& path) = 0;
};

// The real file system (POSIX).
class PosixFileSystem final : public SettingsFileSystem {
public:
    std::optional<std::string> readFile(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool isWritableDirectory(const std::string& dir) override;
    bool isReadOnlyFile(const std::string& path) override;
    bool makeDirectories(const std::string& dir) override;
    std::optional<std::string> writeTemporaryBeside(const std::string& path, const std::string& bytes) override;
    bool replaceFile(const std::string& from, const std::string& to) override;
    void removeFile(const std::string& path) override;
};

// Replaces the file at `path` by `bytes` so that it is never seen half-written:
// the bytes go to a temporary file in the same directory, which is flushed and
// then renamed over the old file. When any step fails the old file is left as
// it was, the temporary file is removed, and the result is false.
bool replaceFileContents(SettingsFileSystem& fs, const std::string& path, const std::string& bytes);

// The directory part of `path` ("." when it has none).
std::string parentDirectory(const std::string& path);

// Creates the directory `path` goes into when it is missing, as
// makeDirectories does: on a new account nothing has made ~/.config/quorvan
// yet, and every file kept there (the settings, the virtual encoder's state
// and its lock, the software output's status) is written through this first.
// True when the directory exists afterwards.
bool MakeDirectoryFor(const std::string& path);

// Opens (creating it, mode `mode`) the lock file `path` for flock: O_NOFOLLOW,
// so that a link planted in its place is never followed, and read-only where
// this user may not write it (flock needs only a descriptor; `writable` says
// which). -1 with errno set when it cannot be opened; -1 with errno EINVAL
// when it is not a regular file.
int OpenLockFile(const std::string& path, int mode, bool& writable);
// flock(LOCK_EX | LOCK_NB) on `fd`, again after EINTR; false with errno set.
bool TryLockExclusive(int fd);

} // namespace quorvan
