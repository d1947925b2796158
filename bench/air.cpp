// The software encoder's cost. Rendering: 60 s of RDS at 192 kHz (and the
// other usual rates) from a station with radiotext; goal at least 200 x real
// time. Live (--live): quorvanctl air on a private PulseAudio null sink
// through ALSA's pulse plugin, its processor time read from /proc/PID/stat
// over 30 s (--live [SECONDS [RUNS]]); goal under 1 % of a core.
#include "air_bench_station.h"
#include "air/modulator.h"
#include "rds/generator.h"
#include "sim/state_file.h"
#include "support/private_pulse.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Seconds = std::chrono::duration<double>;

using quorvan::bench::CpuSeconds;
using quorvan::bench::Station;

void Render(int rate, int seconds)
{
    const quorvan::image::ImageBytes ram = Station();
    quorvan::rds::GroupGenerator generator;
    quorvan::air::Modulator m({rate, 4.5, 9}, [&] { return generator.Next(ram); });
    std::vector<float> buffer(4096);
    const std::int64_t frames = std::int64_t{rate} * seconds;
    double sink = 0;
    const double cpu0 = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t done = 0; done < frames;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(frames - done, buffer.size()));
        m.render(buffer.data(), n);
        sink += buffer[n / 2];
        done += static_cast<std::int64_t>(n);
    }
    const double wall = Seconds(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpu0;
    // On a shared machine the processor time is the figure; the wall time is
    // what this run happened to get.
    std::printf("render %6d Hz: %d s in %.3f s of processor (%.3f s wall) = %5.0f x real time, %.2f ns/sample, "
                "%zu table places%s\n",
                rate, seconds, cpu, wall, seconds / cpu, cpu / static_cast<double>(frames) * 1e9, m.tablePlaces(),
                sink > 1e9 ? "!" : "");
}

// utime + stime of a process, in seconds.
double CpuOf(int pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14)
            utime = std::stoull(f);
        if (i == 15)
            stime = std::stoull(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The machine's stolen time (a virtual machine's host busy elsewhere), in
// seconds over all processors: where it is large, every figure is inflated.
double StolenSeconds()
{
    std::ifstream in("/proc/stat");
    std::string cpu;
    unsigned long long v[8] = {};
    in >> cpu;
    for (auto& x : v)
        in >> x;
    return static_cast<double>(v[7]) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// One run: percent of a core, or < 0 when air ended early.
double LiveOnce(int seconds)
{
    const auto dir = std::filesystem::temp_directory_path() / ("quorvan-bench-air-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string state = (dir / "enc.state").string();
    quorvan::EncoderState s;
    const auto ram = Station();
    std::copy(ram.begin(), ram.end(), s.ram.begin());
    std::string error;
    if (!quorvan::SaveEncoderState(state, s, error)) {
        std::fprintf(stderr, "bench_air: %s\n", error.c_str());
        return -1;
    }
    double result = -1;
    {
        quorvan::test::PrivatePulse pulse((dir / "pulse").string());
        if (!pulse.ok()) {
            std::fprintf(stderr, "bench_air: %s\n", pulse.error().c_str());
            return -1;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(QUORVAN_CLI_PATH, "quorvanctl", "air", state.c_str(), "--device", "pulse", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));  // past the start
        const double cpu0 = CpuOf(pid), stolen0 = StolenSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double cpu1 = CpuOf(pid), stolen = StolenSeconds() - stolen0;
        const double wall = Seconds(std::chrono::steady_clock::now() - t0).count();
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (cpu0 < 0 || cpu1 < 0) {
            std::fprintf(stderr, "bench_air: quorvanctl air ended early\n");
            result = -1;
        } else {
            result = (cpu1 - cpu0) / wall * 100;
            std::printf("live air on the PulseAudio null sink, 192 kHz s16 mono: %.2f s of processor in %.1f s = "
                        "%.2f %% of a core (machine's stolen time %.1f %%)\n",
                        cpu1 - cpu0, wall, result, stolen / wall * 100);
        }
    }
    std::filesystem::remove_all(dir);
    return result;
}

// Several runs, each on a fresh sound server: a shared or virtual machine
// gives single figures that scatter, the median and the least say more.
int Live(int seconds, int runs)
{
    std::vector<double> figures;
    for (int i = 0; i < runs; ++i) {
        const double f = LiveOnce(seconds);
        if (f < 0)
            return 1;
        figures.push_back(f);
    }
    std::sort(figures.begin(), figures.end());
    if (runs > 1)
        std::printf("live air, %d runs of %d s: median %.2f %%, least %.2f %%, most %.2f %% of a core\n", runs, seconds,
                    figures[figures.size() / 2], figures.front(), figures.back());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--live") == 0)
        return Live(argc > 2 ? std::atoi(argv[2]) : 30, argc > 3 ? std::atoi(argv[3]) : 1);
    for (int rate : {192000, 171000, 176400, 228000, 200003})
        Render(rate, 60);
    return 0;
}
