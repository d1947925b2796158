// The encoder protocol port: takes UECP frames (uecp_frame.h) from
// broadcast automation over TCP, UDP and a serial line, and turns their
// elements into the commands the network line protocol makes, which wait,
// coalesce and run on the bus as those do. Frames go through the same
// listener (listen address, allow list, bounds) as the line protocol, on
// ports of their own.
//
// It acknowledges and answers only as the sender's communication mode asks
// (mode 0 sends nothing), only to the sender (the connection, the UDP
// sender's address and port, the serial line), and it never reaches
// anything but the station values. A datagram's frames are acknowledged
// together, in as few datagrams as hold the acknowledgements, so that
// replies never outnumber what came in.
#pragma once

#include "link/clock.h"
#include "link/serial_stream.h"
#include "remote/command_port.h"
#include "remote/command_queue.h"
#include "remote/listener.h"
#include "remote/log_limiter.h"
#include "remote/uecp_elements.h"
#include "remote/uecp_frame.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvan::remote {

struct UecpConfig {
    ListenerConfig net;  // udpPort/tcpPort 0: off
    std::string serial;  // "DEVICE[:BAUD]", empty: off
    int site = 0;        // this encoder's site address (0..1023)
    int encoder = 0;     // and its encoder address (0..63)
};

struct UecpLogEntry {
    DateTime time;
    std::string peer;  // "127.0.0.1 TCP", "127.0.0.1 UDP", "/dev/ttyS0"
    std::string text;  // the elements ("PS QUORVAN, TA 1 TP 1") or the error
    bool error = false;
};

class UecpPort {
public:
    static constexpr std::size_t kLogSize = 50;
    static constexpr std::size_t kMaxRequests = 64;
    static constexpr std::size_t kMaxUdpSenders = 64;
    // Frames for another site or encoder: one log line per sender this often.
    static constexpr std::int64_t kForeignLogMs = 60'000;

    UecpPort(const Stopwatch& stopwatch, const Clock& clock);

    // Listens and opens the serial line as configured; true when anything
    // is open. status() says where, or why not.
    bool start(const UecpConfig& config);
    void stop();
    bool active() const { return listener_.listening() || serial_ != nullptr; }
    const std::string& status() const { return status_; }
    Listener& listener() { return listener_; }
    int serialFd() const { return serial_ ? serial_->fd() : -1; }

    // Every descriptor to watch (the listener's and the serial line's).
    std::vector<Listener::Watch> watches() const;
    void handle(int fd);
    // Reads every descriptor once without waiting (while a transfer runs).
    void handleAll();
    // Closes idle connections, drops partial frames older than 5 s and logs
    // the count of lines a sender had not shown; returns the milliseconds
    // until the next check is due (-1: none).
    std::int64_t expire();

    bool pending() const { return !queue_.empty() || !requests_.empty() || !recordFrames_.empty(); }
    // Runs the waiting commands (one per key, the newest) and answers the
    // waiting requests; true when a station value changed.
    bool runPending(TStationParams& params, RemoteHost& host);

    const std::deque<UecpLogEntry>& log() const { return log_; }
    std::function<void()> onLog;

private:
    struct Channel {
        uecp::FrameDecoder decoder;
        uecp::Mode mode = uecp::Mode::Unidirectional;
        std::uint64_t heard = 0;  // when the sender was last heard (a count of datagrams)
    };
    struct Request {
        Peer peer;
        std::uint8_t sqc = 0;
        std::uint8_t mec = 0;
        int id = 0;  // its entry's command.numbers[0]
        std::uint8_t psn = 0;
    };
    // A frame with elements of the extension record (uecp_extended.h): taken
    // whole at its place among the commands, in one operation on the record,
    // and acknowledged then (a real chip, which has no record, refuses it).
    struct RecordFrame {
        Peer peer;
        std::uint8_t sqc = 0;
        std::vector<uecp::Element> elements;
        bool acknowledge = false;
        int id = 0;  // its entry's command.numbers[0] (command.number -1)
    };
    int runRecordFrame(const RecordFrame& frame, TStationParams& params, RemoteHost& host);
    std::string answerOf(const Request& request, TStationParams& params, RemoteHost& host);
    Channel& channel(const Peer& peer);
    void received(const Peer& peer, std::string_view bytes);
    void frame(const Peer& peer, Channel& channel, const uecp::Frame& frame);
    // `answer`: the answer to a request (see Listener::expectAnswer).
    void send(const Peer& peer, std::uint8_t sqc, const std::string& message, bool answer = false);
    void logForeign(const Peer& peer, std::uint16_t address);
    void readSerial();
    void addLog(const Peer& peer, std::string text, bool error);
    void addLog(std::string peer, std::string text, bool error);
    void addEntry(std::string peer, std::string text, bool error);
    static std::string PeerText(const Peer& peer);

    const Stopwatch& stopwatch_;
    const Clock& clock_;
    Listener listener_;
    CommandQueue queue_;
    std::unique_ptr<SerialStream> serial_;
    Peer serialPeer_;
    std::map<std::string, Channel> channels_;
    std::uint64_t heard_ = 0;
    // While a datagram's frames are taken, their acknowledgements gather
    // here to go back in as few datagrams as hold them.
    std::optional<std::string> replyDatagram_;
    // Senders of frames for another site or encoder: when each was last logged.
    std::map<std::string, std::int64_t> foreignLogged_;
    std::deque<Request> requests_;  // in the order of their places in queue_
    std::deque<RecordFrame> recordFrames_;  // the same
    int lastRequest_ = 0;
    std::deque<UecpLogEntry> log_;
    // One sender's frames (or refusals) show at most ten log lines a second.
    LogLimiter limiter_;
    std::string status_ = "Not listening";
    int site_ = 0;
    int encoder_ = 0;
};

} // namespace quorvan::remote
