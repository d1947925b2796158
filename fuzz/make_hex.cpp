// libFuzzer target: hexadecimal normalisation, PI value and user group bytes.
#include "content/pi.h"
#include "content/user_group.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const int digits = data[0] % 10;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string hex = quorvan::MakeHEX(text, digits);
    if (hex.size() != static_cast<std::size_t>(digits)) __builtin_trap();
    quorvan::PIValue(text);
    for (char c : text) quorvan::KeyInPi(c);
    const auto byte = quorvan::NormaliseUserGroupByte(text, (data[0] & 0x80) != 0);
    if (byte.text.size() != 2 || quorvan::HexDigitValue(byte.text[0]) < 0 ||
        quorvan::HexDigitValue(byte.text[1]) < 0)
        __builtin_trap();
    if (std::to_string(quorvan::UserGroupByteValue(byte.text)) != byte.decimal) __builtin_trap();
    return 0;
}
