#include "modules/disk/DiskSettings.h"

#include "settings/FontCatalog.h"
#include "toolkit/OrbImage.h"

#include <algorithm>
#include <cmath>

namespace orb {
namespace {

QColor color(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).value<QColor>(); }

// A length from the settings; anything not a finite, non-negative number counts as 0.
double length(const QVariantMap &d, const char *key)
{
    const double v = d.value(QLatin1String(key)).toDouble();
    return std::isfinite(v) && v > 0.0 ? v : 0.0;
}

} // namespace

DiskSettings DiskSettings::from(const QVariantMap &d)
{
    DiskSettings s;
    for (const QVariant &entry : d.value(QStringLiteral("DiskItemSortArray")).toList()) {
        const int code = entry.toInt();
        if (code >= Indicator && code <= Text && std::find(s.order.begin(), s.order.end(), code) == s.order.end())
            s.order.push_back(code);
    }
    const auto on = [&](const char *key) { return d.value(QLatin1String(key)).toBool(); };
    s.showIndicator = on("Disk_Display_Indicator");
    s.showGraph = on("Disk_Display_Graph");
    s.showText = on("Disk_Display_Text");
    s.showEachDisk = on("Disk_ShowEachDisk");
    s.iconInBackground = on("Disk_WithDiskIconInBackground");
    s.indicatorAboveIcon = on("Disk_IndicatorAboveIcon");
    s.showLabel = on("Disk_ShowMyLabel");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L04")));
    s.iconAble = on("DiskInnerIconAbleToBeBol");
    s.graphWidth = length(d, "Disk_GraphWidth");
    s.padding = length(d, "Disk_Padding");
    s.graphMode = d.value(QStringLiteral("Disk_Graph_Mode")).toInt();
    s.indicatorLabels = d.value(QStringLiteral("Disk_Indicator_LabelAry")).toStringList();
    s.graphLabels = d.value(QStringLiteral("Disk_Graph_LabelAry")).toStringList();
    s.textLabels = d.value(QStringLiteral("Disk_Text_LabelAry")).toStringList();
    s.indicatorLabelWidth = length(d, "DiskInnerIndicatorLabelWidth");
    s.graphLabelWidth = length(d, "DiskInnerGraphLabelWidth");
    s.textLabelWidth = length(d, "DiskInnerTextLabelWidth");
    s.textValueWidth = length(d, "DiskInnerTextValueWidth");
    const double size = 10.0 + d.value(QStringLiteral("_FontSizeDiff")).toDouble();
    s.font = FontCatalog::fontForName(d.value(QStringLiteral("_FontPostScriptName")).toString(), 2.0 * size);
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    s.shadow = color(d, "Z01");
    s.emptyLine = color(d, "Z03");
    s.read = color(d, "D01");
    s.write = color(d, "D02");
    s.lampFrame = color(d, "D03");
    s.lampBack = color(d, "D04");
    return s;
}

} // namespace orb
