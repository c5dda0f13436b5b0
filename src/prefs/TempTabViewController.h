#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Temperature tab: text and graph, the temperature shown, its unit and the scale's maximum.
class TempTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    TempTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
