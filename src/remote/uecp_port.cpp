#include "remote/uecp_port.h"

#include "content/charset.h"
#include "encoder/extended_send.h"
#include "remote/uecp_extended.h"

#include <algorithm>

namespace quorvan::remote {

using namespace uecp;

namespace {

// The serial line is a peer without an address (a UDP sender always has one).
bool IsSerial(const Peer& peer)
{
    return !peer.tcp && peer.length == 0;
}

std::string KeyOf(const Peer& peer)
{
    if (peer.tcp)
        return "T" + std::to_string(peer.connection);
    if (IsSerial(peer))
        return "S";
    return "U" + std::string(reinterpret_cast<const char*>(&peer.address), peer.length);
}

} // namespace

UecpPort::UecpPort(const Stopwatch& stopwatch, const Clock& clock)
    : stopwatch_(stopwatch), clock_(clock), listener_(stopwatch, {}),
      // Commands are answered by acknowledgements when they arrive, not by
      // the line protocol's replies when they have run.
      queue_([](const Peer&, std::string_view, int) {}),
      limiter_(stopwatch, [this](const std::string& sender, const std::string& text) { addEntry(sender, text, false); })
{
    listener_.setByteSink([this](const Peer& peer, std::string_view bytes) { received(peer, bytes); });
    listener_.onRefused = [this](const Peer& peer) {
        addLog(peer, "refused " + PeerText(peer) + " (not in the allow list)", true);
    };
}

bool UecpPort::start(const UecpConfig& config)
{
    stop();
    site_ = config.site;
    encoder_ = config.encoder;
    foreignLogged_.clear();
    std::string parts;
    if (config.net.udpPort != 0 || config.net.tcpPort != 0) {
        listener_.start(config.net);
        parts = listener_.status();
    }
    if (!config.serial.empty()) {
        std::string error;
        const std::optional<SerialLineSpec> spec = ParseSerialLineSpec(config.serial, error);
        if (spec)
            serial_ = SerialStream::Open(*spec, error);
        if (serial_) {
            serialPeer_ = Peer{};
            serialPeer_.text = spec->device;
        }
        parts += (parts.empty() ? "" : "; ") +
                 (serial_ ? "serial " + spec->device + " " + std::to_string(spec->baud) + " 8N1"
                          : "serial: " + error);
    }
    status_ = parts.empty() ? std::string("Not listening: no UECP port set") : parts;
    return active();
}

void UecpPort::stop()
{
    listener_.stop();
    serial_.reset();
    channels_.clear();
    requests_.clear();
    recordFrames_.clear();
    status_ = "Not listening";
}

std::vector<Listener::Watch> UecpPort::watches() const
{
    std::vector<Listener::Watch> out = listener_.watches();
    if (serial_)
        out.push_back({serial_->fd(), serial_->unsent()});
    return out;
}

void UecpPort::handle(int fd)
{
    if (serial_ && fd == serial_->fd())
        readSerial();
    else
        listener_.handle(fd);
}

void UecpPort::handleAll()
{
    listener_.handleAll();
    if (serial_)
        readSerial();
}

void UecpPort::readSerial()
{
    serial_->flush();
    std::string bytes;
    const bool open = serial_->read(bytes);
    if (!bytes.empty())
        received(serialPeer_, bytes);
    if (!open && serial_) {
        addLog(serialPeer_, serial_->error(), true);
        status_ = serial_->error();
        serial_.reset();
        channels_.erase("S");
    }
}

std::int64_t UecpPort::expire()
{
    std::int64_t next = listener_.expireIdle();
    const std::int64_t now = stopwatch_.elapsedMs();
    for (auto it = channels_.begin(); it != channels_.end();) {
        const std::string& key = it->first;
        if (key[0] == 'T' && !listener_.connected(std::stoull(key.substr(1)))) {
            it = channels_.erase(it);
            continue;
        }
        it->second.decoder.expire(now);
        if (!it->second.decoder.idle())
            next = next < 0 ? 1000 : std::min<std::int64_t>(next, 1000);
        ++it;
    }
    // The count of lines a sender had not shown, due when its second is over.
    const std::int64_t due = limiter_.flush();
    if (due >= 0)
        next = next < 0 ? due : std::min(next, due);
    return next;
}

UecpPort::Channel& UecpPort::channel(const Peer& peer)
{
    const std::string key = KeyOf(peer);
    if (!peer.tcp && !IsSerial(peer) && !channels_.count(key)) {
        // UDP senders keep their mode; the one heard least recently gives
        // way to a new one.
        std::size_t udp = 0;
        auto oldest = channels_.end();
        for (auto it = channels_.begin(); it != channels_.end(); ++it)
            if (it->first[0] == 'U') {
                ++udp;
                if (oldest == channels_.end() || it->second.heard < oldest->second.heard)
                    oldest = it;
            }
        if (udp >= kMaxUdpSenders)
            channels_.erase(oldest);
    }
    Channel& c = channels_[key];
    c.heard = ++heard_;
    return c;
}

void UecpPort::received(const Peer& peer, std::string_view bytes)
{
    Channel& c = channel(peer);
    const std::int64_t now = stopwatch_.elapsedMs();
    const FrameDecoder::Sink sink = [&](const Frame& f) { frame(peer, c, f); };
    if (peer.tcp || IsSerial(peer)) {
        c.decoder.feed(bytes, now, sink);
        return;
    }
    // A datagram holds whole frames: one that it leaves open ends with it.
    // Its acknowledgements go back together, as few datagrams as hold them.
    replyDatagram_.emplace();
    FrameDecoder datagram;
    datagram.feed(bytes, now, sink);
    if (!datagram.idle())
        datagram.feed(std::string_view("\xFE", 1), now, [&](const Frame& f) { frame(peer, c, f); });
    if (!replyDatagram_->empty())
        listener_.send(peer, *replyDatagram_);
    replyDatagram_.reset();
}

void UecpPort::logForeign(const Peer& peer, std::uint16_t address)
{
    // Once per sender and minute: a sender set to the wrong address says so
    // without filling the log.
    const std::int64_t now = stopwatch_.elapsedMs();
    const std::string sender = SenderOf(PeerText(peer));
    for (auto it = foreignLogged_.begin(); it != foreignLogged_.end();)
        it = now - it->second >= kForeignLogMs ? foreignLogged_.erase(it) : std::next(it);
    if (foreignLogged_.count(sender) || foreignLogged_.size() >= kMaxUdpSenders)
        return;
    foreignLogged_[sender] = now;
    const int site = address >> 6;
    const int encoder = address & 0x3F;
    std::string text;
    if (site != 0 && site != site_)
        text = "frames for site " + std::to_string(site) + " ignored; this is site " + std::to_string(site_);
    else
        text = "frames for encoder " + std::to_string(encoder) + " ignored; this is site " + std::to_string(site_) +
               " encoder " + std::to_string(encoder_);
    addLog(peer, std::move(text), true);
}

void UecpPort::frame(const Peer& peer, Channel& channel, const Frame& f)
{
    if (f.header && !ForUs(f.address, site_, encoder_)) {
        logForeign(peer, f.address);
        return;  // another encoder's frame
    }
    Message message;
    message.code = f.code;
    if (f.code == kOk)
        message = ParseMessage(f.message);
    if (message.code != kOk) {
        addLog(peer, std::string("frame refused: ") + CodeText(message.code) +
                         (message.why.empty() ? std::string() : " (" + message.why + ")"),
               true);
        if (f.header && channel.mode == Mode::Spontaneous)
            send(peer, f.sqc, Acknowledgement(message.code, f.sqc));
        return;
    }
    // Whole and valid: every element is taken. A frame that changes the
    // extension record runs whole at its place, and is acknowledged then.
    const bool record = std::any_of(message.elements.begin(), message.elements.end(), NeedsRecord);
    if (record) {
        if (recordFrames_.size() >= kMaxRequests) {
            addLog(peer, "frame refused: " + std::string(CodeText(kBufferOverflow)), true);
            if (f.header && channel.mode == Mode::Spontaneous)
                send(peer, f.sqc, Acknowledgement(kBufferOverflow, f.sqc));
            return;
        }
        RecordFrame r{peer, f.sqc, {}, false, ++lastRequest_};
        for (const Element& e : message.elements)
            if (e.mec != kCommunicationMode && e.mec != kRequest)
                r.elements.push_back(e);
        Command marker;
        marker.kind = Command::Kind::Set;
        marker.key = Key::Request;
        marker.number = -1;
        marker.numbers = {r.id};
        queue_.add(peer, std::move(marker), "frame " + std::to_string(f.sqc));
        recordFrames_.push_back(std::move(r));
    }
    std::string text;
    for (const Element& e : message.elements) {
        text += (text.empty() ? "" : ", ") + Describe(e);
        if (record && e.mec != kCommunicationMode && e.mec != kRequest)
            continue;  // in the frame's entry
        if (e.mec == kCommunicationMode)
            channel.mode = static_cast<Mode>(static_cast<std::uint8_t>(e.data[0]));
        else if (e.mec == kRequest) {
            if (channel.mode != Mode::Unidirectional && requests_.size() < kMaxRequests) {
                // Answered at its place among the commands: after those sent
                // before it, before those sent after it.
                requests_.push_back({peer, f.sqc, static_cast<std::uint8_t>(e.data[0]), ++lastRequest_,
                                     static_cast<std::uint8_t>(e.data.size() >= 3 ? e.data[2] : 0)});
                Command request;
                request.kind = Command::Kind::Set;
                request.key = Key::Request;
                request.number = static_cast<std::uint8_t>(e.data[0]);
                request.numbers = {lastRequest_};
                queue_.add(peer, std::move(request), Describe(e));
                listener_.expectAnswer(peer);  // a client that has sent all waits for it
            }
        } else {
            for (Command& command : CommandsOf(e))
                queue_.add(peer, std::move(command), Describe(e));
        }
    }
    addLog(peer, text.empty() ? std::string("(empty frame)") : text, false);
    if (record)
        recordFrames_.back().acknowledge = f.header && channel.mode == Mode::Spontaneous;
    else if (channel.mode == Mode::Spontaneous)
        send(peer, f.sqc, Acknowledgement(kOk, f.sqc));
}

int UecpPort::runRecordFrame(const RecordFrame& frame, TStationParams& params, RemoteHost& host)
{
    EncoderContext ctx = host.encoder(params);
    if (ctx.link.Extension == nullptr) {
        // A real chip keeps none of these: the frame is refused whole.
        addLog(frame.peer, "frame refused: " + std::string(CodeText(kNotAcceptable)) +
                               " (the encoder keeps no extended values: software encoder only)", true);
        return kNotAcceptable;
    }
    // The chip's own values as their commands run; then every value of the
    // record in one operation.
    for (const Element& e : frame.elements)
        for (const Command& command : CommandsOf(e))
            if (const std::string reply = ExecuteCommand(command, params, host); reply != kReplyDone)
                addLog(frame.peer, Describe(e) + ": not taken", true);
    EncoderContext record = host.encoder(params);
    const Outcome outcome = ChangeExtension(record.link, [&](ExtensionRecord& r) {
        for (const Element& e : frame.elements)
            if (NeedsRecord(e))
                ApplyExtended(e, r);
    });
    if (!IsReady(outcome) || !host.operationEnded()) {
        addLog(frame.peer, "frame " + std::to_string(frame.sqc) + ": the encoder did not answer", true);
        return kNotReceived;
    }
    return kOk;
}

std::string UecpPort::answerOf(const Request& request, TStationParams& params, RemoteHost& host)
{
    if (!IsExtendedMec(request.mec) && request.psn == 0)
        return Answer(request.mec, params);
    EncoderContext ctx = host.encoder(params);
    if (ctx.link.Extension == nullptr)
        return Acknowledgement(kNotAcceptable, request.sqc);
    ExtensionRecord record;
    const Outcome outcome = ChangeExtension(ctx.link, [&](ExtensionRecord& r) { record = r; });
    if (!IsReady(outcome) || !host.operationEnded())
        return Acknowledgement(kNotReceived, request.sqc);
    return AnswerExtended(request.mec, request.psn, record);
}

void UecpPort::send(const Peer& peer, std::uint8_t sqc, const std::string& message, bool answer)
{
    const std::string bytes = EncodeFrame(AddressOf(site_, encoder_), sqc, message);
    if (IsSerial(peer)) {
        if (serial_)
            serial_->write(bytes);
        return;
    }
    if (replyDatagram_ && !peer.tcp) {
        if (!replyDatagram_->empty() && replyDatagram_->size() + bytes.size() > Listener::kReplyDatagramMax) {
            listener_.send(peer, *replyDatagram_);
            replyDatagram_->clear();
        }
        *replyDatagram_ += bytes;
        return;
    }
    listener_.send(peer, bytes, answer);
}

bool UecpPort::runPending(TStationParams& params, RemoteHost& host)
{
    const TStationParams before = params;
    for (const CommandQueue::Entry& entry : queue_.take()) {
        if (entry.command.key == Key::Request && entry.command.number < 0) {
            while (!recordFrames_.empty() && recordFrames_.front().id < entry.command.numbers.front())
                recordFrames_.pop_front();
            if (!recordFrames_.empty() && recordFrames_.front().id == entry.command.numbers.front()) {
                const RecordFrame frame = std::move(recordFrames_.front());
                recordFrames_.pop_front();
                const int code = runRecordFrame(frame, params, host);
                if (frame.acknowledge)
                    send(frame.peer, frame.sqc, Acknowledgement(code, frame.sqc));
            }
            queue_.answer(entry, kReplyDone);
            continue;
        }
        if (entry.command.key == Key::Request) {
            // (a request the port dropped when it stopped has no entry left)
            while (!requests_.empty() && requests_.front().id < entry.command.numbers.front())
                requests_.pop_front();
            if (!requests_.empty() && requests_.front().id == entry.command.numbers.front()) {
                send(requests_.front().peer, requests_.front().sqc, answerOf(requests_.front(), params, host), true);
                requests_.pop_front();
            }
            queue_.answer(entry, kReplyDone);
            continue;
        }
        const std::string reply = ExecuteCommand(entry.command, params, host);
        queue_.answer(entry, reply);  // nothing goes out (see the replier); the queue lets go of the entry
        if (reply != kReplyDone)
            addLog(entry.peer, entry.line + (reply == kReplyNotReady ? ": the encoder did not answer" : ": not taken"),
                   true);
    }
    return !(params == before);
}

std::string UecpPort::PeerText(const Peer& peer)
{
    if (IsSerial(peer))
        return peer.text;
    return peer.name();
}

void UecpPort::addLog(const Peer& peer, std::string text, bool error)
{
    addLog(PeerText(peer), std::move(text), error);
}

void UecpPort::addLog(std::string peer, std::string text, bool error)
{
    if (!limiter_.admit(SenderOf(peer)))
        return;
    addEntry(std::move(peer), std::move(text), error);
}

void UecpPort::addEntry(std::string peer, std::string text, bool error)
{
    log_.push_back({clock_.now(), std::move(peer), std::move(text), error});
    while (log_.size() > kLogSize)
        log_.pop_front();
    if (onLog)
        onLog();
}

} // namespace quorvan::remote
