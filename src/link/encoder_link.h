// TEncoderLink: the one bus transport between the program and the encoder.
//
// The encoder is a slave on a two-wire bus in the manner of I2C. The link
// produces every edge itself, on a parallel port's data register (value 8 is the
// clock, 16 the data out; status bit 5, value 32, is the data in) or on a serial
// port's modem lines (RTS clock, DTR data out, CTS data in), with a pause
// between edges that sleeps until a deadline on the monotonic clock.
//
// PortAddress of 5 or more selects the parallel port at that I/O base address;
// 1 to 4 selects the serial port (COM1..COM4) given by setSerialLines().
#pragma once

#include "link/bus_claim.h"
#include "link/bus_pause.h"
#include "link/busy_loop.h"
#include "link/clock.h"
#include "link/deadline.h"
#include "link/extension_store.h"
#include "link/link_ui.h"
#include "link/port_io.h"

#include <cstdint>
#include <string>

namespace quorvan {

class TEncoderLink {
public:
    // The sleeper serves "Slow" pauses; the spinner the busy loop of the
    // calibration (nullptr: the real busy loop). Neither is owned. The other
    // pauses sleep on the system's monotonic clock unless setPauseTimer says
    // otherwise.
    explicit TEncoderLink(Sleeper& sleeper, Spinner* spinner = nullptr);

    // --- state ------------------------------------------------------------
    std::int32_t PortAddress = 888;
    std::int32_t BusDelay = 0;      // 0 until calibrated: no pauses at all
    // true: every pause lasts 580/350,001 s without a calibration (BusDelay
    // is then not consulted).
    bool NominalPause = false;
    bool AckMissing = false;        // a written byte was not acknowledged
    // The port could not be reached during the current operation (never
    // opened, or lost). Cleared with AckMissing by SendStart(true); any
    // operation on an unreachable port ends "!Ready".
    bool PortFault = false;
    bool Bidirectional = true;      // check acknowledges during writes
    bool Slow = true;               // each pause is a 3 ms sleep
    // false: Pauza returns at once (the virtual encoder needs no timing).
    bool Timed = true;
    // The encoder's extension record (only the virtual encoder; nullptr on a
    // real port, which receives none of it). Not owned.
    ExtensionStore* Extension = nullptr;

    // --- wiring -----------------------------------------------------------
    void setPortIo(PortIo* io) { io_ = io; }
    void setSerialLines(SerialLines* lines) { serial_ = lines; }
    PortIo* portIo() const { return io_; }
    SerialLines* serialLines() const { return serial_; }
    void setUi(LinkUi* ui) { ui_ = ui ? ui : &nullUi_; }
    LinkUi& ui() const { return *ui_; }
    void setSpinner(Spinner* spinner);
    // The clock and the waiter of the pauses (nullptr: the system's). Not owned.
    void setPauseTimer(MonotonicClock* clock, DeadlineWaiter* waiter);
    // What each operation claims first (nullptr: nothing). Setting another
    // releases a claim still held.
    void setClaim(BusClaim* claim);

    bool isSerial() const { return PortAddress >= 1 && PortAddress <= 4; }
    bool isParallel() const { return PortAddress >= 5; }

    // Puts the selected port's lines into the idle bus state (clock and data
    // high): writes 24 to a parallel port, or raises RTS and DTR.
    void DriveIdle();

    // --- bus primitives ---------------------------------------------------
    void SendStart(bool show);
    void SendRestart();
    void SendByte(int value);
    int ReadByte(bool last);
    void SendStop(bool show);
    // An operation that never drives the bus (the extension record): claims
    // what SendStart(true) claims and clears the faults; false, with the
    // status "!Ready" and PortError naming why, when the claim failed (then
    // nothing may change). CloseRecordOperation releases the claim.
    bool OpenRecordOperation();
    void CloseRecordOperation();
    bool inportbit();
    static bool BitOn(std::int32_t value, int n);
    // Waits one pause: a 3 ms sleep with "Slow", otherwise until the next
    // deadline of the pause schedule (no wait before the calibration).
    void Pauza();
    // The length of one pause without "Slow": zero before the calibration.
    MonoTime PauseLength() const;

    // The address check of a read: the device did not acknowledge (with
    // "Bidirectional" on) or the port is out of reach. Callers then end the
    // operation at once with SendStop(true).
    bool AddressCheckFailed() const { return (AckMissing && Bidirectional) || PortFault; }
    // How an operation closed by SendStop(true) now would end.
    bool Failed() const { return AckMissing || PortFault; }

    // --- bus pause calibration --------------------------------------------
    // Status "Checking CPU speed...", counts the units of one second, sets the
    // CPU speed text and BusDelay, status "Ready". Returns the unit count.
    std::int32_t CalibrateBusDelay(const Clock& clock);

    // --- observation --------------------------------------------------------
    std::uint64_t PauseCount() const { return pauses_; }
    const std::string& StatusText() const { return status_; }
    void setStatus(const std::string& text);
    // Why the port is out of reach ("" when it is not).
    std::string PortError() const;
    // Why the last operation ended "!Ready", in one line: the port out of
    // reach with its cause, or a byte the encoder did not acknowledge; ""
    // when it did not end so.
    std::string NotReadyCause() const;

private:
    void writeData(std::uint8_t value);
    void setRTS(bool on);
    void setDTR(bool on);
    bool portReachable();
    void noteFault();
    // Clears the faults of the last operation and takes the claim; false when
    // the claim could not be had (claimError_ names the cause).
    bool beginOperation();

    Sleeper& sleeper_;
    BusyLoopSpinner busyLoop_;
    Spinner* spinner_;
    MonotonicClock* monoClock_;
    DeadlineWaiter* waiter_;
    PauseSchedule schedule_;
    PortIo* io_ = nullptr;
    SerialLines* serial_ = nullptr;
    LinkUi nullUi_;
    LinkUi* ui_ = &nullUi_;
    std::uint64_t pauses_ = 0;
    std::string status_;
    BusClaim* claim_ = nullptr;
    bool claimed_ = false;
    std::string claimError_; // why the current operation could not claim the bus

};

} // namespace quorvan
