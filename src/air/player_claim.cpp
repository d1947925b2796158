#include "air/player_claim.h"

#include "air/air_status.h"
#include "settings/file_system.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include <unistd.h>

namespace quorvan::air {

std::string PlayerClaimPath(const std::string& stateFile)
{
    return AirStatusPath(stateFile) + ".lock";
}

PlayerClaim::PlayerClaim(PlayerClaim&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

PlayerClaim& PlayerClaim::operator=(PlayerClaim&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

PlayerClaim::~PlayerClaim()
{
    if (fd_ >= 0)
        ::close(fd_);  // the lock goes with the descriptor
}

bool PlayerClaim::take(const std::string& stateFile, std::string& error, std::string& note)
{
    if (fd_ >= 0)
        return true;
    const std::string file = PlayerClaimPath(stateFile);
    // Never through a link: another user's link in a shared folder is not
    // followed to a file of this user's, which would then be created or locked.
    bool writable = false;
    const int fd = OpenLockFile(file, 0600, writable);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == ENOENT)) {
        // A folder this user may not write: the player plays unclaimed, as
        // it did before there was a claim, and says so.
        note = "cannot claim " + stateFile + " as its one live player (" + file + ": " + std::strerror(errno) +
               "); another air started on it at the same time is not refused";
        return true;
    }
    if (fd < 0 && errno == EINVAL) {
        error = file + " (the claim of the one live player of " + stateFile + ") is not a regular file";
        return false;
    }
    if (fd < 0) {
        error = "cannot open " + file + " (the claim of the one live player of " + stateFile +
                "): " + std::strerror(errno);
        return false;
    }
    const bool locked = TryLockExclusive(fd);
    if (!locked) {
        const int cause = errno;
        ::close(fd);
        if (cause != EWOULDBLOCK) {
            error = "cannot lock " + file + ": " + std::strerror(cause);
            return false;
        }
        const std::optional<int> other = LiveAirPlayer(stateFile);
        error = stateFile + " is already on air by " +
                (other ? "process " + std::to_string(*other) + " (see " + AirStatusPath(stateFile) + ")"
                       : "another air process (it holds " + file + ")") +
                "; stop it first";
        return false;
    }
    fd_ = fd;
    return true;
}

} // namespace quorvan::air
