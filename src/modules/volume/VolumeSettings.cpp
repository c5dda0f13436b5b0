#include "modules/volume/VolumeSettings.h"

#include "settings/FontCatalog.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbImage.h"

#include <algorithm>
#include <cmath>

namespace orb {
namespace {

QColor color(const QVariantMap &d, const char *key) { return OrbColors::colorFromValue(d.value(QLatin1String(key))); }

// A length from the settings; anything not a finite, non-negative number counts as 0.
double length(const QVariantMap &d, const char *key)
{
    const double v = d.value(QLatin1String(key)).toDouble();
    return std::isfinite(v) && v > 0.0 ? v : 0.0;
}

} // namespace

VolumeSettings VolumeSettings::from(const QVariantMap &d)
{
    VolumeSettings s;
    for (const QVariant &entry : d.value(QStringLiteral("VlmsItemSortArray")).toList()) {
        const int code = entry.toInt();
        if (code >= Graph && code <= Percent && std::find(s.order.begin(), s.order.end(), code) == s.order.end())
            s.order.push_back(code);
    }
    const auto on = [&](const char *key) { return d.value(QLatin1String(key)).toBool(); };
    s.showGraph = on("Vlms_Display_Graph");
    s.showLevelBar = on("Vlms_Display_BarChart");
    s.showCircle = on("Vlms_Display_CycleChart");
    s.showText = on("Vlms_Display_Text");
    s.showPercent = on("Vlms_Display_Percent");
    s.showEachDisk = on("Vlms_ShowEachDisk");
    s.hideNetwork = on("Vlms_HideNetworkVols");
    s.iconInBackground = on("Vlms_WithDiskIconInBackground");
    s.indicatorAboveIcon = on("Volume_IndicatorAboveIcon");
    s.showLabel = on("Vlms_ShowMyLabel");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L05")));
    s.iconAble = on("VlmsInnerIconAbleToBeBol");
    s.graphAsLine = on("Vlms_GraphAsLine");
    s.lineAsBold = on("Vlms_LineAsBold");
    s.percentUsed = d.value(QStringLiteral("Vlms_Percent_Mode")).toInt() == 1;
    s.colored = on("Vlms_ColoredValue");
    s.gradient = on("Vlms_GradientColor");
    s.graphWidth = length(d, "Vlms_GraphWidth");
    s.padding = length(d, "Volume_Padding");
    const QStringList labels = d.value(QStringLiteral("Vlms_Text_LabelAry")).toStringList();
    if (labels.size() >= 2)
        s.textLabels = labels.mid(0, 2);
    s.textLabelWidth = s.textLabels.isEmpty() ? 0.0 : length(d, "VlmsInnerTextLabelWidth");
    s.percentWidth = length(d, "VlmsInnerPercentWidth");
    const double diff = std::clamp(d.value(QStringLiteral("_FontSizeDiff")).toDouble(), -3.0, 3.0);
    s.fontSize = 10.0 + diff;
    s.fontName = d.value(QStringLiteral("_FontPostScriptName")).toString();
    s.font = FontCatalog::fontForName(s.fontName, 2.0 * s.fontSize);
    s.percentFont = FontCatalog::fontForName(s.fontName, 2.0 * (14.0 + diff));
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    s.shadow = color(d, "Z01");
    s.emptyLine = color(d, "Z03");
    s.lampOn = color(d, "E01");
    s.free = color(d, "E02");
    s.barFrame = color(d, "E03");
    s.circleFrame = color(d, "E04");
    s.low = color(d, "E05");
    s.warning = color(d, "E06");
    s.critical = color(d, "E07");
    return s;
}

QColor VolumeSettings::usageColor(double fraction, bool always, double alpha) const
{
    QColor c = (always || colored) ? OrbColors::retGraphColor(fraction, low, warning, critical, gradient) : lampOn;
    if (alpha > 0.0)
        c.setAlphaF(static_cast<float>(std::min(alpha, 1.0)));
    return c;
}

} // namespace orb
