#include "modules/memory/MemoryItemSettings.h"

#include "modules/TypedSettings.h"
#include "settings/FontCatalog.h"
#include "toolkit/OrbImage.h"

namespace orb {

using namespace settingsValue;

MemoryItemSettings MemoryItemSettings::from(const QVariantMap &d)
{
    MemoryItemSettings s;
    s.order = elementOrder(d.value(QStringLiteral("MemoryItemSortArray")), 5);
    s.showGraph = flag(d, "Memory_Display_Graph");
    s.showLevelBar = flag(d, "Memory_Display_LevelBar");
    s.showCircleMeter = flag(d, "Memory_Display_CircleMeter");
    s.showText = flag(d, "Memory_Display_Text");
    s.showDetailText = flag(d, "Memory_Display_DetailText");
    s.showMyLabel = flag(d, "Memory_ShowMyLabel");
    s.traditional = flag(d, "Memory_TradMemoryInfo");
    s.textLongLabel = flag(d, "Memory_Text_WithLongLabel");
    s.detailLongLabel = flag(d, "Memory_DetailText_WithLongLabel");
    s.unit = d.value(QStringLiteral("Memory_Unit")).toInt();
    s.graphWidth = number(d, "Memory_GraphWidth");
    s.textHeaderWidth = number(d, "MemoryInnerTextHeaderWidth");
    s.detailLeftHeaderWidth = number(d, "MemoryInnerDetailLHeaderWidth");
    s.detailRightHeaderWidth = number(d, "MemoryInnerDetailRHeaderWidth");
    s.fontSize = 10.0 + number(d, "_FontSizeDiff");
    s.fontName = d.value(QStringLiteral("_FontPostScriptName")).toString();
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    s.font = FontCatalog::fontForName(s.fontName, 2.0 * s.fontSize);
    for (int n = 1; n <= 10; ++n)
        s.colours[n] = OrbColors::colorFromValue(d.value(QStringLiteral("B%1").arg(n, 2, 10, QLatin1Char('0'))));
    s.shadow = settingsValue::colour(d, "Z01");
    s.emptyLine = settingsValue::colour(d, "Z03");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L02")));
    return s;
}

} // namespace orb
