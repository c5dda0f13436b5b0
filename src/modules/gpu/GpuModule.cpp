#include "modules/ModuleRows.h"
#include "settings/GpuPreferences.h"
#include "settings/PrefFunctions.h"

namespace orb {

const ModuleInfo kGpuModule{
    .id = ModuleId::Gpu,
    .number = 9,
    .tabIndex = 2,
    .leftToRight = 1,
    .cycleOrder = 8,
    .sampleOrder = 1,
    .prefName = "GPU",
    .key = "gpu",
    .jsonName = "GPU",
    .launchKey = "LaunchGpus",
    .intervalKey = "Gpu_UpdateInterval",
    .counterKey = "GpuInnerLoadCounterInt",
    .loadKey = "GpuInnerLoadData",
    .sortArrayKey = "GpuItemSortArray",
    .labelKey = "Gpu_ShowMyLabel",
    .initialize = &GpuPreferences::initialize,
    .loadDefaults = &GpuPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Gpu_Display_Graph", "Gpu_Display_LevelBar", "Gpu_Display_CircleMeter",
                                          "Gpu_Display_Text"});
    },
    // No display-controller probe yet: no GPU item.
    .probeHardware = [](const Sysroot &) { return 0; },
    .createItem = nullptr,
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
