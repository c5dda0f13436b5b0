#include "prefs/DiskTabViewController.h"

#include "prefs/LabelLists.h"
#include "settings/PlistFunction.h"

namespace orb {

ModuleTabSpec DiskTabViewController::tabSpec()
{
    return {ModuleId::Disk, "DiskItemSortArray", ElementRowGeometry{48, 10, 72, 2}, {
        tab::element("Disk_Display_Indicator", "Indicator", 1),
        tab::element("Disk_Display_Graph", "Histogram", 2),
        tab::element("Disk_Display_Text", "Text", 3),
        tab::check("Disk_ShowMyLabel", "Show label on the left side"),
        tab::check("Disk_ShowEachDisk", "One element per disk"),
        tab::check("Disk_WithDiskIconInBackground", "Disk icon in the background"),
        tab::check("Disk_IndicatorAboveIcon", "Indicator above the icon"),
        tab::slider(SliderKind::UpdateInterval, "Disk_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Disk_GraphWidth", 2, 40, "Disk_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Disk_Padding", 0, 10),
        tab::popUp("Disk_Indicator_Label", "Indicator labels:", &LabelLists::diskReadWrite),
        tab::popUp("Disk_Graph_Label", "Graph labels:", &LabelLists::diskReadWrite),
        tab::popUp("Disk_Graph_Mode", "Graph:", &PlistFunction::retGeneralGraphKind),
        tab::popUp("Disk_Text_Label", "Text labels:", &LabelLists::diskReadWrite),
        tab::color("D01", "Read"),
        tab::color("D02", "Write"),
        tab::color("D03", "Indicator frame"),
        tab::color("D04", "Indicator background"),
        tab::menuCommand("Disk_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Disk_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Disk_EnaMenu_Tmnl", "Terminal"),
    }};
}

DiskTabViewController::DiskTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
