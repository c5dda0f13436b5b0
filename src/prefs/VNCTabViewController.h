#pragma once
#include "prefs/ModuleTabViewController.h"

namespace orb {

// The Screen-sharing tab: whether the item is shown, the open-all entry and the optional menu commands.
class VNCTabViewController : public ModuleTabViewController {
    Q_OBJECT
public:
    VNCTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    static ModuleTabSpec tabSpec();
};

} // namespace orb
