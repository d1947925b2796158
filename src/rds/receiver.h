// What a radio makes of the group stream: the PS (each value shown once all
// four segments have come in order), the radiotext assembled segment by
// segment (a change of its A/B flag clears it), PTY, TP, TA, M/S, the DI
// flags, the AF list (method A), the last clock time and a count of groups
// per type, and the RadioText Plus tags (once a 3A group has announced the
// application and the group type that carries them) with the artist and the
// title they mark in the radiotext. Characters stay the encoder's bytes; the
// caller decodes them.
//
// Beyond the chip's groups it reads what the standard adds (IEC 62106-2,
// EN 50067:1998): the country (ECC) and language (LIC) of group 1A with the
// programme item (PIN) in its block 4; the programme type name of 10A (shown
// once both halves have come, cleared by a change of its A/B flag); the Long
// PS of 15A (UTF-8, shown once every segment up to its end has come); the
// enhanced RadioText of the ODA AID 0x6552 (UTF-8 or UCS-2 as its 3A
// announcement says, shown in UTF-8 once every segment up to its end has
// come); the AF lists of method B in 0A; and the other networks of 14A/14B
// (PI, PS, AF, PTY, TP, TA). Segments may come in any order. A text without
// an A/B flag (Long PS, eRT) starts over when a segment brings other bytes
// than the value shown.
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
#include "content/extended.h"
#include "content/rtplus.h"
#include "rds/groups.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
    // Group 1A (EN 50067:1998, 3.1.5.2): variant 0 the ECC, variant 3 the LIC,
    // block 4 the PIN (day 0: none).
    std::optional<std::uint8_t> ecc;
    std::optional<int> lic;
    std::optional<ProgrammeItem> pin;
    // The country the ECC and the PI's country nibble name ("" while unknown).
    std::string_view country() const;
    // Group 10A: the last complete programme type name, 8 bytes of the RDS table.
    std::string ptyn;
    char ptynFlag = 0;                    // 'A' or 'B' once a 10A came
    // Group 15A: the last complete Long PS, UTF-8, without its end mark and trailing spaces.
    std::string longPs;
    // eRT: the group type code a 3A announced for AID 0x6552, its encoding and
    // the last complete text in UTF-8 (without its end mark).
    std::optional<int> ertGroup;
    bool ertUtf8 = true;
    std::string ert;
    // eRT+ (AID 0x4BD8): its group and last tags, laid out as RT+'s.
    std::optional<int> ertPlusGroup;
    std::optional<rtplus::Tags> ertPlusTags;
    // AF method B (EN 50067:1998, 3.2.1.6.3): one list per transmitter, by
    // tuned frequency, in the order first received (at most kMaxAfBLists).
    std::vector<AfMethodBList> afB;
    static constexpr std::size_t kMaxAfBLists = 32;
    // Other networks (14A, 14B), in the order first heard (at most
    // kMaxOtherNetworks): ps is the last complete PS ("" before), af the last
    // complete method A list, pty and ta from variant 13, tp from every group,
    // ta also from 14B.
    std::vector<OtherNetwork> otherNetworks;
    static constexpr std::size_t kMaxOtherNetworks = 16;
    const OtherNetwork* otherNetwork(std::uint16_t pi) const;
    std::array<std::uint64_t, 32> groupsOfType{};  // index type * 2 + (B ? 1 : 0)
    std::uint64_t groups = 0;

private:
    void take0(const Group& g);
    void take2A(const Group& g);
    void takeAF(std::uint16_t block);
    void take3A(const Group& g);
    void takeRTPlus(const Group& g);
    void take1A(const Group& g);
    void take10A(const Group& g);
    void take15A(const Group& g);
    void takeERT(const Group& g);
    void take14(const Group& g);
    void takeAfList(const std::vector<int>& codes);

    std::array<char, 8> psBuffer_{};
    int psNext_ = -1;          // the segment expected next in a run from 0; -1 none
    std::array<char, 64> rtBuffer_{};
    std::uint16_t rtReceived_ = 0;
    std::vector<int> afBuilding_;
    int afExpected_ = 0;
    std::array<char, 8> ptynBuffer_{};
    std::uint8_t ptynReceived_ = 0;
    // A text sent in segments of four bytes without an A/B flag, ended by a
    // carriage return (Long PS, eRT).
    struct SegmentedText {
        std::vector<char> bytes;
        std::uint32_t received = 0;     // a bit per segment
        bool shown = false;             // the buffer holds the value shown
        bool wide = false;              // UCS-2 instead of UTF-8 (eRT only)
        // Stores four bytes; true when the text is complete.
        bool take(int segment, const std::array<char, 4>& four);
        std::string text() const;       // up to the carriage return
    };
    SegmentedText longPsText_{std::vector<char>(kLongPsBytes, ' ')};
    SegmentedText ertText_{std::vector<char>(kErtBytes, ' ')};
    struct NetworkBuilding {
        std::array<char, 8> ps{};
        std::uint8_t psReceived = 0;
        std::vector<int> af;
        int afExpected = 0;
    };
    std::vector<NetworkBuilding> networkBuilding_;  // parallel to otherNetworks
};

} // namespace quorvan::rds
