#include "modules/memory/MemoryItemSettings.h"

#include "settings/FontCatalog.h"

namespace orb {
namespace {

bool flag(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toBool(); }
double number(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toDouble(); }

} // namespace

MemoryItemSettings MemoryItemSettings::from(const QVariantMap &d)
{
    MemoryItemSettings s;
    unsigned seen = 0;
    for (const QVariant &entry : d.value(QStringLiteral("MemoryItemSortArray")).toList()) {
        const int code = entry.toInt();
        if (code < 1 || code > 5 || (seen & (1u << code)))
            continue; // unknown codes are skipped, each element is drawn once
        seen |= 1u << code;
        s.order.push_back(code);
    }
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
        s.colours[n] = d.value(QStringLiteral("B%1").arg(n, 2, 10, QLatin1Char('0'))).value<QColor>();
    s.shadow = d.value(QStringLiteral("Z01")).value<QColor>();
    s.emptyLine = d.value(QStringLiteral("Z03")).value<QColor>();
    s.labelImage = d.value(QStringLiteral("L02")).value<QImage>();
    return s;
}

} // namespace orb
