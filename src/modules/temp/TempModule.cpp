#include "modules/ModuleRows.h"
#include "settings/PrefFunctions.h"
#include "settings/TempPreferences.h"

namespace orb {

const ModuleInfo kTempModule{
    .id = ModuleId::Temp,
    .number = 5,
    .tabIndex = 7,
    .leftToRight = 5,
    .cycleOrder = 5,
    .sampleOrder = 6,
    .prefName = "Temp",
    .key = "temp",
    .jsonName = "Temp",
    .launchKey = "LaunchTemp",
    .intervalKey = "Temp_UpdateInterval",
    .counterKey = "TempInnerLoadCounterInt",
    .loadKey = "TempInnerLoadData",
    .sortArrayKey = "TempItemSortArray",
    .labelKey = "Temp_ShowMyLabel",
    .initialize = &TempPreferences::initialize,
    .loadDefaults = &TempPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Temp_Display_Text", "Temp_Display_Graph"});
    },
    // No sensor probe yet: no temperature item.
    .probeHardware = [](const Sysroot &) { return 0; },
    .createItem = nullptr,
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
