// Receive and Read Status: reading the data image and the status byte back
// from the encoder.
#pragma once

#include "content/radiotext.h"
#include "content/station_params.h"
#include "encoder/bus_runs.h"
#include "encoder/operation.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvan {

struct ReceiveResult {
    Outcome outcome = Outcome::Skipped;
    // Runs whose values went into the station values: 0 to 3 (R1 programme
    // and AF list, R2 radiotext and user group, R3 subcarrier and dynamic PS).
    int runsCompleted = 0;
};

// Receive ("Receive" button). Skipped within one second of LastOperationTime;
// Unavailable without "Bidirectional" (the window disables the button then).
// Reads three runs, each opened with start, 0xD6, address, repeated start,
// 0xD7 and an address check:
//   R1 0x00: PI, PS, PTY, DI, MS, TP, TA, AF count (above 15 -> 0), the AF
//      codes, one more byte (ignored); rows after the count are emptied;
//   R2 0x1F: radiotext control, radiotext (into RT1 and CBRTT1 whichever text
//      is current), user group enable, type, DB3..DB7;
//   R3 0x6E: clock byte, phase, status and command (ignored), delay, mode,
//      label period, speed, dynamic PS length (capped at 72), the text, one
//      more byte (ignored).
// Each run's values go into params as soon as the run is complete, so a
// run that fails its address check (encoder not answering: "!Ready") leaves
// the values of the runs before it. A run during which the port went out of
// reach is not applied (its bytes are not the encoder's). A failed run ends
// the whole command there: no follow-up, no display rules, LastOperationTime
// unchanged; DB3..DB7 and their mirrors then show the bytes as received.
// On a link with an extension record (the virtual encoder) the record's
// values go into params.extended after the last run, under its claim.
// After the last run the follow-up normalisations run (PIExit; the dynamic
// PS text into the DPS1 rows in mode 0, otherwise into DPS1B; DB3Exit ..
// DB7Exit), then LastOperationTime := now. The window then re-runs its
// display rules in this order: the dynamic PS fields for the mode
// (DpsFieldsForMode), radiotext switching (RadiotextSwitchingRuns), the user
// group's bytes 5 and 6 (UserGroupUsesBytes5And6), the clock source's controls
// (UsesInternalClock), the dynamic PS fields for the source
// (DpsFieldsForSource), the delay's unit text.
// Bytes outside a list's range (PTY 200, mode 9) are stored unchecked.
// Received texts (PS, radiotext, dynamic PS) end at their first NUL byte.
ReceiveResult Receive(EncoderContext& ctx, TStationParams& params);

// --- one run's bytes into the station values (for Receive and for tests) ----------
// R1 bytes from 0x00: 16 bytes up to the AF count, the codes, the extra byte.
void ApplyProgramRun(TStationParams& params, const ByteRun& bytes, char decimalSeparator = '.');
// R2 bytes from 0x1F: 72 bytes.
void ApplyRadiotextRun(TStationParams& params, const ByteRun& bytes);
// R3 bytes from 0x6E: 9 bytes up to the length, the text, the extra byte.
void ApplySubcarrierAndDPSRun(TStationParams& params, const ByteRun& bytes);

// The station values a whole image holds (the encoder's memory 0x00..0xFF, as
// the virtual encoder's state file keeps it): the three runs of Receive read
// from it and the same follow-up, so that a program sees what another one put
// on air exactly as a Receive would. The values no run carries stay as they are.
void ApplyImage(TStationParams& params, const std::array<std::uint8_t, 256>& image, char decimalSeparator = '.');

// The radiotext the encoder holds (its control byte's type and the 64
// text bytes), read in one operation: start, 0xD6, 0x1F, repeated start,
// 0xD7, 65 bytes, stop. Nothing when the encoder does not answer.
std::optional<RadiotextOnAir> ReadRadiotextOnAir(TEncoderLink& link);

struct StatusResult {
    Outcome outcome = Outcome::Unavailable;
    // The status byte; none when the address check failed or the port went
    // out of reach (no message then).
    std::optional<int> value;
};

// Read Status ("Read Status" button): start, 0xD6, 0x70, repeated start,
// 0xD7, address check, one byte without acknowledge, stop. No guard.
StatusResult ReadStatus(EncoderContext& ctx);

// The message of Read Status: "Status byte value: N", "Pilot tone: 0|1",
// "TA: 0|1" (bit 0 and bit 1).
std::vector<std::string> StatusLines(int value);
// The three lines joined by a single carriage return (the message box text).
std::string StatusMessage(int value);

} // namespace quorvan
