#include "prefs/VNCTabViewController.h"

namespace orb {

ModuleTabSpec VNCTabViewController::tabSpec()
{
    return {ModuleId::Vnc, "", ElementRowGeometry{}, {
        tab::check("Vnc_ShowMenu", "Show Menu"),
        tab::check("Vnc_AddMenuOpenAll", "Offer \"Open All of Servers at Once\""),
        tab::menuCommand("Vnc_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Vnc_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Vnc_EnaMenu_Tmnl", "Terminal"),
    }};
}

VNCTabViewController::VNCTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
