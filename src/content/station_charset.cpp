#include "content/station_charset.h"

namespace quorvan {

void ChangeCharset(TStationParams& params, Charset to)
{
    const Charset from = CharsetFromInt(params.preferences.CBCHARSET);
    params.preferences.CBCHARSET = static_cast<int>(to);
    if (from == to)
        return;
    const auto recode = [&](std::string& text) { text = EncodeText(DecodeText(text, from), to); };
    recode(params.program.PSDEF);
    for (std::string& row : params.dynamicPs.DPS1)
        recode(row);
    recode(params.dynamicPs.DPS1B);
    for (int i = 0; i < kRadiotexts; ++i)
        recode(params.rt(i));
    recode(params.textSources.ED1PR);
    recode(params.textSources.ER1PR);
    recode(params.textSources.ECUSCH);
}

std::string SourceTextInCharset(const std::string& text, Charset to)
{
    return to == Charset::Rds ? ExternalTextToUtf8(text) : text;
}

} // namespace quorvan
