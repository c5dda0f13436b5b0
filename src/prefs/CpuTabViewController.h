#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The CPU tab: graph, level bar, circle meter and text, process history length, colours of the load parts.
class CpuTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    CpuTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
