#include "modules/gpu/GpuItemSettings.h"

#include "modules/TypedSettings.h"
#include "settings/FontCatalog.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbImage.h"

#include <QPainter>
#include <algorithm>

namespace orb {

using namespace settingsValue;

GpuItemSettings GpuItemSettings::fromDefaults(const QVariantMap &d)
{
    GpuItemSettings s;
    s.order = elementOrder(d.value(QStringLiteral("GpuItemSortArray")), 4);
    s.graph = flag(d, "Gpu_Display_Graph");
    s.levelBar = flag(d, "Gpu_Display_LevelBar");
    s.circleMeter = flag(d, "Gpu_Display_CircleMeter");
    s.text = flag(d, "Gpu_Display_Text");
    s.showLabel = flag(d, "Gpu_ShowMyLabel");
    s.gradient = flag(d, "Gpu_GradientColor");
    s.graphWidth = std::max(0.0, number(d, "Gpu_GraphWidth"));
    s.padding = number(d, "Gpu_Padding");
    s.textWidth = number(d, "GpuInnerTextWidth");
    s.low = colour(d, "H01");
    s.warning = colour(d, "H02");
    s.critical = colour(d, "H03");
    s.meterFrame = colour(d, "H04");
    s.shadow = colour(d, "Z01");
    s.baseLine = colour(d, "Z03");
    s.label = OrbImage::drawable(d.value(QStringLiteral("L09")));
    if (!s.label.isNull()) {
        s.labelWhite = s.label;
        QPainter p(&s.labelWhite);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(s.labelWhite.rect(), Qt::white);
    }
    s.font = FontCatalog::fontForName(d.value(QStringLiteral("_FontPostScriptName")).toString(),
                                      (10.0 + number(d, "_FontSizeDiff")) * 2.0);
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    return s;
}

QColor GpuItemSettings::shareColor(double share) const
{
    return OrbColors::retGraphColor(share, low, warning, critical, gradient);
}

} // namespace orb
