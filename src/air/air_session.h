// A software encoder on air: the modulator fed from a state file, into a sink.
//
// Live, the stream follows the state file: it is looked at every 50 ms of
// the device's time (a change saved by any program is read within that) by
// a thread of its own (StateFollower), never by the loop that feeds the
// device; it is only read, never written or locked, and a file that cannot
// be read leaves the last good state on air. The encoder's carrier or power
// off mutes the 57 kHz subcarrier only; the pilot stays. The status file
// beside it is rewritten once a second by a thread of its own, never by the
// loop that feeds the device, and removed at the end when it is still this
// process's.
#pragma once

#include "air/air_status.h"
#include "content/extended.h"
#include "air/modulator.h"
#include "air/sink.h"
#include "rds/groups.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvan {
class SharedEncoderState;
class SettingsFileSystem;
}

namespace quorvan::air {

struct SessionHooks {
    std::function<bool()> stopRequested;                // checked after every write
    std::function<std::int64_t()> nowUnix;              // for the status file
    std::function<void(const std::string&)> report;     // one line to stderr
    // Writes the status file (default: WriteAirStatus beside the state file);
    // runs on the status thread. false with the cause in `why`.
    std::function<bool(const AirStatus&, std::string& why)> writeStatus;
    // Looks at the state file of a live session (default:
    // SharedEncoderState::reloadIfChanged); true when the state was replaced.
    // Runs on the state follower's thread, never on the device's.
    std::function<bool(SharedEncoderState&, std::string& why)> lookAtState;
    // Removes the status file at the end (default: the real file system).
    SettingsFileSystem* fileSystem = nullptr;
};

// The RDS level and phase of a playing air, from the virtual encoder's
// extension record (kept in the state file; the line protocol's RDSLEVEL= and
// RDSPHASE= and UECP write it). At the start a value given on the command
// line stands, else the record's, else the default; afterwards every change
// of the record's value wins. The follower only reads the record.
struct LevelPhase {
    std::optional<double> level;  // percent of full scale
    std::optional<double> phase;  // degrees, 0 to 359.9
};
LevelPhase RecordLevelPhase(const ExtensionRecord& record);

// The record's start values into config.rdsLevel (at most 100 % less the
// pilot) and `phase` where the command line gave none.
void StartLevelPhase(const ExtensionRecord& record, bool levelGiven, bool phaseGiven, ModulatorConfig& config,
                     double& phase);

class LevelPhaseFollower {
public:
    // `atStart`: the record as the air found it (its values are already in
    // the start values where the command line gave none).
    explicit LevelPhaseFollower(const ExtensionRecord& atStart) : seen_(RecordLevelPhase(atStart)) {}
    // What changed in the record since the last look (nullopt fields: no
    // change); a value taken away from the record changes nothing.
    LevelPhase changes(const ExtensionRecord& record);
    // The changes into the modulator: the level ramps, the phase of a
    // loop-through slews (`loop` false: the phase is not used).
    void apply(const ExtensionRecord& record, Modulator& modulator, bool loop);

private:
    LevelPhase seen_;
};

// Plays the state until stopRequested() or, when `frames` >= 0, for exactly
// that many frames (0: none). false with `error` when the sink fails.
bool PlayLive(SharedEncoderState& state, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
              const SessionHooks& hooks, std::string& error);

// Renders exactly `frames` frames of a fixed list of groups, the first group
// starting at frame 0 (the list must last that long; none: the subcarrier is
// muted and the pilot alone plays), or until stopRequested(). `frames` < 0
// renders until stopRequested().
bool PlayGroups(const std::vector<rds::Group>& groups, const ModulatorConfig& config, Sink& sink, std::int64_t frames,
                const SessionHooks& hooks, std::string& error);

} // namespace quorvan::air
