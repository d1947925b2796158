#include "sim/state_file.h"

#include "settings/file_system.h"
#include "sim/extension_text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan {

namespace {

constexpr const char* kMagic = "quorvan-virtual-encoder 1";

std::string hex2(unsigned v)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s(2, '0');
    s[0] = digits[(v >> 4) & 15];
    s[1] = digits[v & 15];
    return s;
}

bool parseHexByte(const std::string& word, std::uint8_t& out)
{
    if (word.size() != 2)
        return false;
    unsigned v = 0;
    for (char c : word) {
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            v |= static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            v |= static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
    }
    out = static_cast<std::uint8_t>(v);
    return true;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

void formatMemory(std::ostringstream& out, const char* name, const std::array<std::uint8_t, 256>& mem)
{
    for (int row = 0; row < 16; ++row) {
        out << name << ' ' << hex2(static_cast<unsigned>(row * 16));
        for (int i = 0; i < 16; ++i)
            out << ' ' << hex2(mem[row * 16 + i]);
        out << '\n';
    }
}

} // namespace

std::string FormatEncoderState(const EncoderState& s)
{
    std::ostringstream out;
    out << kMagic << '\n';
    out << "power " << (s.power ? "on" : "off") << '\n';
    out << "carrier " << (s.carrier ? "on" : "off") << '\n';
    out << "status " << hex2(s.status) << '\n';
    out << "command " << hex2(s.lastCommand) << '\n';
    out << "clocktime";
    for (std::uint8_t b : s.clockTime)
        out << ' ' << hex2(b);
    out << '\n';
    out << "latches " << s.clockTimeLatches << '\n';
    formatMemory(out, "ram", s.ram);
    formatMemory(out, "eeprom", s.eeprom);
    out << FormatExtensionLines(s.extension);
    return out.str();
}

bool ParseEncoderState(const std::string& text, EncoderState& result, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    if (!std::getline(in, line) || (++lineNo, line != kMagic)) {
        lineNo = 1;
        return fail("not a virtual encoder state file");
    }
    EncoderState s;
    bool seenPower = false, seenCarrier = false, seenStatus = false, seenCommand = false;
    bool seenClock = false, seenLatches = false;
    std::array<bool, 16> ramRows{}, eepromRows{};
    auto onOff = [&](const std::vector<std::string>& w, bool& seen, bool& value) {
        if (seen || w.size() != 2 || (w[1] != "on" && w[1] != "off"))
            return false;
        seen = true;
        value = w[1] == "on";
        return true;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        const auto w = words(line);
        if (w.empty())
            continue;
        const std::string& key = w[0];
        if (key == "power") {
            if (!onOff(w, seenPower, s.power))
                return fail("bad power line");
        } else if (key == "carrier") {
            if (!onOff(w, seenCarrier, s.carrier))
                return fail("bad carrier line");
        } else if (key == "status" || key == "command") {
            bool& seen = key == "status" ? seenStatus : seenCommand;
            std::uint8_t& value = key == "status" ? s.status : s.lastCommand;
            if (seen || w.size() != 2 || !parseHexByte(w[1], value))
                return fail("bad " + key + " line");
            seen = true;
        } else if (key == "clocktime") {
            if (seenClock || w.size() != 8)
                return fail("bad clocktime line");
            for (int i = 0; i < 7; ++i)
                if (!parseHexByte(w[i + 1], s.clockTime[i]))
                    return fail("bad clocktime line");
            seenClock = true;
        } else if (key == "latches") {
            if (seenLatches || w.size() != 2 || w[1].empty() || w[1].size() > 9
                || w[1].find_first_not_of("0123456789") != std::string::npos)
                return fail("bad latches line");
            s.clockTimeLatches = static_cast<std::uint32_t>(std::stoul(w[1]));
            seenLatches = true;
        } else if (key == "ram" || key == "eeprom") {
            auto& rows = key == "ram" ? ramRows : eepromRows;
            auto& mem = key == "ram" ? s.ram : s.eeprom;
            std::uint8_t base = 0;
            if (w.size() != 18 || !parseHexByte(w[1], base) || base % 16 != 0 || rows[base / 16])
                return fail("bad " + key + " row");
            for (int i = 0; i < 16; ++i)
                if (!parseHexByte(w[i + 2], mem[base + i]))
                    return fail("bad " + key + " row");
            rows[base / 16] = true;
        } else if (key == "ext") {
            std::string why;
            if (!ParseExtensionLine(w, s.extension, why))
                return fail(why);
        } else {
            return fail("unknown entry '" + key + "'");
        }
    }
    if (!seenPower || !seenCarrier || !seenStatus || !seenCommand || !seenClock || !seenLatches)
        return fail("incomplete state (file truncated?)");
    for (int r = 0; r < 16; ++r)
        if (!ramRows[r] || !eepromRows[r])
            return fail("incomplete memory (file truncated?)");
    result = s;
    return true;
}

