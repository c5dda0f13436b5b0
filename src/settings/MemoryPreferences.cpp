#include "settings/MemoryPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <cmath>

namespace orb {

void MemoryPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("MemoryItemSortArray"), {qint64(1), qint64(2), qint64(3), qint64(4), qint64(5)});
    s.setInteger(QStringLiteral("Memory_Unit"), 1);
    s.setBool(QStringLiteral("Memory_Display_Graph"), false);
    s.setBool(QStringLiteral("Memory_Display_LevelBar"), false);
    s.setBool(QStringLiteral("Memory_Display_CircleMeter"), true);
    s.setBool(QStringLiteral("Memory_Display_Text"), true);
    s.setBool(QStringLiteral("Memory_Display_DetailText"), false);
    s.setInteger(QStringLiteral("Memory_UpdateInterval"), 5);
    s.setInteger(QStringLiteral("Memory_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Memory_Padding"), 2);
    s.setBool(QStringLiteral("Memory_Text_WithLongLabel"), false);
    s.setBool(QStringLiteral("Memory_DetailText_WithLongLabel"), false);
    s.setBool(QStringLiteral("Memory_TradMemoryInfo"), false);
    s.synchronize();
}

QStringList MemoryPreferences::retMemoryUnit()
{
    return {QCoreApplication::translate("OrbStrings", "Automatic"), QCoreApplication::translate("OrbStrings", "Unify in MB"),
            QCoreApplication::translate("OrbStrings", "Unify in GB")};
}

QVariantMap MemoryPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("MemoryItemSortArray");
    b.copyIntegers({"Memory_Unit"});
    b.copyBools({"Memory_Display_Graph", "Memory_Display_LevelBar", "Memory_Display_CircleMeter", "Memory_Display_Text",
                 "Memory_Display_DetailText", "Memory_Text_WithLongLabel", "Memory_DetailText_WithLongLabel",
                 "Memory_TradMemoryInfo", "Memory_ShowMyLabel", "Memory_EnaMenu_Amon", "Memory_EnaMenu_Cnsl",
                 "Memory_EnaMenu_Tmnl"});
    b.copyTruncated({"Memory_UpdateInterval", "Memory_GraphWidth"});
    b.padding("Memory_Padding");
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('B', 1, 10);
    b.themeImages({"L02", "O01", "O02", "O11", "O12", "O13"});
    b.fontKeys();
    const double size = b.baseFontSize();
    auto width = [&](const char *text) { return std::floor(b.measure({QLatin1String(text)}, size)); };
    const bool longText = b.value(QStringLiteral("Memory_Text_WithLongLabel")).toBool();
    const bool longDetail = b.value(QStringLiteral("Memory_DetailText_WithLongLabel")).toBool();
    b.set(QStringLiteral("MemoryInnerTextHeaderWidth"), width(longText ? "XXXXXX:" : "X:"));
    b.set(QStringLiteral("MemoryInnerDetailLHeaderWidth"), width(longDetail ? "XXXXXX:" : "X:"));
    b.set(QStringLiteral("MemoryInnerDetailRHeaderWidth"), width(longDetail ? "XXXXXXXX:" : "X:"));
    b.set(QStringLiteral("PrefName"), QStringLiteral("Memory"));
    return b.take();
}

} // namespace orb
