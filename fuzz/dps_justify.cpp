// libFuzzer target: mode 0 justification of arbitrary bytes.
#include "content/dynamic_ps.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    quorvan::DPSJustifyOptions options;
    options.justification = static_cast<quorvan::DPSJustification>(data[0] % 3);
    if (data[0] & 0x80) options.fill = static_cast<char>(data[1]);
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string out = quorvan::DPSJustify(text, options);
    if (out.size() > quorvan::kDPSMaxLength) __builtin_trap();
    const auto rows = quorvan::DPSRowsFromText(out);
    for (const auto& row : rows)
        if (row.size() > quorvan::kDPSLabelLength) __builtin_trap();
    return 0;
}
