#include "air/loop_session.h"

#include "air/mix.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace quorvan::air {

std::string LoopSummaryLine(const LoopSummary& s)
{
    char head[96];
    if (s.pilotSeen) {
        const double rate = s.rate > 0 ? s.rate : 1;
        std::snprintf(head, sizeof head, "pilot %.1f Hz, locked %.1f of %.1f s", s.pilotHz,
                      static_cast<double>(s.framesLocked) / rate, static_cast<double>(s.frames) / rate);
    } else {
        std::snprintf(head, sizeof head, "no pilot: RDS runs free at the nominal rate");
    }
    char tail[96];
    std::snprintf(tail, sizeof tail, ", RDS phase %.1f\u00b0, %lld clipped sample%s", s.rdsPhase,
                  static_cast<long long>(s.clipped), s.clipped == 1 ? "" : "s");
    return std::string(head) + tail;
}

bool PlayLoopThrough(const std::vector<rds::Group>& groups, const ModulatorConfig& config, double rdsPhase,
                     Source& source, Sink& sink, std::int64_t frames, const SessionHooks& hooks, LoopSummary& summary,
                     std::string& error)
{
    if (source.rate() != config.rate)
        throw std::invalid_argument("the source runs at " + std::to_string(source.rate()) + " Hz, the loop at " +
                                    std::to_string(config.rate) + " Hz");
    std::size_t next = 0;
    PilotLock lock(config.rate);
    Modulator modulator(config, [&] { return next < groups.size() ? groups[next++] : rds::Group{}; });
    modulator.setRdsPhase(rdsPhase);
    modulator.setSubcarrier(!groups.empty());
    LoopThrough loop(lock, modulator);

    std::vector<float> buffer(std::max<std::size_t>(sink.period(), 1));
    std::int64_t done = 0;
    bool ok = true;
    bool ended = false;
    while (!ended && (frames < 0 || done < frames)) {
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        const std::size_t want =
            frames >= 0 ? static_cast<std::size_t>(std::min<std::int64_t>(frames - done, buffer.size())) : buffer.size();
        std::size_t got = 0;
        while (got < want) {
            const std::size_t n = source.read(buffer.data() + got, want - got);
            if (n == 0) {
                ended = true;
                break;
            }
            got += n;
        }
        if (ended && !source.error().empty()) {
            error = source.error();
            ok = false;
        }
        if (got == 0)
            break;
        loop.process(buffer.data(), buffer.data(), got);
        if (!sink.write(buffer.data(), got)) {
            error = sink.error();
            ok = false;
            break;
        }
        done += static_cast<std::int64_t>(got);
        if (!ok)
            break;
    }
    if (!sink.close() && ok) {
        error = sink.error();
        ok = false;
    }
    summary.frames = done;
    summary.framesLocked = lock.framesLocked();
    summary.rate = config.rate;
    summary.pilotSeen = lock.pilotSeen();
    summary.pilotHz = lock.frequency();
    summary.rdsPhase = modulator.rdsPhase();
    summary.clipped = loop.clipped();
    return ok;
}

} // namespace quorvan::air
