#include "prefs/VolumeTabViewController.h"

#include "prefs/LabelLists.h"
#include "settings/PlistFunction.h"

namespace orb {

ModuleTabSpec VolumeTabViewController::tabSpec()
{
    return {ModuleId::Volume, "VlmsItemSortArray", ElementRowGeometry{7, 1, 77, 4}, {
        tab::element("Vlms_Display_Graph", "Histogram", 1),
        tab::element("Vlms_Display_BarChart", "Bar Chart", 2),
        tab::element("Vlms_Display_CycleChart", "Circle Chart", 3),
        tab::element("Vlms_Display_Text", "Text", 4),
        tab::element("Vlms_Display_Percent", "Percent", 5),
        tab::check("Vlms_ShowMyLabel", "Show label on the left side"),
        tab::check("Vlms_ColoredValue", "Coloured values"),
        tab::check("Vlms_GradientColor", "Gradient colour"),
        tab::check("Vlms_HideSystemVols", "Hide system volumes"),
        tab::check("Vlms_HideNetworkVols", "Hide network volumes"),
        tab::check("Vlms_ShowEachDisk", "One element per volume"),
        tab::check("Vlms_WithDiskIconInBackground", "Disk icon in the background"),
        tab::check("Volume_IndicatorAboveIcon", "Charts above the icon"),
        tab::check("Vlms_GraphAsLine", "As line graph", "Vlms_Display_Graph"),
        tab::check("Vlms_LineAsBold", "Heavy line", "Vlms_Display_Graph"),
        tab::slider(SliderKind::UpdateInterval, "Vlms_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Vlms_GraphWidth", 2, 40, "Vlms_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Volume_Padding", 0, 10),
        tab::popUp("Vlms_Text_Label", "Text labels:", &LabelLists::volumeUsedFree),
        tab::popUp("Vlms_Percent_Mode", "Percent shows:", &PlistFunction::retVolumePercentKind),
        tab::color("E01", "Used"),
        tab::color("E02", "Free"),
        tab::color("E03", "Bar frame"),
        tab::color("E04", "Circle frame"),
        tab::color("E05", "Plenty free"),
        tab::color("E06", "Warning"),
        tab::color("E07", "Critical"),
        tab::menuCommand("Volume_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Volume_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Volume_EnaMenu_Tmnl", "Terminal"),
    }};
}

VolumeTabViewController::VolumeTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
