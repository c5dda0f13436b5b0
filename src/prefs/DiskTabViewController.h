#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Disk tab: indicator, graph and text with their read / write labels and the graph kind.
class DiskTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    DiskTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
