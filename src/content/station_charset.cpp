#include "content/station_charset.h"

namespace quorvan {

void ChangeCharset(TStationParams& params, Charset to)
{
    const Charset from = CharsetFromInt(params.CBCHARSET);
    params.CBCHARSET = static_cast<int>(to);
    if (from == to)
        return;
    const auto recode = [&](std::string& text) { text = EncodeText(DecodeText(text, from), to); };
    recode(params.PSDEF);
    for (std::string& row : params.DPS1)
        recode(row);
    recode(params.DPS1B);
    for (int i = 0; i < kRadiotexts; ++i)
        recode(params.rt(i));
    recode(params.ED1PR);
    recode(params.ER1PR);
    recode(params.ECUSCH);
}

std::string SourceTextInCharset(const std::string& text, Charset to)
{
    return to == Charset::Rds ? ExternalTextToUtf8(text) : text;
}

} // namespace quorvan
