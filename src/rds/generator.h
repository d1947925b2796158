// The encoder's group stream: which group goes on air next.
//
// Ten groups make one round: 0A in the even places, 2A in places 1, 3, 5 and
// 7 while radiotext is on, and place 9 for the user defined group while it is
// enabled (else for radiotext, else for 0A). Places without radiotext carry
// 0A. That gives a complete PS every 8 to 10 groups (more than once a second
// at 11.4 groups per second), the 16 radiotext segments within 40 groups
// (3.5 s), and the user group never more than one group in ten.
//
// RadioText Plus (while its registers say on and radiotext is on) takes
// place 8 when one of its groups is due, in this order: 11A when 11 groups
// or more have passed since the last one (unless 3A is 50 groups late), 3A
// when 40 groups or more have passed since the last one, 11A when a new
// radiotext or new tags wait for it; else place 8 stays 0A. A new radiotext's
// segment 0 or new tags also send an 11A at the next radiotext place (or
// place 8 if that comes first): within 4 groups. So 11A goes out at least
// every 20 groups (1.75 s) and within 0.5 s of a new text, 3A at least every
// 50 groups (4.4 s); the PS keeps four 0A in every ten groups (a complete PS
// within 10 groups) and a new radiotext loses one place to its 11A (all 16
// segments within 42 groups, 3.7 s). The item toggle flips whenever the
// tagged artist and title differ from the last item's.
//
// A clock-time trigger puts its 4A group in the next place, once; the group
// that place would have carried follows in the place after, so no PS cycle or
// radiotext loses a segment. The stream picks up every change of the image at
// the next group: a new PS value at the next cycle, a new AF list from its
// first pair, a changed radiotext from its segment 0.
#pragma once

#include "content/rtplus.h"
#include "rds/groups.h"
#include "rds/on_air_ps.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvan {
struct DateTime;
struct EncoderState;
}

namespace quorvan::rds {

class GroupGenerator {
public:
    // The next group for the image and the RT+ registers as they are now.
    Group Next(const image::ImageBytes& ram, const rtplus::Registers& rtPlus = {});
    // A trigger latched this clock-time record (0x67..0x6C): its group goes out
    // once, next. A record whose type byte is not 0x40 (no clock time was
    // loaded) sends nothing.
    void ClockTimeTriggered(const std::array<std::uint8_t, 6>& record);

    std::int64_t sent() const { return sent_; }
    bool itemToggle() const { return toggle_; }

private:
    Group next0A(const image::ImageBytes& ram);
    Group next2A(const image::ImageBytes& ram);
    Group nextRTPlus11A(const image::ImageBytes& ram);
    Group nextRTPlusPlace8(const image::ImageBytes& ram);

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
    bool rtPlusOn_ = false;
    rtplus::Registers rtPlus_{};
    bool rtPlusPrompt_ = false;         // an 11A waits for a new text or new tags
    std::int64_t last3A_ = -1000;
    std::int64_t last11A_ = -1000;
    std::string item_;                  // the tagged fields of the last item
    bool toggle_ = false;
};

// The stream of a virtual encoder: follows its RAM and its clock-time latches.
// Nothing is on air while it has no power or its carrier is off.
class EncoderStream {
public:
    static bool OnAir(const EncoderState& state);
    // The next group; a latch since the previous call sends its 4A (latches
    // made before the first call are history and send nothing). The RT+
    // registers are the extension record's.
    Group Next(const EncoderState& state);
    std::int64_t sent() const { return generator_.sent(); }

private:
    GroupGenerator generator_;
    std::optional<std::uint32_t> latches_;
};

// The RT+ registers of a virtual encoder (its extension record).
rtplus::Registers RTPlusRegistersOf(const EncoderState& state);

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
