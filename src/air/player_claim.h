// The claim of the one live player of a virtual encoder's state file: an
// exclusive lock on "STATE.air.lock", held for as long as `air` plays live (a
// sound card, JACK, a live loop-through or `--output -`) and let go by the
// kernel when the process ends, however it ends. Two players started in the
// same instant cannot both take it, where the status file alone (written
// once the device is open) would let both pass. It never touches the audio,
// the state file or the status file.
#pragma once

#include <string>

namespace quorvan::air {

class PlayerClaim {
public:
    PlayerClaim() = default;
    PlayerClaim(const PlayerClaim&) = delete;
    PlayerClaim& operator=(const PlayerClaim&) = delete;
    PlayerClaim(PlayerClaim&& other) noexcept;
    PlayerClaim& operator=(PlayerClaim&& other) noexcept;
    ~PlayerClaim();

    // Takes the claim of `stateFile`, never waiting. false, with the line
    // that says why in `error`: another process holds it (named by its
    // status file where it has written one), or the lock file cannot be
    // opened (a link planted in its place is never followed: ELOOP). true
    // without the claim held, and the line in `note`, where the folder
    // cannot be written: the player plays unclaimed, as before.
    bool take(const std::string& stateFile, std::string& error, std::string& note);
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// "STATE.air.lock".
std::string PlayerClaimPath(const std::string& stateFile);

} // namespace quorvan::air
