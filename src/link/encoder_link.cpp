#include "link/encoder_link.h"

#include "link/calibration.h"

namespace quorvan {

namespace {
constexpr std::uint8_t kClock = 8;
constexpr std::uint8_t kData = 16;
constexpr std::uint8_t kDataIn = 32;
} // namespace

TEncoderLink::TEncoderLink(Sleeper& sleeper, Spinner* spinner)
    : sleeper_(sleeper),
      spinner_(spinner ? spinner : &busyLoop_),
      monoClock_(&SystemDeadline::instance()),
      waiter_(&SystemDeadline::instance())
{
}

void TEncoderLink::setSpinner(Spinner* spinner)
{
    spinner_ = spinner ? spinner : &busyLoop_;
}

void TEncoderLink::setPauseTimer(MonotonicClock* clock, DeadlineWaiter* waiter)
{
    monoClock_ = clock ? clock : &SystemDeadline::instance();
    waiter_ = waiter ? waiter : &SystemDeadline::instance();
    schedule_.restart();
}

void TEncoderLink::setStatus(const std::string& text)
{
    status_ = text;
    ui_->setStatusText(text);
}

void TEncoderLink::setClaim(BusClaim* claim)
{
    if (claim == claim_)
        return;
    if (claimed_)
        claim_->release();
    claimed_ = false;
    claimError_.clear();
    claim_ = claim;
}

std::string TEncoderLink::PortError() const
{
    if (!claimError_.empty())
        return claimError_;
    if (isParallel()) {
        if (!io_)
            return "no parallel port is open";
        return io_->ok() ? std::string() : io_->error();
    }
    if (isSerial()) {
        if (!serial_)
            return "the serial port COM" + std::to_string(PortAddress) + " is not open";
        return serial_->ok() ? std::string() : serial_->error();
    }
    return "no port at address " + std::to_string(PortAddress);
}

std::string TEncoderLink::NotReadyCause() const
{
    if (PortFault)
        return "port unreachable: " + PortError();
    if (status_ == kStatusNotReady)
        return "a byte was not acknowledged (is the encoder connected and switched on?)";
    return {};
}

void TEncoderLink::noteFault()
{
    PortFault = true;
}

bool TEncoderLink::portReachable()
{
    if (!claimError_.empty()) {
        noteFault();
        return false;
    }
    bool ok = false;
    if (isParallel())
        ok = io_ && io_->ok();
    else if (isSerial())
        ok = serial_ && serial_->ok();
    if (!ok)
        noteFault();
    return ok;
}

void TEncoderLink::writeData(std::uint8_t value)
{
    if (!portReachable() || !isParallel())
        return;
    io_->write(PortAddress, value);
    if (!io_->ok())
        noteFault();
}

void TEncoderLink::setRTS(bool on)
{
    if (!portReachable() || !isSerial())
        return;
    serial_->setRTS(on);
    if (!serial_->ok())
        noteFault();
}

void TEncoderLink::setDTR(bool on)
{
    if (!portReachable() || !isSerial())
        return;
    serial_->setDTR(on);
    if (!serial_->ok())
        noteFault();
}

void TEncoderLink::DriveIdle()
{
    if (isParallel()) {
        writeData(kClock | kData);
    } else if (isSerial()) {
        setRTS(true);
        setDTR(true);
    } else {
        noteFault();
    }
}

void TEncoderLink::Pauza()
{
    ++pauses_;
    // Nothing to wait for on a port that is out of reach: let the operation
    // run to its "!Ready" without stretching it out.
    if (!Timed || PortFault)
        return;
    if (Slow) {
        sleeper_.sleepMs(3);
        return;
    }
    const MonoTime length = PauseLength();
    if (length <= MonoTime::zero())
        return;
    const MonoTime deadline = schedule_.next(monoClock_->monoNow(), length);
    // A waiter that comes back early is asked again: the pause is a minimum.
    do
        waiter_->waitUntil(deadline);
    while (monoClock_->monoNow() < deadline);
}

MonoTime TEncoderLink::PauseLength() const
{
    return NominalPause ? kNominalPause : PauseForBusDelay(BusDelay);
}

bool TEncoderLink::inportbit()
{
    if (isParallel()) {
        if (!portReachable())
            return true;
        const std::uint8_t status = io_->read(PortAddress + 1);
        if (!io_->ok()) {
            noteFault();
            return true;
        }
        return (status & kDataIn) != 0;
    }
    if (isSerial()) {
        if (!portReachable())
            return true;
        const bool on = serial_->cts();
        if (!serial_->ok()) {
            noteFault();
            return true;
        }
        return on;
    }
    noteFault();
    return true;
}

bool TEncoderLink::BitOn(std::int32_t value, int n)
{
    if (n < 0 || n > 30)
        return false;
    return ((value >> n) & 1) != 0;
}

void TEncoderLink::SendStart(bool show)
{
    if (show) {
        ui_->setWaitCursor(true);
        setStatus(kStatusSending);
        beginOperation();
    }
    portReachable();
    if (isParallel()) {
        Pauza();
        writeData(kClock); // data falls while the clock is high: start condition
        Pauza();
        writeData(0);      // clock low
        Pauza();
    } else {
        Pauza();
        setDTR(false);
        Pauza();
        setRTS(false);
        Pauza();
    }
}

void TEncoderLink::SendRestart()
{
    if (isParallel()) {
        writeData(0);
        Pauza();
        writeData(kData);          // data high while the clock is low
        Pauza();
        writeData(kClock | kData); // clock high, both lines high
        Pauza();
        writeData(kClock);         // data falls while the clock is high: start condition
        Pauza();
        writeData(0);
        Pauza();
    } else {
        setRTS(false);
        Pauza();
        setDTR(true);
        Pauza();
        setRTS(true);
        Pauza();
        setDTR(false);
        Pauza();
        setRTS(false);
        Pauza();
    }
    setStatus(kStatusReceiving);
}

void TEncoderLink::SendByte(int value)
{
    // Period i carries bit 8 - i of 2 x value + 1: the eight data bits, most
    // significant first, then a 1 that releases the data line for the acknowledge.
    const std::int32_t frame = 2 * (value & 0xFF) + 1;
    for (int i = 0; i <= 8; ++i) {
        const bool bit = BitOn(frame, 8 - i);
        if (isParallel()) {
            writeData(bit ? kData : 0); // the clock falls and the data changes in one write
        } else {
            setRTS(false);
            setDTR(bit);
        }
        Pauza();
        // The encoder acknowledges by pulling data low while the clock is low.
        if (i == 8 && Bidirectional && inportbit())
            AckMissing = true;
        if (isParallel())
            writeData(bit ? (kClock | kData) : kClock);
        else
            setRTS(true);
        Pauza();
    }
}

int TEncoderLink::ReadByte(bool last)
{
    int result = 0;
    for (int i = 0; i <= 8; ++i) {
        if (i < 8 || last) {
            if (isParallel()) {
                writeData(kData); // clock low, data released
            } else {
                setRTS(false);
                setDTR(true);
            }
            Pauza();
            if (inportbit() && i < 8)
                result += 1 << (7 - i);
            if (isParallel())
                writeData(kClock | kData);
            else
                setRTS(true);
            Pauza();
        } else {
            // The master acknowledges: data low through the ninth clock.
            if (isParallel()) {
                writeData(0);
            } else {
                setRTS(false);
                setDTR(false);
            }
            Pauza();
            if (isParallel())
                writeData(kClock);
            else
                setRTS(true);
            Pauza();
        }
    }
    return result;
}

void TEncoderLink::SendStop(bool show)
{
    if (isParallel()) {
        writeData(0);
        Pauza();
        writeData(kClock);
        Pauza();
        writeData(kClock | kData); // data rises while the clock is high: stop condition
        Pauza();
    } else {
        setRTS(false);
        setDTR(false);
        Pauza();
        setRTS(true);
        Pauza();
        setDTR(true);
        Pauza();
    }
    if (show) {
        if (claimed_) {
            claimed_ = false;
            claim_->release();
        }
        ui_->setWaitCursor(false);
        setStatus(Failed() ? kStatusNotReady : kStatusReady);
    }
}

bool TEncoderLink::OpenRecordOperation()
{
    if (!beginOperation()) {
        noteFault();
        setStatus(kStatusNotReady);
        return false;
    }
    return true;
}

bool TEncoderLink::beginOperation()
{
    AckMissing = false;
    PortFault = false;
    claimError_.clear();
    if (claim_ && !claimed_) {
        std::string error;
        claimed_ = claim_->claim(error);
        if (!claimed_)
            claimError_ = error.empty() ? "the bus cannot be claimed" : error;
    }
    return claimed_ || !claim_;
}

void TEncoderLink::CloseRecordOperation()
{
    if (claimed_) {
        claimed_ = false;
        claim_->release();
    }
}

std::int32_t TEncoderLink::CalibrateBusDelay(const Clock& clock)
{
    setStatus(kStatusCheckingCpu);
    const std::int32_t units = CountCpuUnits(clock, sleeper_, *spinner_);
    ui_->setCpuSpeedText(CpuSpeedText(units));
    BusDelay = BusDelayForUnits(units);
    setStatus(kStatusReady);
    return units;
}

} // namespace quorvan
