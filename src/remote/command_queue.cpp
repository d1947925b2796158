#include "remote/command_queue.h"

#include <algorithm>

namespace quorvan::remote {

CommandQueue::CommandQueue(Replier replier, Answered answered)
    : replier_(std::move(replier)), answered_(std::move(answered))
{
}

void CommandQueue::add(const Peer& peer, std::string_view line, bool tooLong)
{
    auto now = [&](const char* reply) {
        replier_(peer, reply, 1);
        if (answered_)
            answered_(peer, tooLong ? std::string_view("(line over 1024 bytes)") : line, reply);
    };
    if (tooLong) {
        now(kReplyBad);
        return;
    }
    Command command = ParseLine(line);
    if (command.kind == Command::Kind::Unknown) {
        now(kReplyUnknown);
        return;
    }
    if (command.kind == Command::Kind::Bad) {
        now(kReplyBad);
        return;
    }
    add(peer, std::move(command), line);
}

void CommandQueue::add(const Peer& peer, Command command, std::string_view line)
{
    std::optional<Entry>& slot =
        (command.kind == Command::Kind::Query ? queries_ : sets_)[static_cast<std::size_t>(command.key)];
    if (!slot) {
        slot = Entry{};
        slot->order = next_++;
    }
    slot->command = std::move(command);
    slot->line = std::string(line);
    slot->peer = peer.text + (peer.tcp ? " TCP" : " UDP");
    ++slot->lines;
    auto same = std::find_if(slot->waiters.begin(), slot->waiters.end(),
                             [&](const Waiter& w) { return w.peer.sameAs(peer); });
    if (same != slot->waiters.end())
        ++same->lines;
    else if (slot->waiters.size() < kMaxPeersPerKey)
        slot->waiters.push_back({peer, 1});
    // Beyond kMaxPeersPerKey different senders on one key the line is still
    // applied (as the newest value) but goes unanswered.
}

std::size_t CommandQueue::pendingCount() const
{
    std::size_t n = 0;
    for (const auto& s : sets_)
        n += s.has_value();
    for (const auto& q : queries_)
        n += q.has_value();
    return n;
}

std::vector<CommandQueue::Entry> CommandQueue::take()
{
    std::vector<Entry> out;
    for (auto* slots : {&sets_, &queries_})
        for (auto& slot : *slots)
            if (slot) {
                out.push_back(std::move(*slot));
                slot.reset();
            }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.order < b.order; });
    return out;
}

void CommandQueue::answer(const Entry& entry, std::string_view reply) const
{
    for (const Waiter& w : entry.waiters)
        replier_(w.peer, reply, w.lines);
}

} // namespace quorvan::remote
