#include "modules/ModuleRows.h"
#include "settings/DiskPreferences.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"

namespace orb {

const ModuleInfo kDiskModule{
    .id = ModuleId::Disk,
    .number = 4,
    .tabIndex = 5,
    .leftToRight = 4,
    .cycleOrder = 3,
    .sampleOrder = 5,
    .prefName = "Disk",
    .key = "disk",
    .jsonName = "Disk",
    .launchKey = "LaunchDisk",
    .intervalKey = "Disk_UpdateInterval",
    .counterKey = "DiskInnerLoadCounterInt",
    .loadKey = "DiskInnerLoadData",
    .sortArrayKey = "DiskItemSortArray",
    .labelKey = "Disk_ShowMyLabel",
    .initialize = &DiskPreferences::initialize,
    .loadDefaults = &DiskPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Disk_Display_Indicator", "Disk_Display_Graph", "Disk_Display_Text"})
            || (s.boolForKey(QStringLiteral("Disk_ShowEachDisk"))
                && s.boolForKey(QStringLiteral("Disk_WithDiskIconInBackground")));
    },
    .probeHardware = nullptr,
    .createItem = nullptr,
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
