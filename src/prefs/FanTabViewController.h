#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Fan tab: text and graph and the speed the colours are scaled to.
class FanTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    FanTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
