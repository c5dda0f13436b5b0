#include "prefs/NetworkTabViewController.h"

#include "prefs/LabelLists.h"
#include "settings/PlistFunction.h"

namespace orb {

ModuleTabSpec NetworkTabViewController::tabSpec()
{
    return {ModuleId::Network, "NetworkItemSortArray", ElementRowGeometry{16, 10, 77, 3}, {
        tab::element("Network_Display_UdLabel", "Up/Down Label", 1),
        tab::element("Network_Display_UdCircle", "Indicator", 2),
        tab::element("Network_Display_Graph", "Histogram", 3),
        tab::element("Network_Display_Text", "Text", 4),
        tab::check("Network_ShowMyLabel", "Show label on the left side"),
        tab::check("Network_ShowAllNic", "List every interface in the menu"),
        tab::check("Network_ShowIBridge", "Include the Mac's internal bridge interface"),
        tab::check("WifiDisconnectNotifyBool", "Notify when Wi-Fi is disconnected"),
        tab::slider(SliderKind::UpdateInterval, "Network_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Network_GraphWidth", 2, 40, "Network_Display_Graph"),
        tab::slider(SliderKind::IgnoreBelow, "Network_Limen_Base", 0, 100),
        tab::slider(SliderKind::Spacing, "Network_Padding", 0, 10),
        tab::popUp("Network_UdLabel_Mode", "Up/down labels:", &LabelLists::networkUdLabels),
        tab::popUp("Network_Graph_Mode", "Graph:", &PlistFunction::retGeneralGraphKind),
        tab::popUp("Network_Text_Mode", "Text unit:", &PlistFunction::retNetworkBitOrByte),
        tab::color("C01", "Upload"),
        tab::color("C02", "Download"),
        tab::color("C03", "Indicator frame"),
        tab::color("C04", "Indicator background"),
        tab::color("C05", "Wi-Fi signal"),
        tab::color("C06", "Wi-Fi noise"),
        tab::menuCommand("Network_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Network_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Network_EnaMenu_Tmnl", "Terminal"),
    }};
}

NetworkTabViewController::NetworkTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
