#include "settings/startup_values.h"

#include "content/pi.h"
#include "content/user_group.h"
#include "settings/loaded_values.h"

namespace quorvan {

StartupValues ApplyStartupValues(SettingsValues& values, char decimalSeparator)
{
    TStationParams& params = values.params;
    StartupValues out;
    out.notice = LoadedValuesNotice(CorrectLoadedValues(params, decimalSeparator));
    PIExit(params);
    NormaliseUserGroupBytes(params);
    params.system.CTRunning = ctStateStartsTransmission(values.window.CTState);
    out.dpsFields = DpsFieldsForMode(params.dynamicPs.RGDPS1M);
    return out;
}

} // namespace quorvan
