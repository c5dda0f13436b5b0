#include "modules/cpu/CpuItemSettings.h"

#include "settings/FontCatalog.h"

namespace orb {
namespace {

QColor color(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).value<QColor>(); }
bool flag(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toBool(); }
double number(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toDouble(); }

} // namespace

CpuItemSettings CpuItemSettings::from(const QVariantMap &d)
{
    CpuItemSettings s;
    for (const QVariant &code : d.value(QStringLiteral("CpuItemSortArray")).toList())
        s.order.push_back(code.toInt());
    s.showGraph = flag(d, "Cpu_Display_Graph");
    s.showLevelBar = flag(d, "Cpu_Display_LevelBar");
    s.showCircleMeter = flag(d, "Cpu_Display_CircleMeter");
    s.showText = flag(d, "Cpu_Display_Text");
    s.showMyLabel = flag(d, "Cpu_ShowMyLabel");
    s.averageProcessors = flag(d, "Cpu_AverageMultiProcessors");
    s.textShowsAverage = flag(d, "Cpu_Text_DisplayAverage");
    s.graphAsLine = flag(d, "CPU_GraphAsLine");
    s.lineAsBold = flag(d, "CPU_LineAsBold");
    s.graphWidth = number(d, "Cpu_GraphWidth");
    s.textWidth = number(d, "CpuInnerTextWidth");
    s.padding = number(d, "Cpu_Padding");
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    // The one-figure text is a point larger.
    const double size = 10.0 + number(d, "_FontSizeDiff") + (s.textShowsAverage ? 1.0 : 0.0);
    s.font = FontCatalog::fontForName(d.value(QStringLiteral("_FontPostScriptName")).toString(), 2.0 * size);
    s.user = color(d, "A01");
    s.system = color(d, "A02");
    s.nice = color(d, "A03");
    s.idle = color(d, "A04");
    s.frame = color(d, "A05");
    s.averageText = color(d, "A07");
    s.shadow = color(d, "Z01");
    s.emptyLine = color(d, "Z03");
    s.labelImage = d.value(QStringLiteral("L01")).value<QImage>();
    return s;
}

} // namespace orb
