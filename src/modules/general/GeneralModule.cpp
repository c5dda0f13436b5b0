#include "modules/ModuleRows.h"
#include "modules/general/General_MenuModule.h"
#include "settings/PrefFunctions.h"

namespace orb {

// The General item has no interval and no history of its own; it is redrawn on every pass.
// Its batteries and devices come from the power monitor the controller keeps (they are
// not sampled in the pass), so it has no sampler and adds nothing to `orbmeter sample`.
const ModuleInfo kGeneralModule{
    .id = ModuleId::General,
    .number = 0,
    .tabIndex = 0,
    .leftToRight = 9,
    .cycleOrder = 9,
    .sampleOrder = 9,
    .prefName = "General",
    .key = "general",
    .jsonName = "",
    .launchKey = "",
    .intervalKey = "",
    .counterKey = "",
    .loadKey = "",
    .sortArrayKey = "",
    .labelKey = "",
    .initialize = &PrefFunctions::initializeGeneralPreference,
    .loadDefaults = nullptr, // built by PrefFunctions::loadGeneralDefaults with the launch keys
    .wantsItem = nullptr,    // "DisplayOrbIcon" decides
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<General_MenuModule>(d);
    },
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
