// Finding the file a text source reads: the newest regular file that matches
// the source field (a file name or a mask such as "/var/playout/now*.txt").
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

// The directory listing as the source search sees it. The program uses
// PosixSourceFileSystem; tests inject their own listing order and times.
class SourceFileSystem {
public:
    virtual ~SourceFileSystem() = default;

    using NameFilter = std::function<bool(std::string_view name)>;
    // lastWrite: the last-write time in whole seconds since the epoch.
    using Visitor = std::function<void(std::string_view name, std::int64_t lastWrite)>;

    // Calls `visit` for every regular file of `directory` (hidden and
    // read-only files included; directories, FIFOs, devices and sockets
    // never) whose name passes `wanted`, in directory listing order. A
    // directory that does not exist or cannot be listed has no files.
    // `wanted` is asked before anything else is looked up about the file.
    virtual void visitRegularFiles(const std::string& directory, const NameFilter& wanted,
                                   const Visitor& visit) const = 0;
};

// The real file system through opendir/readdir and stat (symbolic links are
// followed: a link to a regular file is a regular file).
class PosixSourceFileSystem final : public SourceFileSystem {
public:
    void visitRegularFiles(const std::string& directory, const NameFilter& wanted,
                           const Visitor& visit) const override;
};

// A source field split at its last '/': the directory part (up to and
// including the separator, taken literally) and the name part (the mask).
struct SourceFieldParts {
    std::string directory;
    std::string mask;
};
SourceFieldParts splitSourceField(std::string_view field);

// The directory a source field's directory part refers to: an absolute
// directory as it is, a relative one (or none) below `exeDirectory`, which
// ends with a path separator. The process's working directory is never used.
std::string resolveSourceDirectory(std::string_view directoryPart, const std::string& exeDirectory);

// Last-write times compared in steps of two seconds: seconds 0 and 1 are the
// same moment, 2 and 3 are, and so on.
std::int64_t twoSecondStep(std::int64_t lastWrite);

// The path of the file a source reads: of the regular files matching the
// field, the one with the latest last-write time (in two-second steps), the
// first in listing order among equals. Nothing when no file matches (also for
// an empty field, a field naming a directory, or a missing directory).
std::optional<std::string> findSourceFile(std::string_view field, const std::string& exeDirectory,
                                          const SourceFileSystem& fs);

} // namespace quorvan
