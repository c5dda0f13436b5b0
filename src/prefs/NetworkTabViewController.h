#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Network tab: labels, indicator, graph and text; label pair, graph kind, bytes or bits, the idle threshold.
class NetworkTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    NetworkTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
