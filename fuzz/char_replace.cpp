// libFuzzer target: text processing of arbitrary bytes with every option set.
#include "sources/text_processing.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const quorvan::TextProcessingOptions options{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
    const std::string out = quorvan::CharReplace(text, options);
    if (out.size() > text.size()) __builtin_trap();  // processing only ever removes
    quorvan::SourceTextExample(options);
    return 0;
}
