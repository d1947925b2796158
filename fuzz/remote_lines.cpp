// libFuzzer target: the network command port's input. Any bytes, cut into
// pieces at the fuzzer's choice, must give lines of at most 1024 bytes, every
// line must parse into a command whose values lie within their rules, and
// the lines pipelined through the command queue from two senders must each
// get exactly one reply. A value of the extension record (ECC=, RDSLEVEL=,
// ...) is taken only within its rule, and a refusal names its key. The same
// bytes are also read as an allow list.
#include "content/af_list.h"
#include "content/extended_text.h"
#include "content/pi.h"
#include "remote/allow_list.h"
#include "remote/command_queue.h"
#include "remote/extended_commands.h"
#include "remote/line_protocol.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvan::remote;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    (void)AllowList::Parse(bytes);

    Peer peers[2];
    peers[1].tcp = true;
    peers[1].connection = 1;
    long lines = 0, replies = 0;
    CommandQueue queue([&](const Peer&, std::string_view, int times) { replies += times; });
    LineSplitter splitter;
    const LineSplitter::Sink sink = [&](std::string_view line, bool tooLong) {
        queue.add(peers[lines++ % 2], line, tooLong);
        if (queue.full())
            for (const CommandQueue::Entry& e : queue.take())
                queue.answer(e, "+");
        if (tooLong && !line.empty())
            __builtin_trap();
        if (line.size() > kMaxLineLength || line.find_first_of("\r\n") != std::string_view::npos)
            __builtin_trap();
        const Command c = ParseLine(line);
        if (IsExtendedKey(c.key)) {
            // A value of the extension record is taken again by its rule, in
            // range; a refused one says why, naming its key.
            if (c.kind == Command::Kind::Bad && c.text.rfind(KeyName(c.key), 0) != 0)
                __builtin_trap();
            if (c.kind == Command::Kind::Set && ParseExtendedCommand(c.key, c.text).kind != Command::Kind::Set)
                __builtin_trap();
            if (c.kind == Command::Kind::Set && (c.key == Key::RdsLevel || c.key == Key::RdsPhase)) {
                const auto tenths = c.key == Key::RdsLevel ? quorvan::ParseRdsLevel("L", c.text).value
                                                           : quorvan::ParseRdsPhase("P", c.text).value;
                if (tenths && (*tenths < 0 || *tenths > (c.key == Key::RdsLevel ? 1000 : 3599)))
                    __builtin_trap();
            }
        }
        if (c.kind != Command::Kind::Set)
            return;
        switch (c.key) {
        case Key::PI:
            if (c.text.size() != 4 || c.text != quorvan::MakeHEX(c.text, 4))
                __builtin_trap();
            break;
        case Key::PTY:
            if (c.number < 0 || c.number > 31)
                __builtin_trap();
            break;
        case Key::DI:
            if (c.number < 0 || c.number > 15)
                __builtin_trap();
            break;
        case Key::TP:
        case Key::TA:
        case Key::MS:
            if (c.number != 0 && c.number != 1)
                __builtin_trap();
            break;
        case Key::AF:
            if (c.frequencies.size() > 15)
                __builtin_trap();
            for (const std::string& f : c.frequencies)
                if (!quorvan::StrictAFCode(f))
                    __builtin_trap();
            break;
        default:
            break;
        }
    };
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        splitter.feed(bytes.substr(at, piece), sink);
        if (splitter.pending() > kMaxLineLength)
            __builtin_trap();
    }
    splitter.finish(sink);
    for (const CommandQueue::Entry& e : queue.take())
        queue.answer(e, "+");
    if (replies != lines || !queue.empty())
        __builtin_trap();
    return 0;
}
