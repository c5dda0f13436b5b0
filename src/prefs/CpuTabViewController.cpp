#include "prefs/CpuTabViewController.h"

namespace orb {

ModuleTabSpec CpuTabViewController::tabSpec()
{
    return {ModuleId::Cpu, "CpuItemSortArray", ElementRowGeometry{16, 10, 77, 3}, {
        tab::element("Cpu_Display_Graph", "Histogram", 1),
        tab::element("Cpu_Display_LevelBar", "Bar Chart", 2),
        tab::element("Cpu_Display_CircleMeter", "Circle Chart", 3),
        tab::element("Cpu_Display_Text", "Text", 4),
        tab::check("Cpu_ShowMyLabel", "Show label on the left side"),
        tab::check("Cpu_AverageMultiProcessors", "Display average for multi cores"),
        tab::check("Cpu_Text_DisplayAverage", "Single display (the text shows the average)", "Cpu_Display_Text"),
        tab::check("CPU_GraphAsLine", "As line graph", "Cpu_Display_Graph"),
        tab::check("CPU_LineAsBold", "Heavy line", "Cpu_Display_Graph"),
        tab::slider(SliderKind::UpdateInterval, "Cpu_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Cpu_GraphWidth", 2, 40, "Cpu_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Cpu_Padding", 0, 10),
        tab::slider(SliderKind::ProcessRecent, "Cpu_ProcessRecentSec", 1, 60),
        tab::color("A01", "User"),
        tab::color("A02", "System"),
        tab::color("A04", "Idle"),
        tab::color("A10", "Process"),
        tab::color("A05", "Bar frame"),
        tab::color("A06", "Circle frame"),
        tab::color("A07", "Text"),
        tab::menuCommand("CPU_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("CPU_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("CPU_EnaMenu_Tmnl", "Terminal"),
    }};
}

CpuTabViewController::CpuTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
