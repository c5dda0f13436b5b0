#include "prefs/TempTabViewController.h"

#include "settings/TempPreferences.h"

namespace orb {

namespace {

// The shown temperature is stored as the entry's text: a sensor label or one of these two.
QStringList fixedShownTemperatures() { return {QStringLiteral("(Average)"), QStringLiteral("(Highest)")}; }

TabControl shownTemperature()
{
    TabControl c = tab::popUp("Temp_ShowTempOnMenu", "Shown temperature:", &fixedShownTemperatures);
    c.storesText = true;
    c.changesMenuRows = true;
    return c;
}

TabControl unit()
{
    TabControl c = tab::popUp("Temp_Unit_Mode", "Unit:", &TempPreferences::retTempUnit);
    c.changesMenuRows = true;
    return c;
}

} // namespace

ModuleTabSpec TempTabViewController::tabSpec()
{
    return {ModuleId::Temp, "TempItemSortArray", ElementRowGeometry{18, 10, 77, 2}, {
        tab::element("Temp_Display_Text", "Text", 1),
        tab::element("Temp_Display_Graph", "Histogram", 2),
        tab::check("Temp_ShowMyLabel", "Show label on the left side"),
        tab::check("Temp_PileUp_TextGraph", "Text on top of the graph"),
        tab::check("Temp_ColoredMenu", "Coloured values in the menu"),
        tab::check("Temp_GradientColor", "Gradient colour"),
        tab::slider(SliderKind::UpdateInterval, "Temp_UpdateInterval", 1, 30),
        tab::slider(SliderKind::GraphWidth, "Temp_GraphWidth", 2, 40, "Temp_Display_Graph"),
        tab::slider(SliderKind::Spacing, "Temp_Padding", 0, 10),
        tab::slider(SliderKind::MaxTemp, "Temp_MaxTemp", 60, 100),
        shownTemperature(),
        unit(),
        tab::color("F01", "Low"),
        tab::color("F02", "Middle"),
        tab::color("F03", "High"),
        tab::color("F04", "Text"),
        tab::menuCommand("Temp_EnaMenu_Amon", "System Monitor"),
        tab::menuCommand("Temp_EnaMenu_Cnsl", "Log Viewer"),
        tab::menuCommand("Temp_EnaMenu_Tmnl", "Terminal"),
    }};
}

TempTabViewController::TempTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent)
    : ModuleTabViewController(tabSpec(), store, center, parent)
{
}

} // namespace orb
