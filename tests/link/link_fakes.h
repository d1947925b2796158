// Test doubles for the encoder link: ports that log every access into one
// event list together with the pauses, so a test can compare the exact order
// of edges and pauses against a readable expectation.
#pragma once

#include "link/clock.h"
#include "link/encoder_link.h"
#include "link/port_io.h"

#include <deque>
#include <string>
#include <vector>

namespace quorvan::test {

using Events = std::vector<std::string>;

// Sleeps are logged as "P" (one "Slow" pause of 3 ms each).
class LoggingSleeper final : public Sleeper {
public:
    explicit LoggingSleeper(Events& log) : log_(log) {}
    void sleepMs(unsigned ms) override { log_.push_back(ms == 3 ? "P" : "sleep " + std::to_string(ms)); }

private:
    Events& log_;
};

// The deadline waits of the pauses: logged as "P" as well, they move a
// ManualTime to the deadline. oversleep: the next wait wakes up that much
// late; returnEarly: that many waits come back without the time moving.
class LoggingWaiter final : public MonotonicClock, public DeadlineWaiter {
public:
    LoggingWaiter(Events& log, ManualTime& time) : log_(log), time_(time) {}
    MonoTime monoNow() const override { return time_.monoNow(); }
    void waitUntil(MonoTime deadline) override
    {
        log_.push_back("P");
        deadlines.push_back(deadline);
        if (returnEarly > 0) {
            --returnEarly;
            return;
        }
        time_.waitUntil(deadline + oversleep);
        oversleep = MonoTime::zero();
    }
    std::vector<MonoTime> deadlines;
    MonoTime oversleep{0};
    int returnEarly = 0;

private:
    Events& log_;
    ManualTime& time_;
};

// Writes are logged as "W<value>", reads as "R". Status values come from a
// queue; when it is empty, `status` is returned.
class LoggingPortIo final : public PortIo {
public:
    explicit LoggingPortIo(Events& log) : log_(log) {}
    void write(std::int32_t address, std::uint8_t value) override
    {
        lastAddress = address;
        log_.push_back("W" + std::to_string(value));
    }
    std::uint8_t read(std::int32_t address) override
    {
        lastAddress = address;
        log_.push_back("R");
        if (!statusQueue.empty()) {
            const std::uint8_t v = statusQueue.front();
            statusQueue.pop_front();
            return v;
        }
        return status;
    }
    std::uint8_t status = 0;
    std::deque<std::uint8_t> statusQueue;
    std::int32_t lastAddress = -1;

private:
    Events& log_;
};

// Line changes are logged as "RTS0", "RTS1", "DTR0", "DTR1", reads as "CTS".
// failAfter counts line operations until the device vanishes (-1: never).
class LoggingSerialLines final : public SerialLines {
public:
    explicit LoggingSerialLines(Events& log) : log_(log) {}
    void setDTR(bool on) override { op("DTR" + std::string(on ? "1" : "0")); }
    void setRTS(bool on) override { op("RTS" + std::string(on ? "1" : "0")); }
    bool cts() override
    {
        op("CTS");
        return gone_ ? true : ctsLevel;
    }
    bool ok() const override { return !gone_; }
    std::string error() const override { return gone_ ? "device vanished" : ""; }
    bool ctsLevel = false;
    int failAfter = -1;

private:
    void op(const std::string& e)
    {
        if (failAfter == 0)
            gone_ = true;
        if (failAfter > 0)
            --failAfter;
        if (!gone_)
            log_.push_back(e);
    }
    Events& log_;
    bool gone_ = false;
};

// Records what the link shows the operator.
class RecordingUi final : public LinkUi {
public:
    void setStatusText(const std::string& text) override { statuses.push_back(text); }
    void setWaitCursor(bool busy) override { cursor.push_back(busy); }
    void setCpuSpeedText(const std::string& text) override { cpuSpeed = text; }
    std::vector<std::string> statuses;
    std::vector<bool> cursor;
    std::string cpuSpeed;
};

// Splits "W16 P W24 P" into events.
Events ev(const std::string& spaced);

} // namespace quorvan::test
