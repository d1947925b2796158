#include "remote/command_queue.h"

#include <algorithm>

namespace quorvan::remote {

namespace {

bool IsBarrier(const Command& command)
{
    return command.key == Key::Store || command.key == Key::Send || command.key == Key::CT ||
           command.key == Key::Status || command.key == Key::Request;
}

} // namespace

CommandQueue::CommandQueue(Replier replier, Answered answered)
    : replier_(std::move(replier)), answered_(std::move(answered))
{
}

CommandQueue::Sender& CommandQueue::senderOf(const Peer& peer)
{
    auto it = std::find_if(senders_.begin(), senders_.end(), [&](const Sender& s) { return s.peer.sameAs(peer); });
    if (it != senders_.end())
        return *it;
    senders_.push_back({peer, {}});
    return senders_.back();
}

void CommandQueue::queueReply(const Peer& peer, std::uint64_t entry, std::optional<std::string> reply,
                              std::string_view line)
{
    Sender& sender = senderOf(peer);
    if (!sender.waiting.empty()) {
        // Merged lines share a slot; lines answered at once only when they are the same line.
        Slot& last = sender.waiting.back();
        if (last.entry == entry && last.reply == reply && (entry != 0 || last.line == line)) {
            ++last.times;
            last.line = std::string(line);
            return;
        }
    }
    sender.waiting.push_back({entry, std::move(reply), 1, std::string(line)});
    ++slots_;
}

void CommandQueue::flush()
{
    for (auto it = senders_.begin(); it != senders_.end();) {
        while (!it->waiting.empty() && it->waiting.front().reply) {
            const Slot slot = std::move(it->waiting.front());
            it->waiting.pop_front();
            --slots_;
            replier_(it->peer, *slot.reply, slot.times);
            if (answered_)
                answered_(it->peer, slot.line, *slot.reply, slot.times);
        }
        it = it->waiting.empty() ? senders_.erase(it) : it + 1;
    }
}

void CommandQueue::startSegment()
{
    openSet_.fill(std::nullopt);
    openQuery_.fill(std::nullopt);
}

void CommandQueue::add(const Peer& peer, std::string_view line, bool tooLong)
{
    if (tooLong) {
        Command bad;
        bad.kind = Command::Kind::Bad;
        add(peer, std::move(bad), "(line over 1024 bytes)");
        return;
    }
    add(peer, ParseLine(line), line);
}

void CommandQueue::add(const Peer& peer, Command command, std::string_view line)
{
    if (command.kind != Command::Kind::Set && command.kind != Command::Kind::Query) {
        queueReply(peer, 0, command.kind == Command::Kind::Unknown ? std::string(kReplyUnknown) : BadReply(command),
                   line);
        flush();
        return;
    }
    const auto key = static_cast<std::size_t>(command.key);
    const bool query = command.kind == Command::Kind::Query;
    const bool barrier = IsBarrier(command);
    std::optional<std::size_t>& open = (query ? openQuery_ : openSet_)[key];
    if (!open || barrier) {
        entries_.push_back(Entry{});
        entries_.back().id = next_++;
        open = entries_.size() - 1;
    }
    Entry& entry = entries_[*open];
    entry.command = std::move(command);
    entry.line = std::string(line);
    entry.peer = peer.name();
    ++entry.lines;
    queueReply(peer, entry.id, std::nullopt, line);
    if (barrier) {
        startSegment();
        return;
    }
    // A query must not see a later set, and a set after a query must not be
    // written before it: each closes the other's entry on this key.
    (query ? openSet_ : openQuery_)[key].reset();
}

std::vector<CommandQueue::Entry> CommandQueue::take()
{
    std::vector<Entry> out = std::move(entries_);
    entries_.clear();
    startSegment();
    return out;
}

void CommandQueue::answer(const Entry& entry, std::string_view reply)
{
    for (Sender& sender : senders_)
        for (Slot& slot : sender.waiting)
            if (slot.entry == entry.id && !slot.reply)
                slot.reply = std::string(reply);
    flush();
}

} // namespace quorvan::remote
