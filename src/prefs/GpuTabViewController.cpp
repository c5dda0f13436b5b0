#include "prefs/GpuTabViewController.h"

namespace orb {

ModuleTabSpec GpuTabViewController::tabSpec()
{
    return {ModuleId::Gpu, "GpuItemSortArray", ElementRowGeometry{16, 10, 77, 3}, {
        tab::element("Gpu_Display_Graph", "Histogram", 1),
        tab::element("Gpu_Display_LevelBar", "Bar Chart", 2),
        tab::element("Gpu_Display_CircleMeter", "Circle Chart", 3),
        tab::element("Gpu_Display_Text", "Text", 4),
        tab::check("Gpu_ShowMyLabel", "Show label on the left side"),
        tab::check("Gpu_GradientColor", "Gradient colour"),
        tab::slider(SliderKind::UpdateInterval, "Gpu_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Gpu_GraphWidth", 2, 40, "Gpu_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Gpu_Padding", 0, 10),
        tab::color("H01", "Low"),
        tab::color("H02", "Middle"),
        tab::color("H03", "High"),
        tab::color("H04", "Bar frame"),
        tab::color("H05", "Circle frame"),
        tab::menuCommand("GPU_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("GPU_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("GPU_EnaMenu_Tmnl", "Terminal"),
    }};
}

GpuTabViewController::GpuTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
