#include "settings/FanPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"

#include <cmath>

namespace orb {

void FanPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("FanItemSortArray"), {qint64(1), qint64(2)});
    s.setBool(QStringLiteral("Fan_Display_Text"), true);
    s.setBool(QStringLiteral("Fan_Display_Graph"), true);
    s.setBool(QStringLiteral("Fan_PileUp_TextGraph"), true);
    s.setBool(QStringLiteral("Fan_ColoredMenu"), false);
    s.setInteger(QStringLiteral("Fan_UpdateInterval"), 5);
    s.setInteger(QStringLiteral("Fan_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Fan_Padding"), 2);
    s.synchronize();
}

qint64 FanPreferences::checkMaxRpm(SettingsStore &store, qint64 rpmTmp)
{
    if (rpmTmp >= 2000 && rpmTmp <= 6000)
        return rpmTmp;
    store.setInteger(QStringLiteral("Fax_MaxRpm"), 6000);
    store.synchronize();
    return 6000;
}

void FanPreferences::offFanDefaults(SettingsStore &s)
{
    for (const char *k : {"Fan_Display_Text", "Fan_Display_Graph", "Fan_PileUp_TextGraph", "Fan_ColoredMenu"})
        s.setBool(QLatin1String(k), false);
    s.synchronize();
}

QVariantMap FanPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("FanItemSortArray");
    b.copyBools({"Fan_Display_Text", "Fan_Display_Graph", "Fan_PileUp_TextGraph", "Fan_ColoredMenu",
                 "Fan_GradientColor", "Fan_ShowMyLabel", "Fan_EnaMenu_Amon", "Fan_EnaMenu_Cnsl", "Fan_EnaMenu_Tmnl"});
    b.copyTruncated({"Fan_UpdateInterval"});
    b.copyIntegers({"Fan_GraphWidth"});
    b.padding("Fan_Padding");
    b.set(QStringLiteral("Fax_MaxRpm"), checkMaxRpm(store, store.integerForKey(QStringLiteral("Fax_MaxRpm"))));
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('G', 1, 4);
    b.themeImages({"L07", "O01", "O02", "O11", "O12", "O13"});
    b.fontKeys();

    const bool pileUp = b.value(QStringLiteral("Fan_PileUp_TextGraph")).toBool()
        && b.value(QStringLiteral("Fan_Display_Graph")).toBool() && b.value(QStringLiteral("Fan_Display_Text")).toBool();
    b.set(QStringLiteral("FanInnerPileUp"), pileUp);
    const double base = b.baseFontSize();
    const double graphWidth = b.value(QStringLiteral("Fan_GraphWidth")).toDouble();
    double m = b.measure({QStringLiteral("8888rpm")}, base);
    qint64 mode = 1;
    double piled = -1.0;
    if (pileUp) {
        m = std::floor(m);
        if (m > graphWidth) {
            m = std::floor(b.measure({QStringLiteral("8888")}, base));
            mode = 3;
        }
        if (m > graphWidth) {
            piled = PrefFunctions::calcPiledFontSize(QStringLiteral("8888"), base, b.fontName(), graphWidth);
            m = std::floor(b.measure({QStringLiteral("8888")}, piled));
            mode = 4;
        }
    }
    b.set(QStringLiteral("FanInnerTextWidth"), std::floor(m));
    b.set(QStringLiteral("FanInnerTextMode"), mode);
    b.set(QStringLiteral("FanInnerPiledFontSizeDbl"), piled);
    b.set(QStringLiteral("FanInnerTextFormat"), mode < 3 ? QStringLiteral("%04drpm") : QStringLiteral("%04d"));
    b.set(QStringLiteral("PrefName"), QStringLiteral("Fan"));
    return b.take();
}

} // namespace orb
