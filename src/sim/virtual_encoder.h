// The virtual encoder: a model of the encoder chip as a slave on the two-wire
// bus. It sees the master's clock and data levels, decodes start, repeated
// start and stop conditions and bytes (most significant bit first, sampled on
// the rising clock edge), and pulls the data line low to acknowledge and to
// send bits. The data line is wired-AND: it is low when either side pulls it low.
//
// Device address 0x6B (0xD6 write, 0xD7 read). A write sets the address pointer
// with its first byte and stores the others at consecutive addresses. A single
// byte written to 0x71 is a command; a 1 written to 0x6D latches the clock-time
// record. 0x70 is the read-only status byte (bit 0 pilot tone, bit 1 traffic
// announcement).
#pragma once

#include "content/extended.h"
#include "link/extension_store.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quorvan {

struct EncoderState {
    std::array<std::uint8_t, 256> ram{};
    std::array<std::uint8_t, 256> eeprom{};
    std::uint8_t status = 0;
    bool carrier = true;
    bool power = true;
    std::uint8_t lastCommand = 0;                 // last command byte executed
    std::array<std::uint8_t, 7> clockTime{};       // 0x67..0x6D at the last latch
    std::uint32_t clockTimeLatches = 0;
    ExtensionRecord extension;                     // what the chip lacks (content/extended.h)
    bool operator==(const EncoderState&) const = default;
};

class VirtualEncoder final : public ExtensionStore {
public:
    static constexpr std::uint8_t kDeviceWrite = 0xD6;
    static constexpr std::uint8_t kDeviceRead = 0xD7;
    static constexpr std::uint8_t kStatusAddress = 0x70;
    static constexpr std::uint8_t kCommandAddress = 0x71;
    static constexpr std::uint8_t kClockTimeAddress = 0x67;
    static constexpr std::uint8_t kClockTimeTrigger = 0x6D;
    // The traffic announcement register: the encoder shows it in the status
    // byte's bit 1, which Read Status reports.
    static constexpr std::uint8_t kTrafficAnnouncement = 0x0E;
    static constexpr std::uint8_t kCommandStore = 0x45;
    static constexpr std::uint8_t kCommandReset = 0x52;
    static constexpr std::uint8_t kCommandCarrierOff = 0x30;
    static constexpr std::uint8_t kCommandCarrierOn = 0x31;

    VirtualEncoder() = default;
    explicit VirtualEncoder(const EncoderState& state) : state_(state) {}

    // --- the bus, as the master drives it -------------------------------------
    void setClock(bool high);
    void setData(bool high);
    // Both lines in one step (a parallel-port write). A falling clock comes
    // first and the data change after it; a rising clock comes after the data
    // change. Either way the data changes while the clock is low, so one write
    // is never a start or a stop condition.
    void setLines(bool clockHigh, bool dataHigh);
    // The level of the data line: low when the master or the encoder pulls it low.
    bool dataLine() const { return masterData_ && !pull_; }
    bool clockLine() const { return masterClock_; }

    // --- the chip's own side -----------------------------------------------
    const EncoderState& state() const { return state_; }
    void setState(const EncoderState& state);
    const ExtensionRecord& extension() const override { return state_.extension; }
    void setExtension(const ExtensionRecord& record) override { state_.extension = record; }
    std::uint8_t ram(int address) const { return state_.ram[address & 0xFF]; }
    std::uint8_t eeprom(int address) const { return state_.eeprom[address & 0xFF]; }
    // What a read at the address returns (the status byte at 0x70).
    std::uint8_t readAt(int address) const;
    // RAM as a read sees it (the status byte at 0x70).
    std::array<std::uint8_t, 256> ramImage() const;
    std::uint8_t status() const { return state_.status; }
    void setStatus(std::uint8_t status) { state_.status = status; }
    bool carrier() const { return state_.carrier; }
    bool powered() const { return state_.power; }
    std::uint8_t lastCommand() const { return state_.lastCommand; }
    // Writes as the chip itself would: the status byte at 0x70, RAM elsewhere.
    void poke(int address, const std::vector<std::uint8_t>& bytes);
    // Off: drives nothing. On: a reset.
    void setPower(bool on);
    // RAM := EEPROM, carrier on.
    void reset();

    // --- counters for tests ---------------------------------------------------
    std::uint32_t starts() const { return starts_; }
    std::uint32_t stops() const { return stops_; }
    std::uint32_t commands() const { return commands_; }
    std::uint8_t pointer() const { return pointer_; }
    // How often each address was written over the bus (also with the value it
    // already held). Not part of the state: a monitor compares two readings.
    const std::array<std::uint32_t, 256>& writeCounts() const { return writes_; }

private:
    // The status byte's bit 1 from the traffic announcement register.
    void showTrafficAnnouncement();
    enum class Mode { Idle, DeviceAddress, MemoryAddress, WriteData, Transmit, Ignore };

    void onClockRise();
    void onClockFall();
    void onStart();
    void onStop();
    void endWrite();
    void byteReceived(std::uint8_t byte);
    void storeByte(std::uint8_t byte);
    void execute(std::uint8_t command);
    void loadTransmitByte();

    EncoderState state_;
    bool masterClock_ = true;
    bool masterData_ = true;
    bool pull_ = false;

    Mode mode_ = Mode::Idle;
    int rises_ = 0;            // rising clock edges in the current byte frame (0..9)
    std::uint8_t shift_ = 0;
    bool acknowledging_ = false;
    bool readAfterAck_ = false;
    bool masterAcked_ = false;
    std::uint8_t pointer_ = 0;
    std::uint8_t writeStart_ = 0;
    int written_ = 0;
    std::uint8_t lastWritten_ = 0;
    std::uint8_t txByte_ = 0;

    std::uint32_t starts_ = 0;
    std::uint32_t stops_ = 0;
    std::uint32_t commands_ = 0;
    std::array<std::uint32_t, 256> writes_{};
};

} // namespace quorvan
