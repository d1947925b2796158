#include "sources/text_source_tick.h"

#include "content/dynamic_ps.h"
#include "content/extended_text.h"
#include "content/station_charset.h"
#include "content/radiotext.h"
#include "sources/text_processing.h"

namespace quorvan {

namespace {

ReadFrom readFromChoice(int index)
{
    return index == 0 ? ReadFrom::FirstLine : ReadFrom::LastLine;
}

} // namespace

bool RadiotextSourceActive(const TStationParams& params)
{
    return params.textSources.CBR1FF && params.radiotext.CBRTEN;
}

bool DynamicPSSourceActive(const TStationParams& params)
{
    return params.textSources.CBD1FF && params.dynamicPs.DPS1EN;
}

TextSourceSetup RadiotextSourceSetup(const TStationParams& params)
{
    return {params.textSources.ER1F, readFromChoice(params.textSources.RGR1L), params.textSources.SER1BE, params.textSources.SER1EN, CharsetFromInt(params.preferences.CBCHARSET)};
}

TextSourceSetup DynamicPSSourceSetup(const TStationParams& params)
{
    return {params.textSources.ED1F, readFromChoice(params.textSources.RGD1L), params.textSources.SED1BE, params.textSources.SED1EN, CharsetFromInt(params.preferences.CBCHARSET)};
}

std::string RadiotextFromSource(const TStationParams& params, const std::string& text)
{
    std::string rt = params.textSources.ER1PR + ProcessSourceText(text, TextProcessingOptionsOf(params), CharsetFromInt(params.preferences.CBCHARSET));
    if (rt.size() > kRadiotextLength) {
        rt.resize(kRadiotextLength - 3);
        rt += "...";
    }
    return rt;
}

std::string RadiotextUnicodeFromSource(const TStationParams& params, std::string_view text)
{
    return DecodeText(params.textSources.ER1PR, CharsetFromInt(params.preferences.CBCHARSET)) +
           ProcessSourceTextUnicode(text, TextProcessingOptionsOf(params));
}

std::optional<RadiotextUpdate> ApplyRadiotextFromFile(TStationParams& params, TextSourceMemory& memory,
                                                      const std::string& text)
{
    memory.RTFromFile = SourceTextInCharset(text, CharsetFromInt(params.preferences.CBCHARSET));
    if (!params.textSources.CBR1SC) {
        params.radiotext.RT1 = RadiotextFromSource(params, text);
        ErtFollowsRadiotext(params.extended, RadiotextUnicodeFromSource(params, text));
        return std::nullopt;
    }
    return ApplyRadiotextText(params, text, memory.radiotextOnAir);
}

RadiotextUpdate ApplyRadiotextText(TStationParams& params, const std::string& text, RadiotextOnAir& onAir,
                                   std::optional<std::string_view> asReceived)
{
    // Always the first radiotext, whichever one is current. The update
    // sequence switches radiotext on (RadiotextUpdateControl sets bit 0), and
    // so does the record: a later Send, or the settings saved from it, keep
    // the text on air.
    params.radiotext.RT1 = RadiotextFromSource(params, text);
    params.radiotext.CBRTEN = true;
    ErtFollowsRadiotext(params.extended, RadiotextUnicodeFromSource(params, asReceived ? *asReceived : text));
    RadiotextUpdate update{RadiotextBytes(params.radiotext.RT1), NewRadiotextControl(params, onAir, params.radiotext.RT1, params.radiotext.CBRTT1),
                           rtplus::RegistersFor(params, params.radiotext.RT1), std::nullopt};
    if (const std::string* ert = ErtWithRadiotext(params.extended))
        update.ert = *ert;
    return update;
}

void ErtFollowsSwitchedRadiotext(TStationParams& params, const TextSourceMemory& memory)
{
    if (!params.extended.ertFromRt || ActualRTIndex(params) != 0 || memory.RTFromFile.empty() ||
        RadiotextFromSource(params, memory.RTFromFile) != params.radiotext.RT1)
        return;
    ErtFollowsRadiotext(params.extended, RadiotextUnicodeFromSource(params, memory.RTFromFile));
}

std::optional<DynamicPSUpdate> ApplyDynamicPSFromFile(TStationParams& params, TextSourceMemory& memory,
                                                      const std::string& text)
{
    memory.DPSFromFile = SourceTextInCharset(text, CharsetFromInt(params.preferences.CBCHARSET));
    DynamicPSUpdate update = ApplyDynamicPSText(params, text);
    if (!params.textSources.CBD1SC)
        return std::nullopt;
    return update;
}

DynamicPSUpdate ApplyDynamicPSText(TStationParams& params, const std::string& text)
{
    params.dynamicPs.DPS1B = params.textSources.ED1PR + ProcessSourceText(text, TextProcessingOptionsOf(params), CharsetFromInt(params.preferences.CBCHARSET));
    const std::string justified = DPSJustify(params.dynamicPs.DPS1B, DPSJustifyOptionsOf(params));
    params.dynamicPs.DPS1 = DPSRowsFromText(justified);
    std::string payload = params.dynamicPs.RGDPS1M == 0 ? justified : params.dynamicPs.DPS1B;
    if (payload.size() > kDPSMaxLength)
        payload.resize(kDPSMaxLength);
    const int length = static_cast<int>(payload.size());
    return DynamicPSUpdate{std::move(payload), length};
}

TextSourceTickResult TextSourceTick(TStationParams& params, TextSourceMemory& memory,
                                    const std::string& exeDirectory, const SourceFileSystem& fs,
                                    TextSourceTarget& target)
{
    TextSourceTickResult result;
    const bool radiotextActive = RadiotextSourceActive(params);
    const bool dynamicPSActive = DynamicPSSourceActive(params);
    if (!radiotextActive && !dynamicPSActive)
        return result;

    // Both sources are read before either is applied.
    std::optional<std::string> radiotext, dynamicPS;
    if (radiotextActive)
        radiotext = readTextSource(RadiotextSourceSetup(params), exeDirectory, fs);
    if (dynamicPSActive)
        dynamicPS = readTextSource(DynamicPSSourceSetup(params), exeDirectory, fs);

    if (radiotext && *radiotext != memory.RTFromFile) {
        result.radiotextChanged = true;
        if (const auto update = ApplyRadiotextFromFile(params, memory, *radiotext)) {
            target.showRadiotext(params);
            result.radiotextSent = target.writeRadiotext(*update);
            target.restartRadiotextSwitching();
        }
    }
    if (dynamicPS && *dynamicPS != memory.DPSFromFile) {
        result.dynamicPSChanged = true;
        if (const auto update = ApplyDynamicPSFromFile(params, memory, *dynamicPS)) {
            target.showDynamicPS(params);
            result.dynamicPSSent = target.writeDynamicPS(*update);
        }
    }
    return result;
}

} // namespace quorvan
