#include "remote/command_port.h"

#include "content/charset.h"
#include "remote/extended_commands.h"
#include "remote/station_commands.h"

#include <array>
#include <utility>

namespace quorvan::remote {

namespace {

// The function of each key a set command may carry.
constexpr std::array<std::pair<Key, StationCommand>, 23> kSetCommands{{
    {Key::RT1, SetRadiotext1},
    {Key::RT2, SetOtherRadiotext},
    {Key::RT3, SetOtherRadiotext},
    {Key::RT4, SetOtherRadiotext},
    {Key::DPS, SetDynamicPS},
    {Key::PS, SetPS},
    {Key::PI, SetPI},
    {Key::PTY, SetPTY},
    {Key::TP, SetTP},
    {Key::TA, SetTA},
    {Key::MS, SetMS},
    {Key::DI, SetDI},
    {Key::AF, SetAF},
    {Key::CT, SendClockTimeNow},
    {Key::Send, SendAll},
    {Key::Store, StoreAll},
    {Key::RTPlus, SetRTPlusTags},
    {Key::Artist, SetArtist},
    {Key::Title, SetTitle},
    {Key::FinalRT, SetFinalRadiotext},
    {Key::Carrier, SetCarrier},
    {Key::ClockTimeOnOff, SetClockTimeTransmission},
    {Key::ClockTime, SendClockTime},
}};

} // namespace

std::string ExecuteCommand(const Command& command, TStationParams& params, RemoteHost& host)
{
    switch (command.kind) {
    case Command::Kind::Query:
        return QueryValue(command.key, params, host);
    case Command::Kind::Bad:
        return BadReply(command);
    case Command::Kind::Unknown:
        return kReplyUnknown;
    case Command::Kind::Set:
        break;
    }
    if (IsExtendedKey(command.key))
        return SetExtended(command, params, host);
    for (const auto& [key, run] : kSetCommands)
        if (key == command.key)
            return run(command, params, host);
    return kReplyUnknown;  // STATUS and a request are read, never set
}

CommandPort::CommandPort(const Stopwatch& stopwatch, const Clock& clock)
    : clock_(clock),
      listener_(stopwatch, [this](const Peer& peer, std::string_view line, bool tooLong) { queue_.add(peer, line, tooLong); }),
      queue_([this](const Peer& peer, std::string_view reply, int times) { listener_.reply(peer, reply, times); },
             [this](const Peer& peer, std::string_view line, std::string_view reply, int times) {
                 addLog(peer.name(), line, std::string(reply), times);
             }),
      limiter_(stopwatch,
               [this](const std::string& sender, const std::string& text) {
                   addEntry({clock_.now(), sender, text, std::string(), 1, true});
               })
{
    listener_.holdInputWhile([this] { return queue_.full(); });
    listener_.onRefused = [this](const Peer& peer) {
        const std::string who = peer.name();
        if (limiter_.admit(peer.text))
            addEntry({clock_.now(), who, "refused " + who + " (not in the allow list)", std::string(), 1, true});
    };
}

bool CommandPort::runPending(TStationParams& params, RemoteHost& host, const std::function<bool()>& late)
{
    const TStationParams before = params;
    for (const CommandQueue::Entry& entry : queue_.take()) {
        const std::string reply =
            late && late() ? std::string(kReplyNotReady) : ExecuteCommand(entry.command, params, host);
        queue_.answer(entry, reply);  // logged as the replies go out, in each sender's order
    }
    listener_.closeFinished();  // a client that has sent all gets its last reply and goes
    flushLog();
    return !(params == before);
}

void CommandPort::addLog(const std::string& peer, std::string_view line, const std::string& reply, int lines)
{
    // One sender's lines are limited by its address, whichever transport.
    if (!limiter_.admit(SenderOf(peer)))
        return;
    // The line as UTF-8: as it came when it is UTF-8, else read as Latin-1.
    addEntry({clock_.now(), peer, ExternalTextToUtf8(line), reply, lines});
}

void CommandPort::addEntry(LogEntry entry)
{
    log_.push_back(std::move(entry));
    while (log_.size() > kLogSize)
        log_.pop_front();
    if (onLog)
        onLog();
}

} // namespace quorvan::remote
