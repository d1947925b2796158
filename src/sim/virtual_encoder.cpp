#include "sim/virtual_encoder.h"

namespace quorvan {

void VirtualEncoder::setState(const EncoderState& state)
{
    state_ = state;
    mode_ = Mode::Idle;
    pull_ = false;
    rises_ = 0;
}

std::uint8_t VirtualEncoder::readAt(int address) const
{
    address &= 0xFF;
    return address == kStatusAddress ? state_.status : state_.ram[address];
}

std::array<std::uint8_t, 256> VirtualEncoder::ramImage() const
{
    auto image = state_.ram;
    image[kStatusAddress] = state_.status;
    return image;
}

void VirtualEncoder::poke(int address, const std::vector<std::uint8_t>& bytes)
{
    for (std::uint8_t b : bytes) {
        address &= 0xFF;
        if (address == kStatusAddress)
            state_.status = b;
        else
            state_.ram[address] = b;
        ++address;
    }
}

void VirtualEncoder::setPower(bool on)
{
    const bool wasOn = state_.power;
    state_.power = on;
    mode_ = Mode::Idle;
    pull_ = false;
    rises_ = 0;
    if (on && !wasOn)
        reset();
}

void VirtualEncoder::reset()
{
    state_.ram = state_.eeprom;
    state_.carrier = true;
    showTrafficAnnouncement();
}

void VirtualEncoder::showTrafficAnnouncement()
{
    state_.status = static_cast<std::uint8_t>((state_.status & ~0x02) | ((state_.ram[kTrafficAnnouncement] & 1) << 1));
}

void VirtualEncoder::setClock(bool high)
{
    if (high == masterClock_)
        return;
    masterClock_ = high;
    if (!state_.power)
        return;
    if (high)
        onClockRise();
    else
        onClockFall();
}

void VirtualEncoder::setData(bool high)
{
    const bool before = dataLine();
    masterData_ = high;
    const bool after = dataLine();
    if (!state_.power || !masterClock_ || before == after)
        return;
    // The data line changing while the clock is high.
    if (!after)
        onStart();
    else
        onStop();
}

void VirtualEncoder::setLines(bool clockHigh, bool dataHigh)
{
    if (!clockHigh) {
        setClock(false);
        setData(dataHigh);
    } else {
        setData(dataHigh);
        setClock(true);
    }
}

void VirtualEncoder::onStart()
{
    endWrite();
    ++starts_;
    mode_ = Mode::DeviceAddress;
    rises_ = 0;
    shift_ = 0;
    pull_ = false;
    acknowledging_ = false;
}

void VirtualEncoder::onStop()
{
    endWrite();
    ++stops_;
    mode_ = Mode::Idle;
    rises_ = 0;
    pull_ = false;
    acknowledging_ = false;
}

void VirtualEncoder::endWrite()
{
    // A single byte written to the command register makes the chip act.
    if (mode_ == Mode::WriteData && written_ == 1 && writeStart_ == kCommandAddress)
        execute(lastWritten_);
    written_ = 0;
}

void VirtualEncoder::execute(std::uint8_t command)
{
    ++commands_;
    state_.lastCommand = command;
    switch (command) {
    case kCommandStore:
        state_.eeprom = state_.ram;
        break;
    case kCommandReset:
        reset();
        break;
    case kCommandCarrierOff:
        state_.carrier = false;
        break;
    case kCommandCarrierOn:
        state_.carrier = true;
        break;
    default:
        break;
    }
}

void VirtualEncoder::onClockRise()
{
    switch (mode_) {
    case Mode::DeviceAddress:
    case Mode::MemoryAddress:
    case Mode::WriteData:
        if (rises_ < 8)
            shift_ = static_cast<std::uint8_t>((shift_ << 1) | (dataLine() ? 1 : 0));
        if (rises_ < 9)
            ++rises_;
        break;
    case Mode::Transmit:
        if (rises_ == 8)
            masterAcked_ = !masterData_; // the master pulls data low to acknowledge
        if (rises_ < 9)
            ++rises_;
        break;
    case Mode::Idle:
    case Mode::Ignore:
        break;
    }
}

void VirtualEncoder::onClockFall()
{
    switch (mode_) {
    case Mode::DeviceAddress:
    case Mode::MemoryAddress:
    case Mode::WriteData:
        if (rises_ == 8 && !acknowledging_) {
            // Eight bits in: acknowledge from this falling edge to the next.
            acknowledging_ = true;
            byteReceived(shift_);
        } else if (rises_ == 9) {
            pull_ = false;
            acknowledging_ = false;
            rises_ = 0;
            shift_ = 0;
            if (readAfterAck_) {
                readAfterAck_ = false;
                mode_ = Mode::Transmit;
                loadTransmitByte();
            }
        }
        break;
    case Mode::Transmit:
        if (rises_ < 8) {
            pull_ = ((txByte_ >> (7 - rises_)) & 1) == 0;
        } else if (rises_ == 8) {
            pull_ = false; // released for the master's acknowledge
        } else {
            if (masterAcked_) {
                loadTransmitByte();
            } else {
                pull_ = false;
                mode_ = Mode::Ignore; // no acknowledge ends the read
            }
        }
        break;
    case Mode::Idle:
    case Mode::Ignore:
        break;
    }
}

void VirtualEncoder::loadTransmitByte()
{
    txByte_ = readAt(pointer_);
    pointer_ = static_cast<std::uint8_t>(pointer_ + 1);
    rises_ = 0;
    masterAcked_ = false;
    pull_ = (txByte_ & 0x80) == 0;
}

void VirtualEncoder::byteReceived(std::uint8_t byte)
{
    switch (mode_) {
    case Mode::DeviceAddress:
        if (byte == kDeviceWrite) {
            pull_ = true;
            mode_ = Mode::MemoryAddress;
        } else if (byte == kDeviceRead) {
            pull_ = true;
            readAfterAck_ = true;
        } else {
            mode_ = Mode::Ignore; // another device's address: no acknowledge
        }
        break;
    case Mode::MemoryAddress:
        pull_ = true;
        pointer_ = byte;
        writeStart_ = byte;
        written_ = 0;
        mode_ = Mode::WriteData;
        break;
    case Mode::WriteData:
        pull_ = true;
        storeByte(byte);
        break;
    default:
        break;
    }
}

void VirtualEncoder::storeByte(std::uint8_t byte)
{
    if (pointer_ != kStatusAddress) // the status byte is read-only
        state_.ram[pointer_] = byte;
    ++writes_[pointer_];
    if (pointer_ == kClockTimeTrigger && byte == 1) {
        for (int i = 0; i < 7; ++i)
            state_.clockTime[i] = state_.ram[kClockTimeAddress + i];
        ++state_.clockTimeLatches;
    }
    if (pointer_ == kTrafficAnnouncement)
        showTrafficAnnouncement();
    lastWritten_ = byte;
    ++written_;
    pointer_ = static_cast<std::uint8_t>(pointer_ + 1);
}

} // namespace quorvan
