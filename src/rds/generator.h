// The encoder's group stream: which group goes on air next.
//
// Ten groups make one round: 0A in the even places, 2A in places 1, 3, 5 and
// 7 while radiotext is on, and place 9 for the user defined group while it is
// enabled (else for radiotext, else for 0A). Places without radiotext carry
// 0A. That gives a complete PS every 8 to 10 groups (more than once a second
// at 11.4 groups per second), the 16 radiotext segments within 40 groups
// (3.5 s), and the user group never more than one group in ten.
//
// A clock-time trigger puts its 4A group in the next place, once; the group
// that place would have carried follows in the place after, so no PS cycle or
// radiotext loses a segment. The stream picks up every change of the image at
// the next group: a new PS value at the next cycle, a new AF list from its
// first pair, a changed radiotext from its segment 0.
#pragma once

#include "rds/groups.h"
#include "rds/on_air_ps.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvan {
struct DateTime;
struct EncoderState;
}

namespace quorvan::rds {

class GroupGenerator {
public:
    // The next group for the image as it is now.
    Group Next(const image::ImageBytes& ram);
    // A trigger latched this clock-time record (0x67..0x6C): its group goes out
    // once, next. A record whose type byte is not 0x40 (no clock time was
    // loaded) sends nothing.
    void ClockTimeTriggered(const std::array<std::uint8_t, 6>& record);

    std::int64_t sent() const { return sent_; }

private:
    Group next0A(const image::ImageBytes& ram);
    Group next2A(const image::ImageBytes& ram);

    std::int64_t sent_ = 0;
    int place_ = 0;  // in the round of ten
    std::optional<std::array<std::uint8_t, 6>> clockTime_;
    OnAirPS onAir_;
    PSValue ps_{};
    int psSegment_ = 0;
    std::vector<std::uint16_t> af_;
    std::size_t afIndex_ = 0;
    std::array<std::uint8_t, 1 + image::kRTLength> rt_{};  // control byte and text being sent
    int rtSegment_ = 0;
};

// The stream of a virtual encoder: follows its RAM and its clock-time latches.
// Nothing is on air while it has no power or its carrier is off.
class EncoderStream {
public:
    static bool OnAir(const EncoderState& state);
    // The next group; a latch since the previous call sends its 4A (latches
    // made before the first call are history and send nothing).
    Group Next(const EncoderState& state);
    std::int64_t sent() const { return generator_.sent(); }

private:
    GroupGenerator generator_;
    std::optional<std::uint32_t> latches_;
};

// The number of groups that begin within `seconds` seconds.
std::int64_t GroupsInSeconds(std::int64_t seconds);

// The groups a virtual encoder in `state` sends during `seconds` seconds from
// the local time `start`, its stream beginning there. While a clock time is
// loaded (0x67 holds 0x40) the minute trigger comes as the program's
// clock-time transmission writes it: at each minute boundary the loaded record
// is latched and goes out once in a 4A group, and the record of the following
// minute is loaded. Nothing while the encoder is off the air.
std::vector<Group> GroupsDuring(const EncoderState& state, const DateTime& start, std::int64_t seconds);

} // namespace quorvan::rds
