#include "sources/source_search.h"

#include "sources/file_mask.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quorvan {

void PosixSourceFileSystem::visitRegularFiles(const std::string& directory, const NameFilter& wanted,
                                              const Visitor& visit) const
{
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        // Cheap rejections first: the name, then the type readdir already
        // knows; only candidates cost a stat.
        if (entry->d_type == DT_DIR || entry->d_type == DT_FIFO || entry->d_type == DT_CHR ||
            entry->d_type == DT_BLK || entry->d_type == DT_SOCK)
            continue;
        if (!wanted(name))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0)
            continue; // vanished, or a dangling link
        if (!S_ISREG(st.st_mode))
            continue;
        visit(name, static_cast<std::int64_t>(st.st_mtim.tv_sec));
    }
    ::closedir(dir);
}

SourceFieldParts splitSourceField(std::string_view field)
{
    const auto slash = field.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string(), std::string(field)};
    return {std::string(field.substr(0, slash + 1)), std::string(field.substr(slash + 1))};
}

std::string resolveSourceDirectory(std::string_view directoryPart, const std::string& exeDirectory)
{
    if (!directoryPart.empty() && directoryPart.front() == '/')
        return std::string(directoryPart);
    std::string dir = exeDirectory;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    dir += directoryPart;
    return dir;
}

std::int64_t twoSecondStep(std::int64_t lastWrite)
{
    // Floor division, so that times before the epoch step the same way.
    return lastWrite >= 0 ? lastWrite / 2 : -((-lastWrite + 1) / 2);
}

std::optional<std::string> findSourceFile(std::string_view field, const std::string& exeDirectory,
                                          const SourceFileSystem& fs)
{
    const SourceFieldParts parts = splitSourceField(field);
    if (parts.mask.empty())
        return std::nullopt;
    const std::string directory = resolveSourceDirectory(parts.directory, exeDirectory);

    std::optional<std::string> newest;
    std::int64_t newestStep = 0;
    fs.visitRegularFiles(
        directory, [&](std::string_view name) { return matchesFileMask(name, parts.mask); },
        [&](std::string_view name, std::int64_t lastWrite) {
            const std::int64_t step = twoSecondStep(lastWrite);
            // Strictly later only: among equal stamps the first listed stays.
            if (!newest || step > newestStep) {
                newest = std::string(name);
                newestStep = step;
            }
        });
    if (!newest)
        return std::nullopt;
    return directory + *newest;
}

} // namespace quorvan
