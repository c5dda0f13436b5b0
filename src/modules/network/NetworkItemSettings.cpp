#include "modules/network/NetworkItemSettings.h"

#include "settings/FontCatalog.h"

namespace orb {
namespace {

QColor color(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).value<QColor>(); }

} // namespace

NetworkItemSettings NetworkItemSettings::from(const QVariantMap &d)
{
    NetworkItemSettings s;
    unsigned seen = 0;
    for (const QVariant &entry : d.value(QStringLiteral("NetworkItemSortArray")).toList()) {
        const int code = entry.toInt();
        if (code < 1 || code > 4 || (seen & (1u << code)))
            continue; // unknown codes are skipped, each element is drawn once
        seen |= 1u << code;
        s.order.push_back(code);
    }
    s.showUdLabel = d.value(QStringLiteral("Network_Display_UdLabel")).toBool();
    s.showLamps = d.value(QStringLiteral("Network_Display_UdCircle")).toBool();
    s.showGraph = d.value(QStringLiteral("Network_Display_Graph")).toBool();
    s.showText = d.value(QStringLiteral("Network_Display_Text")).toBool();
    s.showMyLabel = d.value(QStringLiteral("Network_ShowMyLabel")).toBool();
    s.graphWidth = std::max(0.0, d.value(QStringLiteral("Network_GraphWidth")).toDouble());
    s.padding = d.value(QStringLiteral("Network_Padding")).toDouble();
    s.udLabels = d.value(QStringLiteral("Network_UdLabel_ModeAry")).toStringList();
    s.graphMode = d.value(QStringLiteral("Network_Graph_Mode")).toInt();
    s.bits = d.value(QStringLiteral("Network_Text_Mode")).toInt() == 2;
    s.limit = std::max<double>(0.0, d.value(QStringLiteral("Network_Limen_Base")).toDouble()) * 1024.0;
    s.udLabelWidth = std::max(0.0, d.value(QStringLiteral("NetworkInnerUdLabelWidth")).toDouble());
    s.textWidth = std::max(0.0, d.value(QStringLiteral("NetworkInnerTextWidth")).toDouble());
    s.showAllNic = d.value(QStringLiteral("Network_ShowAllNic")).toBool();
    s.showIBridge = d.value(QStringLiteral("Network_ShowIBridge")).toBool();
    s.fontName = d.value(QStringLiteral("_FontPostScriptName")).toString();
    s.fontSizeDiff = d.value(QStringLiteral("_FontSizeDiff")).toDouble();
    s.fontAdjust = d.value(QStringLiteral("_FontAdjust")).toInt();
    s.font = FontCatalog::fontForName(s.fontName, 2.0 * (10.0 + s.fontSizeDiff));
    s.shadow = color(d, "Z01");
    s.emptyLine = color(d, "Z03");
    s.up = color(d, "C01");
    s.down = color(d, "C02");
    s.lampFrame = color(d, "C03");
    s.lampBack = color(d, "C04");
    s.signalBar = color(d, "C05");
    s.noiseBar = color(d, "C06");
    s.labelImage = d.value(QStringLiteral("L03")).value<QImage>();
    return s;
}

} // namespace orb
