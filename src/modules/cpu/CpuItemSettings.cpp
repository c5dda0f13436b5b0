#include "modules/cpu/CpuItemSettings.h"

#include "modules/TypedSettings.h"
#include "settings/FontCatalog.h"
#include "toolkit/OrbImage.h"

namespace orb {

using namespace settingsValue;

CpuItemSettings CpuItemSettings::from(const QVariantMap &d)
{
    CpuItemSettings s;
    s.order = elementOrder(d.value(QStringLiteral("CpuItemSortArray")), 4);
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
    s.user = colour(d, "A01");
    s.system = colour(d, "A02");
    s.nice = colour(d, "A03");
    s.idle = colour(d, "A04");
    s.frame = colour(d, "A05");
    s.averageText = colour(d, "A07");
    s.shadow = colour(d, "Z01");
    s.emptyLine = colour(d, "Z03");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L01")));
    return s;
}

} // namespace orb
