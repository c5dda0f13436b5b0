#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Volume tab: five elements, which volumes count, their labels and the fill colours.
class VolumeTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    VolumeTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
