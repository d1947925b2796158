#include "sources/line_reader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan {

namespace {

constexpr char kEndOfFile = 0x1A;
constexpr std::size_t kBufferSize = 128 * 1024;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens a regular file for reading. O_NONBLOCK makes the open of a FIFO
// return at once instead of waiting for a writer; the type check then
// refuses anything that is not a regular file.
int openRegularFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
// -1 on a read error.
long readAt(int fd, char* buffer, std::size_t size, off_t offset)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool hasCharacter(const char* begin, const char* end)
{
    for (const char* p = begin; p < end; ++p)
        if (*p != '\r')
            return true;
    return false;
}

const char* findLastLineFeed(const char* begin, const char* end)
{
    return static_cast<const char*>(::memrchr(begin, '\n', static_cast<std::size_t>(end - begin)));
}

} // namespace

void cutAtCharacter(std::string& text, std::size_t max)
{
    if (text.size() <= max)
        return;
    std::size_t cut = max;
    // A UTF-8 character is at most four bytes: at most three continuation
    // bytes (10xxxxxx) follow its first.
    while (cut > 0 && max - cut < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
}

namespace {

// The line that starts at `start`: its bytes up to the next line feed, 0x1A
// or the end of the file, carriage returns left out, at most kMaxSourceLine.
std::optional<std::string> lineAt(int fd, off_t start, char* buffer)
{
    std::string line;
    off_t offset = start;
    for (;;) {
        // The first read is small: lines are short, files may be big.
        const std::size_t want = offset == start ? 4096 : kBufferSize;
        const long n = readAt(fd, buffer, want, offset);
        if (n < 0)
            return std::nullopt;
        const char* end = buffer + n;
        for (const char* p = buffer; p < end; ++p) {
            if (*p == '\n' || *p == kEndOfFile)
                return line;
            if (*p == '\r')
                continue;
            line.push_back(*p);
            // One byte more than is kept shows whether the cut splits a character.
            if (line.size() > kMaxSourceLine) {
                cutAtCharacter(line, kMaxSourceLine);
                return line;
            }
        }
        if (static_cast<std::size_t>(n) < want)
            return line;
        offset += n;
    }
}

// Start offset of the last line with at least one character, found in one
// forward pass (the end of the file is the first 0x1A, so the pass cannot
// start from the back). Nothing when the file has no such line.
struct LastLineSearch {
    bool failed = false;
    std::optional<off_t> start;
};

LastLineSearch findLastLine(int fd, char* buffer)
{
    off_t offset = 0;
    off_t currentStart = 0;       // start of the line still open at the chunk end
    bool currentHasChar = false;  // that line has a character so far
    std::optional<off_t> lastStart; // last finished line with a character
    for (;;) {
        long n = readAt(fd, buffer, kBufferSize, offset);
        if (n < 0)
            return {true, std::nullopt};
        bool atEnd = static_cast<std::size_t>(n) < kBufferSize;
        if (const void* eof = std::memchr(buffer, kEndOfFile, static_cast<std::size_t>(n))) {
            n = static_cast<const char*>(eof) - buffer;
            atEnd = true;
        }
        const char* begin = buffer;
        const char* end = buffer + n;
        if (const char* lastFeed = findLastLineFeed(begin, end)) {
            // Lines finish in this chunk: walk back over them to the last one
            // with a character. Usually the first one looked at.
            const char* lineEnd = lastFeed;
            for (;;) {
                const char* feed = findLastLineFeed(begin, lineEnd);
                const char* lineBegin = feed ? feed + 1 : begin;
                if (hasCharacter(lineBegin, lineEnd) || (!feed && currentHasChar)) {
                    lastStart = feed ? offset + (lineBegin - begin) : currentStart;
                    break;
                }
                if (!feed)
                    break;
                lineEnd = feed;
            }
            currentStart = offset + (lastFeed + 1 - begin);
            currentHasChar = hasCharacter(lastFeed + 1, end);
        } else if (!currentHasChar) {
            currentHasChar = hasCharacter(begin, end);
        }
        offset += n;
        if (atEnd)
            break;
    }
    if (currentHasChar)
        return {false, currentStart};
    return {false, lastStart};
}

} // namespace

std::optional<std::string> readSourceLine(const std::string& path, ReadFrom from)
{
    const FileDescriptor fd(openRegularFile(path));
    if (fd.get() < 0)
        return std::nullopt;
    const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    if (from == ReadFrom::FirstLine)
        return lineAt(fd.get(), 0, buffer.get());
    const LastLineSearch found = findLastLine(fd.get(), buffer.get());
    if (found.failed)
        return std::nullopt;
    if (!found.start)
        return std::string();
    return lineAt(fd.get(), *found.start, buffer.get());
}

} // namespace quorvan
