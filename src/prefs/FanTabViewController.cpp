#include "prefs/FanTabViewController.h"

namespace orb {

ModuleTabSpec FanTabViewController::tabSpec()
{
    return {ModuleId::Fan, "FanItemSortArray", ElementRowGeometry{18, 10, 77, 2}, {
        tab::element("Fan_Display_Text", "Text", 1),
        tab::element("Fan_Display_Graph", "Histogram", 2),
        tab::check("Fan_ShowMyLabel", "Show label on the left side"),
        tab::check("Fan_PileUp_TextGraph", "Text on top of the graph"),
        tab::check("Fan_ColoredMenu", "Coloured values in the menu"),
        tab::check("Fan_GradientColor", "Gradient colour"),
        tab::slider(SliderKind::UpdateInterval, "Fan_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Fan_GraphWidth", 2, 40, "Fan_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Fan_Padding", 0, 10),
        tab::slider(SliderKind::MaxRpm, "Fax_MaxRpm", 20, 60),
        tab::color("G01", "Low"),
        tab::color("G02", "Middle"),
        tab::color("G03", "High"),
        tab::color("G04", "Text"),
        tab::menuCommand("Fan_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Fan_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Fan_EnaMenu_Tmnl", "Terminal"),
    }};
}

FanTabViewController::FanTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
