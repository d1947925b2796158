// What a radio makes of the group stream: the PS (each value shown once all
// four segments have come in order), the radiotext assembled segment by
// segment (a change of its A/B flag clears it), PTY, TP, TA, M/S, the DI
// flags, the AF list (method A), the last clock time and a count of groups
// per type, and the RadioText Plus tags (once a 3A group has announced the
// application and the group type that carries them) with the artist and the
// title they mark in the radiotext. Characters stay the encoder's bytes; the
// caller decodes them.
//
// A radiotext that is no longer sent goes stale, as a radio drops it: the
// receiver counts groups since the last 2A group and reports the radiotext
// stale after kRTStaleGroups without one. It counts groups, not time, since it
// is fed at the on-air rate of 11.4 groups a second. The standard asks for the
// whole message about every 5 s (EN 50067:1998, the table of repetition rates:
// radiotext 0.2 a second), so 10 s without a 2A group is two full messages
// missed, well past a stream that merely sends radiotext slowly.
#pragma once

#include "encoder/image_decode.h"
#include "content/rtplus.h"
#include "rds/groups.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvan::rds {

class Receiver {
public:
    void Take(const Group& group);

    std::optional<std::uint16_t> pi;
    std::string ps;                       // the last complete PS, 8 bytes ("" before the first)
    int pty = 0;
    bool tp = false;
    bool ta = false;
    bool music = false;
    std::array<bool, 4> di{};             // index = bit: 0 stereo .. 3 dynamic PTY
    std::string rt = std::string(64, ' ');  // radiotext as assembled, up to a carriage return
    char rtFlag = 0;                      // 'A' or 'B' once radiotext came, else 0
    int rtSegments = 0;                   // segments received since the flag last changed (0..16)
    std::vector<int> af;                  // the last complete AF list (codes 1..204)
    bool afSeen = false;
    std::optional<ClockTimeFields> clockTime;
    // RT+: the group type code (type * 2 + B) a 3A announced for AID 0x4BD7, and the last tags.
    std::optional<int> rtPlusGroup;
    std::optional<rtplus::Tags> rtPlusTags;
    bool rtPlusToggle = false;
    // The text a tag of the content type marks in the radiotext as assembled
    // ("" without running tags of that type).
    std::string rtPlusField(int contentType) const;
    // Groups of 10 s at 11.4 groups a second.
    static constexpr std::uint64_t kRTStaleGroups = 114;
    std::uint64_t groupsSince2A = 0;      // groups taken since the last 2A group
    // Radiotext came, but no 2A group for kRTStaleGroups groups.
    bool rtStale() const { return rtFlag != 0 && groupsSince2A >= kRTStaleGroups; }
    std::array<std::uint64_t, 32> groupsOfType{};  // index type * 2 + (B ? 1 : 0)
    std::uint64_t groups = 0;

private:
    void take0(const Group& g);
    void take2A(const Group& g);
    void takeAF(std::uint16_t block);
    void take3A(const Group& g);
    void takeRTPlus(const Group& g);

    std::array<char, 8> psBuffer_{};
    int psNext_ = -1;          // the segment expected next in a run from 0; -1 none
    std::array<char, 64> rtBuffer_{};
    std::uint16_t rtReceived_ = 0;
    std::vector<int> afBuilding_;
    int afExpected_ = 0;
};

} // namespace quorvan::rds
