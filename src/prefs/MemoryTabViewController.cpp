#include "prefs/MemoryTabViewController.h"

#include "settings/MemoryPreferences.h"

namespace orb {

ModuleTabSpec MemoryTabViewController::tabSpec()
{
    return {ModuleId::Memory, "MemoryItemSortArray", ElementRowGeometry{7, 1, 77, 4}, {
        tab::element("Memory_Display_Graph", "Histogram", 1),
        tab::element("Memory_Display_LevelBar", "Bar Chart", 2),
        tab::element("Memory_Display_CircleMeter", "Circle Chart", 3),
        tab::element("Memory_Display_Text", "Text", 4),
        tab::element("Memory_Display_DetailText", "Detail Text", 5),
        tab::check("Memory_ShowMyLabel", "Show label on the left side"),
        tab::check("Memory_Text_WithLongLabel", "Long label in the text", "Memory_Display_Text"),
        tab::check("Memory_DetailText_WithLongLabel", "Long labels in the detail text", "Memory_Display_DetailText"),
        tab::check("Memory_TradMemoryInfo", "Traditional memory breakdown"),
        tab::slider(SliderKind::UpdateInterval, "Memory_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Memory_GraphWidth", 2, 40, "Memory_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Memory_Padding", 0, 10),
        tab::popUp("Memory_Unit", "Unit:", &MemoryPreferences::retMemoryUnit),
        tab::color("B01", "Wired"),
        tab::color("B02", "Active"),
        tab::color("B03", "Inactive"),
        tab::color("B04", "Free"),
        tab::color("B09", "App memory"),
        tab::color("B10", "Compressed"),
        tab::color("B05", "Used text"),
        tab::color("B06", "Free text"),
        tab::color("B07", "Bar frame"),
        tab::color("B08", "Circle frame"),
        tab::menuCommand("Memory_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Memory_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Memory_EnaMenu_Tmnl", "Terminal"),
    }};
}

MemoryTabViewController::MemoryTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
