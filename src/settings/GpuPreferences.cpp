#include "settings/GpuPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/SettingsStore.h"

#include <cmath>

namespace orb {

void GpuPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("GpuItemSortArray"), {qint64(1), qint64(2), qint64(3), qint64(4)});
    s.setBool(QStringLiteral("Gpu_Display_Graph"), false);
    s.setBool(QStringLiteral("Gpu_Display_LevelBar"), false);
    s.setBool(QStringLiteral("Gpu_Display_CircleMeter"), true);
    s.setBool(QStringLiteral("Gpu_Display_Text"), false);
    s.setInteger(QStringLiteral("Gpu_UpdateInterval"), 5);
    s.setInteger(QStringLiteral("Gpu_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Gpu_Padding"), 2);
    s.synchronize();
}

QVariantMap GpuPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("GpuItemSortArray");
    b.copyBools({"Gpu_Display_Graph", "Gpu_Display_LevelBar", "Gpu_Display_CircleMeter", "Gpu_Display_Text",
                 "Gpu_GradientColor", "Gpu_ShowMyLabel", "GPU_EnaMenu_Amon", "GPU_EnaMenu_Cnsl", "GPU_EnaMenu_Tmnl"});
    b.copyTruncated({"Gpu_UpdateInterval", "Gpu_GraphWidth"});
    b.padding("Gpu_Padding");
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('H', 1, 5);
    b.themeImages({"L09", "O11", "O12", "O13"});
    b.fontKeys();
    b.set(QStringLiteral("GpuInnerTextWidth"), std::floor(b.measure({QStringLiteral("188%")}, b.baseFontSize())));
    b.set(QStringLiteral("PrefName"), QStringLiteral("GPU"));
    return b.take();
}

void GpuPreferences::offGpuDefaults(SettingsStore &s)
{
    for (const char *k : {"Gpu_Display_Graph", "Gpu_Display_LevelBar", "Gpu_Display_CircleMeter", "Gpu_Display_Text"})
        s.setBool(QLatin1String(k), false);
    s.synchronize();
}

} // namespace orb
