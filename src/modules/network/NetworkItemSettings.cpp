#include "modules/network/NetworkItemSettings.h"

#include "modules/TypedSettings.h"
#include "settings/FontCatalog.h"
#include "toolkit/OrbImage.h"

namespace orb {

using settingsValue::colour;

NetworkItemSettings NetworkItemSettings::from(const QVariantMap &d)
{
    NetworkItemSettings s;
    s.order = settingsValue::elementOrder(d.value(QStringLiteral("NetworkItemSortArray")), 4);
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
    s.shadow = colour(d, "Z01");
    s.emptyLine = colour(d, "Z03");
    s.up = colour(d, "C01");
    s.down = colour(d, "C02");
    s.lampFrame = colour(d, "C03");
    s.lampBack = colour(d, "C04");
    s.signalBar = colour(d, "C05");
    s.noiseBar = colour(d, "C06");
    s.labelImage = OrbImage::drawable(d.value(QStringLiteral("L03")));
    return s;
}

} // namespace orb
