#include "sources/text_source_tick.h"

#include "content/dynamic_ps.h"
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
    return params.CBR1FF && params.CBRTEN;
}

bool DynamicPSSourceActive(const TStationParams& params)
{
    return params.CBD1FF && params.DPS1EN;
}

TextSourceSetup RadiotextSourceSetup(const TStationParams& params)
{
    return {params.ER1F, readFromChoice(params.RGR1L), params.SER1BE, params.SER1EN, CharsetFromInt(params.CBCHARSET)};
}

TextSourceSetup DynamicPSSourceSetup(const TStationParams& params)
{
    return {params.ED1F, readFromChoice(params.RGD1L), params.SED1BE, params.SED1EN, CharsetFromInt(params.CBCHARSET)};
}

std::string RadiotextFromSource(const TStationParams& params, const std::string& text)
{
    std::string rt = params.ER1PR + ProcessSourceText(text, TextProcessingOptionsOf(params), CharsetFromInt(params.CBCHARSET));
    if (rt.size() > kRadiotextLength) {
        rt.resize(kRadiotextLength - 3);
        rt += "...";
    }
    return rt;
}

std::optional<RadiotextUpdate> ApplyRadiotextFromFile(TStationParams& params, TextSourceMemory& memory,
                                                      const std::string& text)
{
    memory.RTFromFile = SourceTextInCharset(text, CharsetFromInt(params.CBCHARSET));
    if (!params.CBR1SC) {
        params.RT1 = RadiotextFromSource(params, text);
        return std::nullopt;
    }
    return ApplyRadiotextText(params, text, memory.radiotextOnAir);
}

RadiotextUpdate ApplyRadiotextText(TStationParams& params, const std::string& text, RadiotextOnAir& onAir)
{
    // Always the first radiotext, whichever one is current. The update
    // sequence switches radiotext on (RadiotextUpdateControl sets bit 0), and
    // so does the record: a later Send, or the settings saved from it, keep
    // the text on air.
    params.RT1 = RadiotextFromSource(params, text);
    params.CBRTEN = true;
    return RadiotextUpdate{RadiotextBytes(params.RT1), NewRadiotextControl(params, onAir, params.RT1, params.CBRTT1),
                           rtplus::RegistersFor(params, params.RT1)};
}

std::optional<DynamicPSUpdate> ApplyDynamicPSFromFile(TStationParams& params, TextSourceMemory& memory,
                                                      const std::string& text)
{
    memory.DPSFromFile = SourceTextInCharset(text, CharsetFromInt(params.CBCHARSET));
    DynamicPSUpdate update = ApplyDynamicPSText(params, text);
    if (!params.CBD1SC)
        return std::nullopt;
    return update;
}

DynamicPSUpdate ApplyDynamicPSText(TStationParams& params, const std::string& text)
{
    params.DPS1B = params.ED1PR + ProcessSourceText(text, TextProcessingOptionsOf(params), CharsetFromInt(params.CBCHARSET));
    const std::string justified = DPSJustify(params.DPS1B, DPSJustifyOptionsOf(params));
    params.DPS1 = DPSRowsFromText(justified);
    std::string payload = params.RGDPS1M == 0 ? justified : params.DPS1B;
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
