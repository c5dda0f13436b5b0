#include "modules/ModuleRows.h"
#include "settings/NetworkPreferences.h"
#include "settings/PrefFunctions.h"

namespace orb {

const ModuleInfo kNetworkModule{
    .id = ModuleId::Network,
    .number = 3,
    .tabIndex = 4,
    .leftToRight = 3,
    .cycleOrder = 2,
    .sampleOrder = 3,
    .prefName = "Network",
    .key = "network",
    .jsonName = "Network",
    .launchKey = "LaunchNetw",
    .intervalKey = "Network_UpdateInterval",
    .counterKey = "NetworkInnerLoadCounterInt",
    .loadKey = "NetworkInnerLoadData",
    .sortArrayKey = "NetworkItemSortArray",
    .labelKey = "Network_ShowMyLabel",
    .initialize = &NetworkPreferences::initialize,
    .loadDefaults = &NetworkPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Network_Display_UdCircle", "Network_Display_Graph", "Network_Display_Text"});
    },
    .probeHardware = nullptr,
    .createItem = nullptr,
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
