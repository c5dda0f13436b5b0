#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Memory tab: five elements, the unit of the texts and the colours of the memory kinds.
class MemoryTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    MemoryTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
