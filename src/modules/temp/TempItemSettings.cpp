#include "modules/temp/TempItemSettings.h"

#include "toolkit/OrbColors.h"
#include "toolkit/OrbImage.h"

#include <algorithm>

namespace orb {

TempItemSettings TempItemSettings::from(const QVariantMap &d)
{
    const auto b = [&](const char *key) { return d.value(QLatin1String(key)).toBool(); };
    const auto n = [&](const char *key) { return d.value(QLatin1String(key)).toDouble(); };
    const auto c = [&](const char *key) { return OrbColors::colorFromValue(d.value(QLatin1String(key))); };
    TempItemSettings s;
    for (const QVariant &code : d.value(QStringLiteral("TempItemSortArray")).toList()) {
        const int v = code.toInt();
        if ((v == 1 || v == 2) && std::find(s.order.begin(), s.order.end(), v) == s.order.end())
            s.order.push_back(v);
    }
    s.displayText = b("Temp_Display_Text");
    s.displayGraph = b("Temp_Display_Graph");
    s.pileUp = b("TempInnerPileUp");
    s.showLabel = b("Temp_ShowMyLabel");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L06")));
    s.coloredMenu = b("Temp_ColoredMenu");
    s.gradient = b("Temp_GradientColor");
    s.graphWidth = n("Temp_GraphWidth");
    s.textWidth = n("TempInnerTextWidth");
    s.padding = n("Temp_Padding");
    s.textMode = d.value(QStringLiteral("TempInnerTextMode")).toInt();
    s.unitMode = d.value(QStringLiteral("Temp_Unit_Mode")).toInt();
    s.unitStr = d.value(QStringLiteral("Temp_Unit_ModeStr")).toString();
    const double maxTemp = n("Temp_MaxTemp");
    // The builder keeps it within 60..100; anything else would divide by nothing.
    s.maxTemp = maxTemp > 0.0 ? maxTemp : 100.0;
    s.shown = d.value(QStringLiteral("Temp_ShowTempOnMenu")).toString();
    s.low = c("F01");
    s.warning = c("F02");
    s.critical = c("F03");
    s.text = c("F04");
    s.shadow = c("Z01");
    s.baseLine = c("Z03");
    s.fontName = d.value(QStringLiteral("_FontPostScriptName")).toString();
    s.fontSizeDiff = n("_FontSizeDiff");
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    return s;
}

} // namespace orb
