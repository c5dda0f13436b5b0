#include "modules/fan/FanItemSettings.h"

#include "toolkit/OrbColors.h"
#include "toolkit/OrbImage.h"

#include <algorithm>

namespace orb {

FanItemSettings FanItemSettings::from(const QVariantMap &d)
{
    const auto b = [&](const char *key) { return d.value(QLatin1String(key)).toBool(); };
    const auto n = [&](const char *key) { return d.value(QLatin1String(key)).toDouble(); };
    const auto c = [&](const char *key) { return OrbColors::colorFromValue(d.value(QLatin1String(key))); };
    FanItemSettings s;
    for (const QVariant &code : d.value(QStringLiteral("FanItemSortArray")).toList()) {
        const int v = code.toInt();
        if ((v == 1 || v == 2) && std::find(s.order.begin(), s.order.end(), v) == s.order.end())
            s.order.push_back(v);
    }
    s.displayText = b("Fan_Display_Text");
    s.displayGraph = b("Fan_Display_Graph");
    s.pileUp = b("FanInnerPileUp");
    s.showLabel = b("Fan_ShowMyLabel");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L07")));
    s.coloredMenu = b("Fan_ColoredMenu");
    s.gradient = b("Fan_GradientColor");
    s.graphWidth = n("Fan_GraphWidth");
    s.textWidth = n("FanInnerTextWidth");
    s.textMode = d.value(QStringLiteral("FanInnerTextMode")).toInt();
    // The builder derives "%04drpm" or "%04d"; only whether the unit follows is taken from it.
    s.rpmSuffix = d.value(QStringLiteral("FanInnerTextFormat")).toString().endsWith(QLatin1String("rpm"));
    const double maxRpm = n("Fax_MaxRpm");
    s.maxRpm = maxRpm > 0.0 ? maxRpm : 6000.0;
    s.low = c("G01");
    s.warning = c("G02");
    s.critical = c("G03");
    s.text = c("G04");
    s.shadow = c("Z01");
    s.baseLine = c("Z03");
    s.fontName = d.value(QStringLiteral("_FontPostScriptName")).toString();
    s.fontSizeDiff = n("_FontSizeDiff");
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    return s;
}

} // namespace orb