StateLoad LoadEncoderState(const std::string& path, EncoderState& state, std::string& error)
{
    std::string text;
    const StateLoad read = ReadEncoderStateText(path, text, error);
    if (read != StateLoad::Loaded)
        return read;
    std::string why;
    if (!ParseEncoderState(text, state, why)) {
        error = "damaged virtual encoder state file " + path + " (" + why + ")";
        return StateLoad::Damaged;
    }
    return StateLoad::Loaded;
}

StateLoad ReadEncoderStateText(const std::string& path, std::string& text, std::string& error)
{
    // O_NONBLOCK: a FIFO without a writer must not hold the program; the type
    // check then refuses it, a directory and a device alike.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            struct stat st{};
            if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
                return StateLoad::Missing;
            errno = ENOENT;
        }
        error = "cannot read virtual encoder state file " + path + ": " + std::strerror(errno);
        return StateLoad::Damaged;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "cannot read virtual encoder state file " + path + ": not a regular file";
        return StateLoad::Damaged;
    }
    // A state file is a few kilobytes; anything much larger is not one, and
    // reading it whole could take the machine's memory.
    text.clear();
    char buffer[4096];
    bool failed = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxStateFileBytes)
            break;
    }
    const int readErrno = errno;
    ::close(fd);
    if (failed) {
        error = "cannot read virtual encoder state file " + path + ": " + std::strerror(readErrno);
        return StateLoad::Damaged;
    }
    if (text.size() > kMaxStateFileBytes) {
        error = "damaged virtual encoder state file " + path + " (larger than " +
                std::to_string(kMaxStateFileBytes) + " bytes)";
        return StateLoad::Damaged;
    }
    return StateLoad::Loaded;
}

std::string EncoderStateTarget(const std::string& path)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target = real;
            std::free(real);
            return target;
        }
    }
    return path;
}

bool SaveEncoderState(const std::string& path, const EncoderState& state, std::string& error)
{
    const std::string text = FormatEncoderState(state);
    // Through a symbolic link the state is saved where the link points: the
    // rename must not turn the link into a copy of its own.
    const std::string target = EncoderStateTarget(path);
    // The temporary file gets a new, unpredictable name (mkstemp creates it
    // exclusively), so nothing planted in its place, least of all a link to
    // another file, is ever opened or written.
    std::string temp = target + ".tmpXXXXXX";
    MakeDirectoryFor(target); // a failure shows as mkstemp's error below
    const int fd = ::mkstemp(temp.data());
    if (fd >= 0 && ::fchmod(fd, 0644) != 0) {
        // It stays readable by its owner only.
    }
    if (fd < 0) {
        error = "cannot write virtual encoder state file " + path + ": " + std::strerror(errno);
        return false;
    }
    const char* p = text.data();
    std::size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    const int savedErrno = errno;
    if (::close(fd) != 0)
        ok = false;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        error = "cannot write virtual encoder state file " + path + ": " + std::strerror(ok ? errno : savedErrno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string DumpMemory(const std::array<std::uint8_t, 256>& memory)
{
    std::string out;
    for (int row = 0; row < 12; ++row) {
        out += hex2(static_cast<unsigned>(row * 16)) + ":";
        for (int i = 0; i < 16; ++i) {
            // Appended piece by piece: `" " + text` makes GCC 12 at -O3 warn
            // about an overlapping copy that cannot happen (GCC bug 105329).
            out += ' ';
            out += hex2(memory[row * 16 + i]);
        }
        out += '\n';
    }
    return out;
}

} // namespace quorvan
