// The real file system with switches that make single steps fail, the way a
// full disk or a read-only directory would.
#pragma once

#include "settings/file_system.h"

#include <string>

namespace quorvan::test {

class FailingFileSystem final : public SettingsFileSystem {
public:
    bool failTemporary = false; // creating or writing the temporary file fails
    bool failReplace = false;   // the rename over the old file fails
    bool readOnlyDirectories = false;
    std::string lastTemporary;

    std::optional<std::string> readFile(const std::string& p) override { return real_.readFile(p); }
    bool exists(const std::string& p) override { return real_.exists(p); }
    bool isWritableDirectory(const std::string& d) override
    {
        return !readOnlyDirectories && real_.isWritableDirectory(d);
    }
    bool isReadOnlyFile(const std::string& p) override { return real_.isReadOnlyFile(p); }
    bool makeDirectories(const std::string& d) override { return real_.makeDirectories(d); }
    std::optional<std::string> writeTemporaryBeside(const std::string& p, const std::string& bytes) override
    {
        if (failTemporary)
            return std::nullopt;
        auto t = real_.writeTemporaryBeside(p, bytes);
        if (t)
            lastTemporary = *t;
        return t;
    }
    bool replaceFile(const std::string& from, const std::string& to) override
    {
        return !failReplace && real_.replaceFile(from, to);
    }
    void removeFile(const std::string& p) override { real_.removeFile(p); }

private:
    PosixFileSystem real_;
};

} // namespace quorvan::test
