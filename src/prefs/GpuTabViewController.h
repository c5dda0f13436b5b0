#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The GPU tab: graph, level bar, circle meter and text with the three load colours.
class GpuTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    GpuTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
