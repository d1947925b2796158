// The network command port: lets playout and automation systems change the
// station values live over UDP and TCP (see line_protocol.h for the lines).
// It joins the listener, the coalescing queue and the station commands; the
// window and quorvanctl follow both serve it, and every command goes through
// the same core functions as the window's own controls and the text sources.
//
// It must never block its caller, never listen outside the address it is
// given, never answer a sender outside the allow list, and never reach
// anything but the station values (no file, no port, no setting).
#pragma once

#include "content/charset.h"
#include "content/radiotext.h"
#include "content/station_params.h"
#include "encoder/operation.h"
#include "link/clock.h"
#include "remote/command_queue.h"
#include "remote/listener.h"
#include "remote/log_limiter.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace quorvan::remote {

// What the front end lends the commands.
class RemoteHost {
public:
    virtual ~RemoteHost() = default;
    // What a command's transfer runs on; the window takes over its
    // Bidirectional and Slow options from `params` first.
    virtual EncoderContext encoder(const TStationParams& params) = 0;
    // The values are about to be written: a window shows them before the
    // transfer holds it.
    virtual void showValues(const TStationParams& /*params*/) {}
    // A TEXT= was written: the radiotext switching starts a new full period.
    virtual void restartRadiotextSwitching() {}
    // An operation on the encoder ended (quorvanctl saves the virtual
    // encoder). False: what it wrote could not be kept (the save failed;
    // the host reports why and tries again after the next operation), and
    // the line is answered "!".
    virtual bool operationEnded() { return true; }
    // The clock-time transmission switched on or off by a command (the
    // "Time and Date" Start/Stop); params.system.CTRunning follows.
    virtual void setClockTimeTransmission(TStationParams& params, bool on) { params.system.CTRunning = on; }
    // The radiotext on air as this program last wrote it, for the A/B flag
    // of the next one; a host that also runs text sources shares theirs.
    virtual RadiotextOnAir& radiotextOnAir() { return radiotextOnAir_; }
    // TA was written and the encoder took it: a window whose TA switch said
    // "unknown" knows it now, off as well as on.
    virtual void trafficAnnouncementWritten(bool /*on*/) {}

private:
    RadiotextOnAir radiotextOnAir_;
};

// Runs one command on the station values and the encoder; returns the reply
// ("+", "!", "-", or "KEY=value" for a query).
std::string ExecuteCommand(const Command& command, TStationParams& params, RemoteHost& host);

// The text a network line carries, in the encoder's bytes: read as UTF-8
// when it is valid UTF-8, otherwise as Latin-1, then encoded in `cs`.
std::string TextFromNetwork(std::string_view bytes, Charset cs);
// An encoder text as the reply of a query carries it (UTF-8).
std::string TextToNetwork(std::string_view encoderBytes, Charset cs);

struct LogEntry {
    DateTime time;
    std::string peer;   // "127.0.0.1" (a TCP peer: "127.0.0.1 TCP")
    std::string line;   // the newest line (UTF-8)
    std::string reply;
    int lines = 1;      // lines the reply answered (superseded ones included)
    // A line of this program's own, not a received one: `line` says it
    // ("93 more lines from 127.0.0.1 not shown", "refused 10.0.0.5 UDP (not
    // in the allow list)"), and `reply` is empty.
    bool notice = false;
};

class CommandPort {
public:
    static constexpr std::size_t kLogSize = 50;

    CommandPort(const Stopwatch& stopwatch, const Clock& clock);

    bool start(const ListenerConfig& config) { return listener_.start(config); }
    void stop() { listener_.stop(); }
    Listener& listener() { return listener_; }
    const Listener& listener() const { return listener_; }

    bool pending() const { return !queue_.empty(); }
    // Runs what is pending, in arrival order, one command per key (the
    // newest), answering each line. Lines that come meanwhile wait for the
    // next call. Returns true when a station value changed. Once `late`
    // says so (a program that is ending), what is left is answered "!"
    // without being written.
    bool runPending(TStationParams& params, RemoteHost& host, const std::function<bool()>& late = {});

    // The last commands, newest last; at most LogLimiter::kLinesPerSecond a
    // second per sender, and refused senders as well.
    const std::deque<LogEntry>& log() const { return log_; }
    // Logs the counts of lines not shown whose second is over; returns the
    // milliseconds until the next one is due (-1: none). runPending() calls it too.
    std::int64_t flushLog() { return limiter_.flush(); }
    // Called after a log entry was added.
    std::function<void()> onLog;

private:
    void addLog(const std::string& peer, std::string_view line, const std::string& reply, int lines);
    void addEntry(LogEntry entry);

    const Clock& clock_;
    Listener listener_;
    CommandQueue queue_;
    std::deque<LogEntry> log_;
    LogLimiter limiter_;
};

} // namespace quorvan::remote
