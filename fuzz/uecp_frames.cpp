// libFuzzer target: the encoder protocol's frame decoder and element parser.
// Any bytes, cut into pieces at the fuzzer's choice, must give frames whose
// message fits its bound; a message the parser takes must be taken whole
// (every element known, its values in range, described and turned into
// commands without fault), and one it refuses must leave no element.
#include "remote/uecp_elements.h"
#include "remote/uecp_extended.h"
#include "remote/uecp_frame.h"

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
    quorvan::TStationParams params;
    const uecp::FrameDecoder::Sink sink = [&](const uecp::Frame& f) {
        if (f.message.size() > uecp::kMaxMessage || (f.code != uecp::kOk && !f.message.empty()))
            __builtin_trap();
        if (f.code != uecp::kOk)
            return;
        // The frame read back must be the one the encoder writes.
        uecp::FrameDecoder again;
        int frames = 0;
        again.feed(uecp::EncodeFrame(f.address, f.sqc, f.message), 0, [&](const uecp::Frame& g) {
            ++frames;
            if (g.code != uecp::kOk || g.message != f.message || g.sqc != f.sqc || g.address != f.address)
                __builtin_trap();
        });
        if (frames != 1)
            __builtin_trap();
        const uecp::Message m = uecp::ParseMessage(f.message);
        if (m.code != uecp::kOk && !m.elements.empty())
            __builtin_trap();
        for (const uecp::Element& e : m.elements) {
            if (uecp::Describe(e) == "?")
                __builtin_trap();
            for (const Command& c : uecp::CommandsOf(e))
                if (c.kind != Command::Kind::Set || (c.key == Key::PTY && (c.number < 0 || c.number > 31)) ||
                    c.frequencies.size() > 15)
                    __builtin_trap();
            if (e.mec == uecp::kRequest) {
                const auto wanted = static_cast<std::uint8_t>(e.data[0]);
                const auto psn = static_cast<std::uint8_t>(e.data.size() >= 3 ? e.data[2] : 0);
                const bool record = uecp::IsExtendedMec(wanted) || psn != 0;
                if ((record ? uecp::AnswerExtended(wanted, psn, {}) : uecp::Answer(wanted, params)).empty())
                    __builtin_trap();
            }
        }
    };
    uecp::FrameDecoder decoder;
    std::int64_t now = 0;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        decoder.feed(bytes.substr(at, piece), now, sink);
        now += piece * 7;  // a slow line: partial frames time out now and then
    }
    return 0;
}
