// A scratch directory for tests that touch the real file system.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quorvan::test {

class TempDir {
public:
    TempDir()
    {
        std::string templ = (std::filesystem::temp_directory_path() / "quorvan-settings-XXXXXX").string();
        char* made = ::mkdtemp(templ.data());
        path_ = made ? std::string(made) : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void put(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    std::string get(const std::string& name) const
    {
        std::ifstream in(file(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Number of entries in the directory (to see that no temporary file is left).
    int entries() const
    {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_))
            ++n;
        return n;
    }

private:
    std::string path_;
};

} // namespace quorvan::test
