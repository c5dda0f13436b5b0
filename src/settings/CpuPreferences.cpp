#include "settings/CpuPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/SettingsStore.h"

#include <cmath>

namespace orb {

void CpuPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("CpuItemSortArray"), {qint64(1), qint64(2), qint64(3), qint64(4)});
    s.setBool(QStringLiteral("Cpu_Display_Graph"), true);
    s.setBool(QStringLiteral("Cpu_Display_LevelBar"), false);
    s.setBool(QStringLiteral("Cpu_Display_CircleMeter"), false);
    s.setBool(QStringLiteral("Cpu_Display_Text"), true);
    s.setInteger(QStringLiteral("Cpu_UpdateInterval"), 2);
    s.setInteger(QStringLiteral("Cpu_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Cpu_Padding"), 2);
    s.setBool(QStringLiteral("Cpu_AverageMultiProcessors"), true);
    s.setBool(QStringLiteral("Cpu_Text_DisplayAverage"), false);
    s.setBool(QStringLiteral("CPU_GraphAsLine"), false);
    s.setBool(QStringLiteral("CPU_LineAsBold"), false);
    s.synchronize();
}

QVariantMap CpuPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("CpuItemSortArray");
    b.copyBools({"Cpu_Display_Graph", "Cpu_Display_LevelBar", "Cpu_Display_CircleMeter", "Cpu_Display_Text",
                 "Cpu_AverageMultiProcessors", "Cpu_Text_DisplayAverage", "CPU_GraphAsLine", "CPU_LineAsBold",
                 "Cpu_ShowMyLabel", "CPU_EnaMenu_Amon", "CPU_EnaMenu_Cnsl", "CPU_EnaMenu_Tmnl"});
    b.copyIntegers({"Cpu_UpdateInterval", "Cpu_GraphWidth", "Cpu_ProcessRecentSec"});
    b.padding("Cpu_Padding");
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('A', 1, 10);
    b.themeImages({"L01", "O01", "O02", "O11", "O12", "O13"});
    b.fontKeys();
    // The average text is drawn one point larger.
    const double size = b.baseFontSize() + (b.value(QStringLiteral("Cpu_Text_DisplayAverage")).toBool() ? 1.0 : 0.0);
    b.set(QStringLiteral("CpuInnerTextWidth"), std::floor(b.measure({QStringLiteral("188%")}, size)));
    b.set(QStringLiteral("PrefName"), QStringLiteral("CPU"));
    return b.take();
}

} // namespace orb
