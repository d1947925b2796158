// The port factory: turns a port selection into the backend that reaches it,
// a real port of src/link or the virtual encoder of src/sim. It stands above
// both, so that the link never depends on the virtual encoder. It only opens
// and wires ports; it never talks to an encoder itself.
//
// Port specs: "lpt1" (I/O address 888), "lpt2" (the LPT2 address of the
// options, or "lpt2:ADDR"), "com1".."com4" (/dev/ttyS0..3 unless a COMnDevice
// names another device), a device path ("/dev/parport0", "/dev/ttyUSB0"),
// "virtual:STATEFILE" (the virtual encoder on a parallel port) and
// "virtual-serial:STATEFILE" (the same encoder on the serial lines) and
// "virtual" (the virtual encoder of PortOptions::virtualStateFile, the one the
// settings choose in the "Port" group).
//
// With PortOptions::routeToVirtual every selection reaches one shared virtual
// encoder instead of the hardware, on the port kind selected.
#pragma once

#include "link/encoder_link.h"
#include "link/port_io.h"
#include "sim/shared_state.h"
#include "sim/virtual_encoder.h"

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace quorvan {

inline constexpr std::int32_t kLpt1Address = 888;
inline constexpr std::int32_t kLpt2DefaultAddress = 632;
// The selection of the "Port" group that reaches the virtual encoder (after
// LPT1, LPT2 and COM1..COM4).
inline constexpr int kVirtualPortSelection = 6;
// The virtual encoder's state file where the settings name none: beside the settings file.
inline constexpr const char* kVirtualStateFileName = "virtual-encoder.state";

struct PortOptions {
    std::string lpt2Address = "632";          // the LPT2 address as the settings hold it (decimal text)
    std::array<std::string, 4> comDevices;    // COM1Device..COM4Device; empty: /dev/ttyS0..3
    bool routeToVirtual = false;              // every selection goes to the virtual encoder
    // The virtual encoder's state file (of routeToVirtual and of the "virtual"
    // selection); empty: kept in memory only.
    std::string virtualStateFile;
    Sleeper* lockSleeper = nullptr;           // waits for a state file's lock; nullptr: real sleeps
    // Where the hardware is looked up, and whether root may fall back to direct
    // port I/O. Tests point the directories at a scratch directory and turn
    // direct I/O off, so that nothing they run can reach a real port.
    std::string parportProcDir = "/proc/sys/dev/parport";
    std::string devDir = "/dev";
    bool directIo = true;
};

// The LPT2 address: a decimal number from 256 to 65535. false with a message
// naming the cause otherwise.
bool ParseLpt2Address(const std::string& text, std::int32_t& address, std::string& error);

// The device of COMn (1..4).
std::string ComDevice(const PortOptions& options, int n);

// The virtual encoder's state file of a settings file: `setting` (its
// VirtualEncoder key; a relative path counts from the settings file's
// directory), or the default file beside the settings file when empty.
std::string VirtualStateFileFor(const std::string& setting, const std::string& settingsPath);

// The virtual encoder behind a port together with its state file.
struct VirtualBacking {
    std::shared_ptr<VirtualEncoder> encoder;
    std::string stateFile; // empty: not kept
    // The state file shared with other programs: each operation claims it
    // (null when the encoder is kept in memory only).
    std::shared_ptr<SharedEncoderState> sharing;
};

// One opened port. Owns its backend; attach() wires a link to it. Detach the
// link (or attach another port) before the Port goes away.
class Port {
public:
    Port(std::string name, std::int32_t address, std::unique_ptr<PortIo> io);
    Port(std::string name, std::int32_t address, std::unique_ptr<SerialLines> serial);
    ~Port();
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    const std::string& name() const { return name_; }
    // The link's PortAddress for this port: an I/O base address, or 1..4 for a serial port.
    std::int32_t address() const { return address_; }
    bool isSerial() const { return serial_ != nullptr; }
    PortIo* io() const;
    SerialLines* serial() const;
    bool reachable() const;
    std::string error() const;

    // Appends every access to `out` from now on (nullptr: stop recording).
    void record(std::ostream* out);

    // Sets the link's PortAddress and backends and drives the idle bus
    // (24 on a parallel port; RTS and DTR high on a serial port).
    void attach(TEncoderLink& link);
    static void detach(TEncoderLink& link);

    // The virtual encoder behind this port, or nullptr for hardware.
    VirtualEncoder* virtualEncoder() const { return backing_.encoder.get(); }
    const std::string& virtualStateFile() const { return backing_.stateFile; }
    // Saves a change of the virtual encoder not saved yet (operations save
    // their own when they close); false when a save failed. Nothing to do for
    // hardware or an encoder kept in memory.
    bool saveVirtualState(std::string& error) const;
    void setVirtualBacking(VirtualBacking backing) { backing_ = std::move(backing); }

private:
    std::string name_;
    std::int32_t address_;
    std::unique_ptr<PortIo> io_;
    std::unique_ptr<SerialLines> serial_;
    std::unique_ptr<PortIo> ioRecorder_;
    std::unique_ptr<SerialLines> serialRecorder_;
    VirtualBacking backing_;
};

enum class PortError {
    None,
    BadSpec,        // not a port name this program knows
    BadAddress,     // the LPT2 address is not a number from 256 to 65535
    CannotOpen,     // a serial device that is missing, busy or not a serial port
    BadStateFile,   // the virtual encoder's state file is damaged
};

struct PortOpenResult {
    std::unique_ptr<Port> port; // null on failure
    PortError failure = PortError::None;
    std::string error;          // one line naming the cause
};

class PortFactory {
public:
    explicit PortFactory(PortOptions options = {});
    const PortOptions& options() const { return options_; }
    void setOptions(const PortOptions& options);

    PortOpenResult open(const std::string& spec);
    // The port of a selection in the "Port" group: 0 LPT1, 1 LPT2, 2..5 COM1..COM4,
    // 6 the virtual encoder of the options' state file (on a parallel port).
    PortOpenResult openSelection(int index);
    static std::string selectionSpec(int index);

    // The shared virtual encoder of routeToVirtual, loaded from its state file
    // on first use; without routing, the one the "virtual" selection opened
    // (nullptr when neither, or the file is damaged).
    std::shared_ptr<VirtualEncoder> virtualEncoder();
    // Its state file as several programs share it (nullptr: kept in memory).
    std::shared_ptr<SharedEncoderState> virtualSharing();

private:
    bool loadShared(std::string& error);
    PortOpenResult openVirtual(VirtualBacking backing, bool serial, std::int32_t address, const std::string& name);

    PortOptions options_;
    std::shared_ptr<VirtualEncoder> shared_;
    std::shared_ptr<SharedEncoderState> sharing_;
};

// Loads a virtual encoder from a state file (a fresh encoder when the file
// does not exist yet). false with a message when the file is damaged. The
// sleeper serves the waits for the file's lock (nullptr: real sleeps).
bool LoadVirtualBacking(const std::string& stateFile, VirtualBacking& backing, std::string& error,
                        Sleeper* lockSleeper = nullptr);

} // namespace quorvan
