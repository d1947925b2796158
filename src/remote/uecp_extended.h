// UECP elements for what the software encoder carries beyond the chip
// (content/extended.h's extension record): programme item number, PTYN,
// the slow labelling codes for ECC and LIC, the other networks (EON), the
// group sequence, and the RDS level and phase.
//
// The other networks are the programme services 1..8 of the data set (the
// main service is PSN 0): PI, PS, TA/TP and PTY addressed to PSN n, and
// EON-AF, describe other network n (EON1..EON8).
//
// Like uecp_elements.h, this file parses, checks, describes and answers; it
// edits a copy of the record it is handed and never reaches a link, a socket
// or the chip's bytes. A real chip has no record: these elements never reach
// it.
#pragma once

#include "content/extended.h"
#include "remote/uecp_elements.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvan::remote::uecp {

enum ExtendedMec : std::uint8_t {
    kPIN = 0x06,
    kRdsLevel = 0x0E,
    kEonAf = 0x14,
    kGroupSequence = 0x16,
    kSlowLabelling = 0x1A,
    kRdsPhase = 0x22,
    kPTYN = 0x3E,
};

// The slow labelling variants this encoder carries (IEC 62106-2, group 1A
// block 3: LA, three bits of variant, twelve bits of data).
inline constexpr int kSlcVariantEcc = 0;
inline constexpr int kSlcVariantLic = 3;

struct ElementLayout {
    bool known = false;
    bool dsn = false;        // a DSN follows the MEC
    bool psn = false;        // and a PSN after it
    bool variable = false;   // MEL gives the length
    std::size_t length = 0;  // fixed length of the data
};

// The layout of an extended element; unknown for any other MEC.
ElementLayout ExtendedLayoutOf(std::uint8_t mec);

bool IsExtendedMec(std::uint8_t mec);

// PSN n (1..8) names other network n for PI, PS, TA/TP, PTY and EON-AF.
bool OtherNetworkPsn(std::uint8_t mec, std::uint8_t psn);

// The element changes the extension record (an extended MEC, or another
// network's value): it never becomes a line-protocol command.
bool NeedsRecord(const Element& element);

// The acknowledgement code of the element's values (kOk when good).
int CheckExtended(const Element& element);

// For an element CheckExtended refuses, the one line that says why: the
// element, the value and what it may hold ("RDS phase 360.0 deg: the RDS
// phase must be 0 to 359.9 degrees in steps of 0.1"); empty when it is good.
std::string WhyRefused(const Element& element);

// The code of a request (0x17) for `mec` at `psn`.
int CheckExtendedRequest(std::uint8_t mec, std::uint8_t psn);

// Writes a checked element's values into `record`.
void ApplyExtended(const Element& element, ExtensionRecord& record);

// "PIN 15 09:30", "PTYN Jazzbar", "ECC E0", "EON2 PS RADIO 2", "RDS level 4.5 %".
std::string DescribeExtended(const Element& element);

// The message answering a request for `mec` at `psn` from the record
// (slow labelling: both variants, ECC and LIC).
std::string AnswerExtended(std::uint8_t mec, std::uint8_t psn, const ExtensionRecord& record);

} // namespace quorvan::remote::uecp
