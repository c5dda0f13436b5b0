#include "modules/ModuleRows.h"
#include "settings/FanPreferences.h"
#include "settings/PrefFunctions.h"

namespace orb {

const ModuleInfo kFanModule{
    .id = ModuleId::Fan,
    .number = 6,
    .tabIndex = 8,
    .leftToRight = 6,
    .cycleOrder = 6,
    .sampleOrder = 7,
    .prefName = "Fan",
    .key = "fan",
    .jsonName = "Fan",
    .launchKey = "LaunchFans",
    .intervalKey = "Fan_UpdateInterval",
    .counterKey = "FanInnerLoadCounterInt",
    .loadKey = "FanInnerLoadData",
    .sortArrayKey = "FanItemSortArray",
    .labelKey = "Fan_ShowMyLabel",
    .initialize = &FanPreferences::initialize,
    .loadDefaults = &FanPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Fan_Display_Text", "Fan_Display_Graph"});
    },
    // No fan probe yet: no fan item.
    .probeHardware = [](const Sysroot &) { return 0; },
    .createItem = nullptr,
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
