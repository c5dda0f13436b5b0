#include "modules/ModuleRows.h"
#include "settings/VolumePreferences.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"

namespace orb {

const ModuleInfo kVolumeModule{
    .id = ModuleId::Volume,
    .number = 7,
    .tabIndex = 6,
    .leftToRight = 7,
    .cycleOrder = 4,
    .sampleOrder = 4,
    .prefName = "Volume",
    .key = "volume",
    .jsonName = "Volume",
    .launchKey = "LaunchVolume",
    .intervalKey = "Vlms_UpdateInterval",
    .counterKey = "VlmsInnerLoadCounterInt",
    .loadKey = "VlmsInnerLoadData",
    .sortArrayKey = "VlmsItemSortArray",
    .labelKey = "Vlms_ShowMyLabel",
    .initialize = &VolumePreferences::initialize,
    .loadDefaults = &VolumePreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Vlms_Display_BarChart", "Vlms_Display_CycleChart", "Vlms_Display_Graph",
                                          "Vlms_Display_Text", "Vlms_Display_Percent"})
            || (s.boolForKey(QStringLiteral("Vlms_ShowEachDisk"))
                && s.boolForKey(QStringLiteral("Vlms_WithDiskIconInBackground")));
    },
    .probeHardware = nullptr,
    .createItem = nullptr,
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
