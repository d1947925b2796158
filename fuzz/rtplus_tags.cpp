// libFuzzer target: RT+ patterns and the tags they find. Any pattern, prefix
// and text must give tags that lie inside the 64 characters, fit their
// fields and survive the register bytes unchanged; a composed text must
// carry its own tags.
#include "content/rtplus.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quorvan::rtplus;

namespace {

void Check(const Tags& tags)
{
    if (!tags.running) {
        if (!(tags.first == Tag{}) || !(tags.second == Tag{}))
            __builtin_trap();
        return;
    }
    const int maxLength[2] = {kMaxLength1, kMaxLength2};
    const Tag* t[2] = {&tags.first, &tags.second};
    for (int i = 0; i < 2; ++i) {
        if (t[i]->type == kDummy)
            continue;
        if (t[i]->start < 0 || t[i]->length < 1 || t[i]->length > maxLength[i] || t[i]->start + t[i]->length > 64)
            __builtin_trap();
    }
    if (!(DecodeRegisters(EncodeRegisters(true, tags)) == tags))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t a = std::min<std::size_t>(data[0], all.size());
    const std::size_t b = std::min<std::size_t>(data[1], all.size() - a);
    const std::string_view pattern = all.substr(0, a), prefix = all.substr(a, b), text = all.substr(a + b);
    Check(MatchTags(text, prefix, pattern));
    const std::size_t half = text.size() / 2;
    if (const auto composed = ComposeText(prefix.substr(0, 20), pattern, text.substr(0, half), text.substr(half))) {
        if (composed->text.size() > 64)
            __builtin_trap();
        Check(composed->tags);
    }
    return 0;
}
