// Send and Store: writing the whole data image from the station values into
// the encoder's working memory, and making the encoder keep it in EEPROM.
#pragma once

#include "content/af_list.h"
#include "content/station_params.h"
#include "encoder/bus_runs.h"
#include "encoder/operation.h"

#include <string>

namespace quorvan {

struct SendResult {
    Outcome outcome = Outcome::Skipped;
    // What was written (only meaningful when the Send ran): the AF count and
    // codes after MakeAFList, and the dynamic PS text of T6.
    AFList af;
    std::string dpsText;
};

// Send ("Send" button). Within one second of LastOperationTime (ctx.guard)
// it does nothing and returns Skipped. Otherwise it writes, as one operation:
//   T1 0x00: PI, PS (8, space filled), PTY, DI, MS, TP, TA, AF count, AF codes
//      (MakeAFList runs after the TA byte: invalid rows leave params.program.SGAF);
//   a 500 ms pause (ctx.sleeper);
//   T2 0x1F: 0x00, radiotext (64), 0x00, group type, DB3..DB7;
//   T3 0x1F: radiotext control;
//   T4 0x60: 0x01, only with CBUDGEN (and a group type within the list);
//   T5 0x6E: clock source + 2 x PLL range, phase steps;
//   T6 0x76: 0x00, dynamic PS text (mode 0 rows cut to 8 in params.dynamicPs.DPS1), 0x20;
//   T7 0x72: delay, mode, label period, speed, and the length only with DPS1EN.
// After a Ready close, SendExtended(params.extended) as an operation of its
// own (the virtual encoder's record; nothing on a real chip's bus); with
// ERTFromRT and radiotext on, its eRT first follows the current radiotext
// (ErtFollowsEncoderRadiotext). Then LastOperationTime := now. params is
// changed only by the AF list closing up, by mode-0 rows longer than 8 being
// cut and by that eRT.
// A PI or user-group byte text that is not hexadecimal counts its stray
// characters as F (as MakeHEX would); it never fails the Send.
SendResult Send(EncoderContext& ctx, TStationParams& params);

// Store ("Store" button): 0xD6, 0x71, 0x45 in one operation, a 500 ms pause,
// then LastOperationTime := now. No one-second guard.
Outcome Store(EncoderContext& ctx);

// --- the bytes of the transactions, for the writers above and for tests -------
// T1 up to and including the TA byte (16 bytes minus the AF count).
ByteRun ProgramBytes(const TStationParams& params);
// T1 from 0x10: the AF count, then its codes.
ByteRun AFBytes(const AFList& af);
// T2: 0x00, the current radiotext (64), 0x00, group type x 8, DB3..DB7.
ByteRun RadiotextAndGroupBytes(const TStationParams& params);
// T5: clock byte and phase steps.
ByteRun SubcarrierBytes(const TStationParams& params);
// T7: delay, mode, label period, speed (the length byte is added by Send).
ByteRun DynamicPSSettingsBytes(const TStationParams& params);

} // namespace quorvan
