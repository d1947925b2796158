// libFuzzer target: AF list checking of 15 arbitrary row texts.
#include "content/af_list.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const char separator = static_cast<char>(data[0]);
    std::array<std::string, quorvan::kAFRows> rows{};
    // Rows are separated by '\n' in the input.
    std::size_t row = 0;
    for (std::size_t i = 1; i < size && row < rows.size(); ++i) {
        if (data[i] == '\n')
            ++row;
        else
            rows[row].push_back(static_cast<char>(data[i]));
    }
    const quorvan::AFList list = quorvan::MakeAFList(rows, separator);
    if (list.count < 0 || list.count > quorvan::kAFRows) __builtin_trap();
    for (int i = 0; i < list.count; ++i) {
        if (list.codes[static_cast<std::size_t>(i)] < quorvan::kAFCodeMin ||
            list.codes[static_cast<std::size_t>(i)] > quorvan::kAFCodeMax)
            __builtin_trap();
        if (rows[static_cast<std::size_t>(i)].empty()) __builtin_trap();
    }
    for (std::size_t i = static_cast<std::size_t>(list.count); i < rows.size(); ++i)
        if (!rows[i].empty()) __builtin_trap();
    // A second check of a closed-up list keeps it as it is.
    auto again = rows;
    if (quorvan::MakeAFList(again, separator) != list || again != rows) __builtin_trap();
    return 0;
}
