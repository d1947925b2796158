// libFuzzer target: outside bytes decoded as UTF-8 (or Latin-1) and encoded for
// the encoder in both character sets, then read back.
#include "content/charset.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quorvan;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = ExternalTextToUtf8(bytes);
    if (!IsValidUtf8(utf8)) __builtin_trap();
    if (IsValidUtf8(bytes) && utf8.size() > bytes.size()) __builtin_trap();

    const std::string rds = EncodeText(utf8, Charset::Rds);
    for (char b : rds)
        if (!RdsChar(static_cast<std::uint8_t>(b))) __builtin_trap();  // only assigned codes go out
    // Encoder bytes read back and encoded again are the same bytes.
    const std::string shown = DecodeText(rds, Charset::Rds);
    if (!IsValidUtf8(shown) || EncodeText(shown, Charset::Rds) != rds) __builtin_trap();

    const std::string latin1 = EncodeText(utf8, Charset::Latin1);
    if (EncodeText(DecodeText(latin1, Charset::Latin1), Charset::Latin1) != latin1) __builtin_trap();
    // The raw bytes (valid or not) never break the encoder.
    EncodeText(bytes, Charset::Rds);
    return 0;
}
