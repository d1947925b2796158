#include "content/radiotext.h"

#include "content/steps.h"

namespace quorvan {

int ActualRTIndex(const TStationParams& params)
{
    return params.radiotext.selected == RadiotextSelection::None ? -1 : static_cast<int>(params.radiotext.selected) - 1;
}

std::string ActualRT(const TStationParams& params)
{
    const int i = ActualRTIndex(params);
    return i < 0 ? std::string() : params.rt(i);
}

int ActualRTType(const TStationParams& params)
{
    const int i = ActualRTIndex(params);
    return i >= 0 && params.rtType(i) == 1 ? 1 : 0;
}

void SelectRadiotext(TStationParams& params, int index)
{
    params.radiotext.selected =
        index >= 0 && index < kRadiotexts ? static_cast<RadiotextSelection>(index + 1) : RadiotextSelection::None;
}

std::string RadiotextBytes(std::string_view text)
{
    std::string bytes(text.substr(0, kRadiotextLength));
    bytes.append(kRadiotextLength - bytes.size(), ' ');
    return bytes;
}

int RadiotextTypeFor(RadiotextOnAir& onAir, bool toggleAB, std::string_view text, int chosenType)
{
    const std::string bytes = RadiotextBytes(text);
    int type = chosenType == 1 ? 1 : 0;
    if (toggleAB && onAir.bytes)
        type = *onAir.bytes == bytes ? onAir.type : 1 - onAir.type;
    onAir.bytes = bytes;
    onAir.type = type;
    return type;
}

int RadiotextControl(const TStationParams& params)
{
    return (params.radiotext.CBRTEN ? 1 : 0) + 2 * ActualRTType(params);
}

std::optional<int> NextRadiotext(const TStationParams& params)
{
    const int start = ActualRTIndex(params);
    if (start < 0) {
        for (int i = 0; i < kRadiotexts; ++i)
            if (!params.rt(i).empty()) return i;
        return std::nullopt;
    }
    for (int advance = 1; advance < kRadiotexts; ++advance) {
        const int i = (start + advance) % kRadiotexts;
        if (!params.rt(i).empty()) return i;
    }
    return std::nullopt;  // four advances lead back to the starting text
}

bool AdvanceRadiotext(TStationParams& params)
{
    const auto next = NextRadiotext(params);
    if (!next) return false;
    SelectRadiotext(params, *next);
    return true;
}

int RadiotextSwitchPeriodMs(int minutes)
{
    minutes = ClampSteps(kSERTSWSpec, minutes);
    return minutes == 0 ? 30'000 : minutes * 60'000;
}

std::string RadiotextSwitchUnitText(int minutes)
{
    return ClampSteps(kSERTSWSpec, minutes) == 0 ? ".5 min" : "min";
}

} // namespace quorvan
