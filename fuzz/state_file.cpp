// libFuzzer target: the virtual encoder's state file with its extension
// record. The text follows a valid head, so that the fuzzer reaches the
// record's lines; a state that loads must write back to a text that loads
// to the same state.
#include "sim/state_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string head = quorvan::FormatEncoderState(quorvan::EncoderState{});
    const std::string tail(reinterpret_cast<const char*>(data), size);
    for (const std::string& text : {tail, head + tail}) {
        quorvan::EncoderState state;
        std::string error;
        if (!quorvan::ParseEncoderState(text, state, error))
            continue;
        quorvan::EncoderState again;
        if (!quorvan::ParseEncoderState(quorvan::FormatEncoderState(state), again, error) || !(again == state))
            __builtin_trap();
    }
    return 0;
}
