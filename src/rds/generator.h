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
//
// With an extended value set (content/extended.h) and no round of the
// engineer's, the round of ten changes: 0A in places 0, 2, 5 and 7 (40 %, a
// complete PS in every 10 groups, 0.88 s), 2A in places 1 and 6 while
// radiotext is on (20 %), and places 3, 4, 8 and 9 (with the 2A places
// while radiotext is off) for the features in use. Each feature wants a
// group every so many groups; a feature's place goes to the one whose group
// is most overdue (on a tie: 14B, a waiting 11A or eRT+ tag, 1A, 10A, 3A,
// 11A, 13A, 15A, 12A, 14A, the user group); a place nobody wants carries 2A
// while radiotext is on, else 0A:
//   1A (ECC and LIC in turn, the PIN in each)  every 24: each within 5 s
//   10A PTYN (2 segments, A/B flips on change)  every 48: within 10 s
//   15A Long PS (8 segments up to its end)      every 15: within 12 s
//   12A eRT (32 segments up to its end)         every 9:  128 bytes within
//                                               30 s, 74 bytes within 20 s
//   14A other networks, in turn, each PS(ON) 0-3 then one of its AF(ON)
//       pairs or PTY(ON)/TA(ON) (variant 13)    every 30 / networks (at
//                                               least 3): each PS within 15 s
//   14B a TA(ON) switched on or off             four, at once, before all
//   11A RT+                                     every 20, and next after a
//                                               new text or new tags
//   13A eRT+ (RT+ on, the eRT from the radiotext) every 30, and next after
//                                               new tags
//   3A for RT+ (11A, 0x4BD7), eRT (12A, 0x6552, UTF-8) and eRT+ (13A,
//       0x4BD8), in turn                        each every 48
//   the user group                              every 20
// These times hold while the features in use want no more than the places
// they have (40 %; 60 % without radiotext): everything at once with one
// other network wants 45 %, and then each feature slows in proportion.
// Clock time goes out as above.
//
// The engineer's round (ExtendedValues::groupSequence) replaces all this:
// each place sends its type, and a type whose feature is off (no ECC, LIC or
// PIN for 1A, radiotext off for 2A, no open data application for 3A, RT+ off
// for 11A, ...) sends 0A; a 4A place sends 0A too, as the clock time goes out
// at its minute. The 3A announcements (each ODA every 48 groups), the eRT+
// tags (every 30) and the 14B groups are inserted where due, never two
// inserted groups in a row, and the place's group follows.
#pragma once

#include "content/extended.h"
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

// The 14B groups that announce a switch of another network's TA.
inline constexpr int kEon14BRepeats = 4;

class GroupGenerator {
public:
    // The next group for the image, the RT+ registers and the extended values
    // as they are now. With no extended value set, the chip's round.
    Group Next(const image::ImageBytes& ram, const rtplus::Registers& rtPlus = {}, const ExtendedValues& values = {});
    // A trigger latched this clock-time record (0x67..0x6C): its group goes out
    // once, next. A record whose type byte is not 0x40 (no clock time was
    // loaded) sends nothing.
    void ClockTimeTriggered(const std::array<std::uint8_t, 6>& record);

    std::int64_t sent() const { return sent_; }
    bool itemToggle() const { return toggle_; }

private:
    // The features of the extended round, in the order that breaks a tie.
    enum Feature { k14B, kPrompt, k1A, k10A, k3A, k11A, k13A, k15A, k12A, k14A, kUser, kFeatures };

    bool followRTPlus(const image::ImageBytes& ram, const rtplus::Registers& rtPlus);
    Group nextExtended(const image::ImageBytes& ram, const rtplus::Registers& rtPlus, const ExtendedValues& v);
    Group nextDefaultRound(const image::ImageBytes& ram, const ExtendedValues& v);
    Group nextSequence(const image::ImageBytes& ram, const ExtendedValues& v);
    Group nextFeature(const image::ImageBytes& ram, const ExtendedValues& v, Feature f);
    std::optional<Feature> dueFeature(const ExtendedValues& v) const;
    std::optional<Feature> dueInsertion(const ExtendedValues& v) const;
    bool wanted(const ExtendedValues& v, Feature f) const;
    std::int64_t period(const ExtendedValues& v, Feature f) const;
    Group nextExtended0A(const image::ImageBytes& ram, const ExtendedValues& v);
    Group next1A(const image::ImageBytes& ram, const ExtendedValues& v);
    Group next3A(const image::ImageBytes& ram, const ExtendedValues& v);
    Group nextErtPlus(const image::ImageBytes& ram);
    Group next14(const image::ImageBytes& ram, const ExtendedValues& v);
    bool ertPlusOn(const ExtendedValues& v) const;
    int odaCount(const ExtendedValues& v) const;
    Group next0A(const image::ImageBytes& ram);
    Group next0A(const image::ImageBytes& ram, const std::vector<std::uint16_t>& af);
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

    // The extended round.
    int extPlace_ = 0;                  // in the extended round of ten
    std::size_t sequencePlace_ = 0;     // in the engineer's round
    bool lastInserted_ = false;
    std::array<std::int64_t, kFeatures> due_{};
    int slowVariant_ = 0;               // the next of ECC, LIC
    std::string ptyn_;
    bool ptynFlag_ = false;
    int ptynSegment_ = 0;
    std::string longPs_;
    int longPsSegment_ = 0;
    std::string ert_;
    int ertSegment_ = 0;
    int oda_ = 0;                       // the next ODA to announce
    bool ertPlusPrompt_ = false;
    rtplus::Registers ertPlusSent_{};
    int eonNetwork_ = 0;                // the next network to carry
    std::array<int, kOtherNetworks> eonStep_{};   // in PS(ON) 0-3 and one more
    std::array<int, kOtherNetworks> eonExtra_{};  // in its AF(ON) pairs and variant 13
    std::array<bool, kOtherNetworks> eonTa_{};
    std::array<int, kOtherNetworks> eon14B_{};    // 14B groups still to go
    bool userGroup_ = false;
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
