#include "settings/TempPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace orb {

void TempPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("TempItemSortArray"), {qint64(1), qint64(2)});
    s.setBool(QStringLiteral("Temp_Display_Text"), true);
    s.setBool(QStringLiteral("Temp_Display_Graph"), true);
    s.setBool(QStringLiteral("Temp_PileUp_TextGraph"), true);
    s.setBool(QStringLiteral("Temp_ColoredMenu"), false);
    s.setInteger(QStringLiteral("Temp_UpdateInterval"), 5);
    s.setInteger(QStringLiteral("Temp_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Temp_Padding"), 2);
    s.setInteger(QStringLiteral("Temp_Unit_Mode"), 1);
    s.setString(QStringLiteral("Temp_ShowTempOnMenu"), QStringLiteral("(Average)"));
    s.synchronize();
}

QStringList TempPreferences::retTempUnit()
{
    return {QCoreApplication::translate("OrbStrings", "°C"), QCoreApplication::translate("OrbStrings", "°F"),
            QCoreApplication::translate("OrbStrings", "K")};
}

qint64 TempPreferences::checkMaxTemp(SettingsStore &store, qint64 tempTmp)
{
    if (tempTmp >= 60 && tempTmp <= 100)
        return tempTmp;
    store.setInteger(QStringLiteral("Temp_MaxTemp"), 100);
    store.synchronize();
    return 100;
}

QVariantMap TempPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("TempItemSortArray");
    b.copyBools({"Temp_Display_Text", "Temp_Display_Graph", "Temp_PileUp_TextGraph", "Temp_ColoredMenu",
                 "Temp_GradientColor", "Temp_ShowMyLabel", "Temp_EnaMenu_Amon", "Temp_EnaMenu_Cnsl",
                 "Temp_EnaMenu_Tmnl"});
    b.copyTruncated({"Temp_UpdateInterval"});
    b.copyIntegers({"Temp_GraphWidth", "Temp_Unit_Mode"});
    b.padding("Temp_Padding");
    b.copyString("Temp_ShowTempOnMenu");
    b.set(QStringLiteral("Temp_MaxTemp"),
          checkMaxTemp(store, store.integerForKey(QStringLiteral("Temp_MaxTemp"))));
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('F', 1, 4);
    b.themeImages({"L06", "O01", "O02", "O11", "O12", "O13"});
    b.fontKeys();

    // A unit number outside the list is clamped into it rather than used as an index.
    const QStringList units = retTempUnit();
    const qint64 mode = std::clamp<qint64>(b.value(QStringLiteral("Temp_Unit_Mode")).toLongLong(), 1, units.size());
    const QString unit = units.at(static_cast<int>(mode - 1));
    b.set(QStringLiteral("Temp_Unit_ModeStr"), unit);
    const bool pileUp = b.value(QStringLiteral("Temp_PileUp_TextGraph")).toBool()
        && b.value(QStringLiteral("Temp_Display_Graph")).toBool() && b.value(QStringLiteral("Temp_Display_Text")).toBool();
    b.set(QStringLiteral("TempInnerPileUp"), pileUp);

    const double base = b.baseFontSize();
    const double graphWidth = b.value(QStringLiteral("Temp_GraphWidth")).toDouble();
    const double m = b.measure({QStringLiteral("88") + unit}, base);
    if (m > graphWidth && pileUp) {
        const double piled = PrefFunctions::calcPiledFontSize(QStringLiteral("88"), base, b.fontName(), graphWidth);
        b.set(QStringLiteral("TempInnerPiledFontSizeDbl"), piled);
        b.set(QStringLiteral("TempInnerTextWidth"), std::floor(b.measure({QStringLiteral("88")}, piled)));
        b.set(QStringLiteral("TempInnerTextMode"), qint64(2));
    } else {
        b.set(QStringLiteral("TempInnerPiledFontSizeDbl"), -1.0);
        b.set(QStringLiteral("TempInnerTextWidth"), std::floor(m));
        b.set(QStringLiteral("TempInnerTextMode"), qint64(1));
    }
    b.set(QStringLiteral("PrefName"), QStringLiteral("Temp"));
    return b.take();
}

} // namespace orb
