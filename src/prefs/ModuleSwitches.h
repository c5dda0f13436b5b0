#pragma once
#include "prefs/TabControl.h"
#include "settings/ModuleCatalog.h"

#include <QStringList>

namespace orb {

class SettingsStore;

// A whole module switched off and on again from the General tab's overview. Whether a
// module is shown follows its stored switches (any display element on; for VNC the menu
// switch), so switching it off turns them all off and remembers which were on, and
// switching it on turns those back on.
class ModuleSwitches {
public:
    ModuleSwitches() = delete;

    // Where the switches that were on are remembered: a dictionary keyed by launch key.
    static constexpr const char *kRememberedKey = "OverviewSwitchesOff";

    // The table of controls of the module's preference tab (an empty one for General).
    static ModuleTabSpec tabSpec(ModuleId id);
    // The stored switches that decide whether the module is shown.
    static QStringList keys(ModuleId id);
    // Turns every switch of the module off; the ones that were on are remembered.
    static void switchOff(ModuleId id, SettingsStore &store);
    // Turns on the remembered switches; without any, the module's first-run choice; without
    // one either, its first switch. The store is saved.
    static void switchOn(ModuleId id, SettingsStore &store);
};

} // namespace orb
