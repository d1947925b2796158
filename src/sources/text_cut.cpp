#include "sources/text_cut.h"

#include "content/charset.h"

namespace quorvan {

std::string trimSourceText(std::string text)
{
    while (text.size() > 1 && text.back() == ' ')
        text.pop_back();
    if (text == " ")
        text.clear();
    return text;
}

std::string cutSourceText(const std::string& text, int beginning, int end)
{
    const long b = beginning > 0 ? beginning : 0;
    const long e = end > 0 ? end : 0;
    const long keep = static_cast<long>(text.size()) - b - e;
    if (keep <= 0)
        return std::string();
    return text.substr(static_cast<std::size_t>(b), static_cast<std::size_t>(keep));
}

std::string cutSourceTextUtf8(const std::string& text, int beginning, int end)
{
    const std::u32string chars = Utf8ToChars(text);
    const long b = beginning > 0 ? beginning : 0;
    const long e = end > 0 ? end : 0;
    const long keep = static_cast<long>(chars.size()) - b - e;
    if (keep <= 0)
        return std::string();
    return CharsToUtf8(std::u32string_view(chars).substr(static_cast<std::size_t>(b), static_cast<std::size_t>(keep)));
}

} // namespace quorvan
