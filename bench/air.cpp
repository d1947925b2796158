// The software encoder's cost. Rendering: 60 s of RDS at 192 kHz (and the
// other usual rates) from a station with radiotext; goal at least 200 x real
// time. Live (--live): quorvanctl air on a private PulseAudio null sink
// through ALSA's pulse plugin, its processor time read from /proc/PID/stat
// over 30 s (--live [SECONDS [RUNS]]); goal under 1 % of a core. Live
// loop-through (--live-loop [SECONDS [RUNS]]): pacat plays a station's MPX
// into the null sink mpxin, quorvanctl air loops mpxin.monitor into the null
// sink mpxout; its processor time as --live's (goal under 2 % of a core) and
// the latency from input to output from its status file, in its two parts
// (captured and not yet read, written and not yet played).
#include "air_bench_station.h"
#include "air/air_status.h"
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

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <utility>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Seconds = std::chrono::duration<double>;

using quorvan::bench::CpuSeconds;
using quorvan::bench::OneSecond;
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

// What one run measured: percent of a core, or < 0 when air ended early;
// for a loop-through the latency its status file gave at the end.
struct LiveFigures {
    double percent = -1;
    double latencyMs = -1, latencyPeriods = 0, latencyInMs = 0, latencyOutMs = 0;
};

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0 && args[0] == "pacat")
            ::dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

void Stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// One run, on a fresh sound server.
LiveFigures LiveOnce(int seconds, bool loop)
{
    LiveFigures figures;
    const auto dir = std::filesystem::temp_directory_path() / ("quorvan-bench-air-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string state = (dir / "enc.state").string();
    quorvan::EncoderState s;
    const auto ram = Station();
    std::copy(ram.begin(), ram.end(), s.ram.begin());
    std::string error;
    if (!quorvan::SaveEncoderState(state, s, error)) {
        std::fprintf(stderr, "bench_air: %s\n", error.c_str());
        return figures;
    }
    constexpr int rate = 192000;
    const std::string mpxFile = (dir / "mpx.raw").string();
    if (loop) {
        // The station's MPX for the whole run, one whole-cycle second over and over.
        const std::vector<float> second = OneSecond(rate);
        std::ofstream out(mpxFile, std::ios::binary);
        for (int i = 0; i < seconds + 10; ++i)
            out.write(reinterpret_cast<const char*>(second.data()), static_cast<std::streamsize>(second.size() * 4));
    }
    {
        const std::vector<std::string> sinks = loop ? std::vector<std::string>{"mpxin", "mpxout"} : std::vector<std::string>{"mpx"};
        quorvan::test::PrivatePulse pulse((dir / "pulse").string(), rate, sinks, loop ? "float32le" : "");
        if (!pulse.ok()) {
            std::fprintf(stderr, "bench_air: %s\n", pulse.error().c_str());
            return figures;
        }
        pid_t pacat = -1;
        if (loop)
            pacat = Spawn({"pacat", "--playback", "-d", "mpxin", "--latency-msec=200", "--rate=192000", "--channels=1",
                           "--format=float32le", "--raw", mpxFile},
                          {});
        // The MPX flows before air starts, as a station's does: a null sink
        // with no stream to play hands its monitor over in blocks of its own.
        if (loop)
            std::this_thread::sleep_for(std::chrono::seconds(1));
        const pid_t pid =
            loop ? Spawn({QUORVAN_CLI_PATH, "air", state, "--input-device", "pulse", "--device", "pulse"},
                         {{"PULSE_SOURCE", "mpxin.monitor"}, {"PULSE_SINK", "mpxout"}})
                 : Spawn({QUORVAN_CLI_PATH, "air", state, "--device", "pulse"}, {});
        std::this_thread::sleep_for(std::chrono::seconds(2));  // past the start
        const double cpu0 = CpuOf(pid), stolen0 = StolenSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double cpu1 = CpuOf(pid), stolen = StolenSeconds() - stolen0;
        const double wall = Seconds(std::chrono::steady_clock::now() - t0).count();
        const std::optional<quorvan::air::AirStatus> status = quorvan::air::ReadAirStatus(state);
        Stop(pid);
        if (pacat > 0)
            Stop(pacat);
        if (cpu0 < 0 || cpu1 < 0) {
            std::fprintf(stderr, "bench_air: quorvanctl air ended early\n");
        } else {
            figures.percent = (cpu1 - cpu0) / wall * 100;
            if (!loop) {
                std::printf("live air on the PulseAudio null sink, 192 kHz s16 mono: %.2f s of processor in %.1f s = "
                            "%.2f %% of a core (machine's stolen time %.1f %%)\n",
                            cpu1 - cpu0, wall, figures.percent, stolen / wall * 100);
            } else if (status && status->latencyMs >= 0) {
                figures.latencyMs = status->latencyMs;
                figures.latencyPeriods = status->latencyPeriods;
                figures.latencyInMs = status->latencyInMs;
                figures.latencyOutMs = status->latencyOutMs;
                std::printf("live loop-through mpxin.monitor -> mpxout, 192 kHz float mono: %.2f s of processor in "
                            "%.1f s = %.2f %% of a core (machine's stolen time %.1f %%); pilot %s %.1f Hz; latency "
                            "%.1f ms = %.2f periods (captured, not read %.1f ms + written, not played %.1f ms); "
                            "%lld underruns, %lld overruns, %lld backlog drops\n",
                            cpu1 - cpu0, wall, figures.percent, stolen / wall * 100, status->pilot.c_str(),
                            status->pilotHz, status->latencyMs, status->latencyPeriods, status->latencyInMs,
                            status->latencyOutMs, static_cast<long long>(status->underruns),
                            static_cast<long long>(status->overruns), static_cast<long long>(status->backlogDrops));
            } else {
                std::fprintf(stderr, "bench_air: quorvanctl air wrote no latency\n");
                figures.percent = -1;
            }
        }
    }
    std::filesystem::remove_all(dir);
    return figures;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Several runs, each on a fresh sound server: a shared or virtual machine
// gives single figures that scatter, the median and the least say more.
int Live(int seconds, int runs, bool loop)
{
    std::vector<double> percents, latencies, periods, in, out;
    for (int i = 0; i < runs; ++i) {
        const LiveFigures f = LiveOnce(seconds, loop);
        if (f.percent < 0)
            return 1;
        percents.push_back(f.percent);
        latencies.push_back(f.latencyMs);
        periods.push_back(f.latencyPeriods);
        in.push_back(f.latencyInMs);
        out.push_back(f.latencyOutMs);
    }
    if (runs > 1) {
        const auto [least, most] = std::minmax_element(percents.begin(), percents.end());
        std::printf("%s, %d runs of %d s: median %.2f %%, least %.2f %%, most %.2f %% of a core\n",
                    loop ? "live loop-through" : "live air", runs, seconds, Median(percents), *least, *most);
        if (loop)
            std::printf("live loop-through latency, median of %d runs: %.1f ms = %.2f periods (captured %.1f ms + "
                        "played %.1f ms)\n",
                        runs, Median(latencies), Median(periods), Median(in), Median(out));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--live") == 0 || std::strcmp(argv[1], "--live-loop") == 0))
        return Live(argc > 2 ? std::atoi(argv[2]) : 30, argc > 3 ? std::atoi(argv[3]) : 1,
                    std::strcmp(argv[1], "--live-loop") == 0);
    for (int rate : {192000, 171000, 176400, 228000, 200003})
        Render(rate, 60);
    return 0;
}
