// Text-source polling cost: one tick's source read over a big directory and
// over a huge "Last line" file. Prints the time per tick and the growth of
// the peak resident memory while ticking.
#include "sources/source_reader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace quorvan;

namespace {

// Resets the kernel's peak-RSS mark, so that growth shows even below a
// peak reached while setting up.
void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

struct Timing {
    double firstMs = 0;
    double meanMs = 0;
    double maxMs = 0;
    double cpuMeanMs = 0; // processor time of this process per tick: less sensitive to a busy machine
};

double cpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <class F>
Timing timeTicks(int ticks, F&& tick)
{
    Timing t;
    double total = 0;
    const double cpuStart = cpuMs();
    for (int i = 0; i < ticks; ++i) {
        const auto start = std::chrono::steady_clock::now();
        tick();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (i == 0)
            t.firstMs = ms;
        total += ms;
        if (ms > t.maxMs)
            t.maxMs = ms;
    }
    t.meanMs = total / ticks;
    t.cpuMeanMs = (cpuMs() - cpuStart) / ticks;
    return t;
}

void report(const char* what, const Timing& t, long growthKiB, double goalMs)
{
    std::printf("%-38s first %7.2f ms  mean %7.2f ms  max %7.2f ms  cpu %7.2f ms  (goal < %.0f ms)  "
                "peak memory growth %ld KiB\n",
                what, t.firstMs, t.meanMs, t.maxMs, t.cpuMeanMs, goalMs, growthKiB);
}

} // namespace

int main()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvan-bench-poll-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern + "/";
    const PosixSourceFileSystem fs;
    bool ok = true;

    // 10,000 files, every other one matching the mask, with spread-out times.
    for (int i = 0; i < 10000; ++i) {
        const std::string name = (i % 2 ? "other" : "now") + std::to_string(i) + (i % 2 ? ".dat" : ".txt");
        std::ofstream(dir + name) << "Artist " << i << " - Title\n";
        const struct timespec times[2] = {{1'700'000'000 + (i * 7919) % 10007, 0},
                                          {1'700'000'000 + (i * 7919) % 10007, 0}};
        ::utimensat(AT_FDCWD, (dir + name).c_str(), times, 0);
    }
    const TextSourceSetup directorySource{dir + "NOW*.TXT", ReadFrom::LastLine, 0, 0};
    resetPeakResident();
    long before = peakResidentKiB();
    const Timing dirTiming = timeTicks(50, [&] {
        if (!readTextSource(directorySource, dir, fs))
            ok = false;
    });
    report("10,000 files, mask matching 5,000:", dirTiming, peakResidentKiB() - before, 20);

    // A 200 MB log whose last line is the title now playing.
    const std::string big = dir + "big.log";
    {
        std::ofstream out(big, std::ios::binary);
        std::string block;
        for (int i = 0; i < 16384; ++i)
            block += "2024-01-01 10:00:00 Some Artist - Some Title (Radio Edit)\r\n"; // 60 bytes
        for (long written = 0; written < 200L * 1000 * 1000; written += static_cast<long>(block.size()))
            out << block;
        out << "Now Playing - The Last Title\r\n\r\n";
    }
    const TextSourceSetup bigSource{big, ReadFrom::LastLine, 0, 0};
    resetPeakResident();
    before = peakResidentKiB();
    const Timing bigTiming = timeTicks(10, [&] {
        const auto text = readTextSource(bigSource, dir, fs);
        if (!text || *text != "Now Playing - The Last Title")
            ok = false;
    });
    report("200 MB file, \"Last line\":", bigTiming, peakResidentKiB() - before, 50);

    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    if (!ok) {
        std::fprintf(stderr, "wrong result while ticking\n");
        return 1;
    }
    return 0;
}
