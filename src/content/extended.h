// The extended station values: what the software encoder sends beyond the
// chip's groups (country and language, programme item, PTYN, Long PS,
// enhanced RadioText, AF method B, other networks, the round), and the
// extension record the virtual encoder keeps them in with its RT+ registers
// and its RDS level and phase.
//
// These are plain values. This file never reads or writes a file, never
// touches a bus, and never decides when a group goes on air (src/rds does):
// a real encoder chip receives none of this, and the bytes to the chip stay
// the chip's.
#pragma once

#include "content/rtplus.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvan {

inline constexpr std::size_t kPtynBytes = 8;      // IEC 62106-2, 6.2.2.12 (group 10A)
inline constexpr std::size_t kLongPsBytes = 32;   // IEC 62106-2, 6.2.2.15 (group 15A), UTF-8
inline constexpr std::size_t kErtBytes = 128;     // eRT, UTF-8 (AID 0x6552)
inline constexpr int kAfMethodBLists = 12;        // AFB1..AFB12
inline constexpr int kAfMethodBEntries = 12;      // alternatives of one transmitter
inline constexpr int kOtherNetworks = 8;          // EON1..EON8
inline constexpr int kOtherNetworkAfs = 12;       // method A list of one other network

// Programme item number (IEC 62106-2, 6.2.2.5): day 1..31, hour 0..23,
// minute 0..59.
struct ProgrammeItem {
    int day = 1;
    int hour = 0;
    int minute = 0;
    bool operator==(const ProgrammeItem&) const = default;
};

enum class AfMethod { A, B };

// One alternative of a method B list: an AF code (1..204, content/af_list.h)
// and whether it carries a regional variant.
struct AfMethodBEntry {
    std::uint8_t code = 0;
    bool regional = false;
    bool operator==(const AfMethodBEntry&) const = default;
};

// One transmitter's method B list: its own (tuned) frequency, then its
// alternatives ("98.5: 87.6 101.2 104.1R").
struct AfMethodBList {
    std::uint8_t tuned = 0;
    std::vector<AfMethodBEntry> alternatives;
    bool operator==(const AfMethodBList&) const = default;
};

// Another network carried by EON (groups 14A/14B). Unused while pi is 0.
struct OtherNetwork {
    std::uint16_t pi = 0;
    std::string ps;                   // RDS table bytes, at most 8 (empty: not sent)
    std::vector<std::uint8_t> af;     // method A AF codes (1..204)
    int pty = 0;                      // 0..31
    bool tp = false;
    bool ta = false;                  // its traffic announcement is on
    bool operator==(const OtherNetwork&) const = default;
    bool used() const { return pi != 0; }
};

// One place of an engineer's round ("GroupSequence=0A 2A 0A 1A ...").
enum class SequenceGroup { G0A, G1A, G2A, G3A, G4A, G10A, G11A, G12A, G14A, G15A, User };

struct ExtendedValues {
    std::uint8_t ecc = 0;             // extended country code; 0: not sent
    std::uint8_t lic = 0;             // language identification code; 0: not sent
    std::optional<ProgrammeItem> pin; // nullopt: not sent
    std::string ptyn;                 // RDS table bytes, at most 8 (empty: not sent)
    std::string longPs;               // UTF-8, at most 32 bytes (empty: not sent)
    std::string ert;                  // UTF-8, at most 128 bytes (empty: not sent)
    bool ertFromRt = false;           // eRT carries each new radiotext in full Unicode
    AfMethod afMethod = AfMethod::A;
    std::vector<AfMethodBList> afB;   // at most kAfMethodBLists, used with method B
    std::array<OtherNetwork, kOtherNetworks> eon{};
    std::vector<SequenceGroup> groupSequence; // empty: the default scheduler
    bool operator==(const ExtendedValues&) const = default;
};

// No extended value is set: the encoder sends the chip's groups in the chip's
// round, byte for byte.
inline bool NoneSet(const ExtendedValues& v) { return v == ExtendedValues{}; }

// What the virtual encoder keeps beside the chip's memory, in its state file.
// A state file without it holds the defaults: nothing beyond the chip, the RT+
// registers off, level and phase as `air`'s command line says.
struct ExtensionRecord {
    ExtendedValues values;
    rtplus::Registers rtPlus{};           // the RT+ registers (content/rtplus.h)
    std::optional<int> rdsLevelTenths;    // RDS level in 0.1 % of full scale
    std::optional<int> rdsPhaseTenths;    // RDS phase in 0.1 degrees, 0..3599
    bool operator==(const ExtensionRecord&) const = default;
};

} // namespace quorvan
