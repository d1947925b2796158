// Helpers for the text-source tests: a scratch directory on disk and a
// listing whose order and file times the test decides.
#pragma once

#include "sources/source_search.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace quorvan::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvan-src-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        path_ = made ? std::string(made) + "/" : std::string();
    }
    ~ScratchDir()
    {
        std::error_code ec;
        // Give back permissions taken away by a test so removal works.
        for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The directory with a trailing '/', like ExeDirectory.
    const std::string& path() const { return path_; }

    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string full = path_ + name;
        std::ofstream(full, std::ios::binary | std::ios::trunc) << bytes;
        return full;
    }

    // Sets a file's last-write time, in seconds since the epoch.
    void setLastWrite(const std::string& name, std::int64_t seconds) const
    {
        const struct timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                          {static_cast<time_t>(seconds), 0}};
        ::utimensat(AT_FDCWD, (path_ + name).c_str(), times, 0);
    }

private:
    std::string path_;
};

// A listing made up by the test: per directory, the regular files in the
// order given, with their last-write times.
class ListedFiles final : public SourceFileSystem {
public:
    struct File {
        std::string name;
        std::int64_t lastWrite;
    };
    void add(const std::string& directory, const std::string& name, std::int64_t lastWrite)
    {
        dirs_[directory].push_back({name, lastWrite});
    }
    void visitRegularFiles(const std::string& directory, const NameFilter& wanted,
                           const Visitor& visit) const override
    {
        const auto it = dirs_.find(directory);
        if (it == dirs_.end())
            return;
        for (const File& f : it->second)
            if (wanted(f.name))
                visit(f.name, f.lastWrite);
    }

private:
    std::map<std::string, std::vector<File>> dirs_;
};

// 10:00:00 UTC on some day, as seconds since the epoch (an even
// number, so the two-second steps start on it).
inline constexpr std::int64_t kTenOClock = 1'700'000'000 - 1'700'000'000 % 3600 + 10 * 3600;

} // namespace quorvan::testing
