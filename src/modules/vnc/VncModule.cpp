#include "modules/ModuleRows.h"
#include "modules/vnc/VNC_MenuModule.h"
#include "settings/VncPreferences.h"
#include "settings/SettingsStore.h"

namespace orb {

// The screen-sharing item has no interval and no history; it is redrawn on every pass.
const ModuleInfo kVncModule{
    .id = ModuleId::Vnc,
    .number = 8,
    .tabIndex = 9,
    .leftToRight = 8,
    .cycleOrder = 7,
    .sampleOrder = 8,
    .prefName = "VNC",
    .key = "vnc",
    .jsonName = "VNC",
    .launchKey = "LaunchVNC",
    .intervalKey = "",
    .counterKey = "",
    .loadKey = "",
    // Its first-run writer stores no array; the menu switch is always written.
    .sortArrayKey = "Vnc_ShowMenu",
    .labelKey = "",
    .initialize = &VncPreferences::initialize,
    .loadDefaults = &VncPreferences::load,
    .wantsItem = [](const SettingsStore &s) { return s.boolForKey(QStringLiteral("Vnc_ShowMenu")); },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> { return std::make_unique<VNC_MenuModule>(d); },
    .createSampler = nullptr,
    .writeJson = nullptr,
};

} // namespace orb
