#include "settings/NetworkPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/PlistFunction.h"
#include "settings/SettingsStore.h"

#include <cmath>

namespace orb {

void NetworkPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("NetworkItemSortArray"), {qint64(1), qint64(2), qint64(3), qint64(4)});
    s.setBool(QStringLiteral("Network_Display_UdLabel"), false);
    s.setBool(QStringLiteral("Network_Display_UdCircle"), false);
    s.setBool(QStringLiteral("Network_Display_Graph"), true);
    s.setBool(QStringLiteral("Network_Display_Text"), true);
    s.setInteger(QStringLiteral("Network_UdLabel_Mode"), 1);
    s.setInteger(QStringLiteral("Network_Graph_Mode"), 1);
    s.setInteger(QStringLiteral("Network_Text_Mode"), 1);
    s.setInteger(QStringLiteral("Network_Limen_Base"), 1);
    s.setInteger(QStringLiteral("Network_UpdateInterval"), 2);
    s.setInteger(QStringLiteral("Network_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Network_Padding"), 2);
    s.synchronize();
}

QVariantMap NetworkPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("NetworkItemSortArray");
    b.copyBools({"Network_Display_UdLabel", "Network_Display_UdCircle", "Network_Display_Graph",
                 "Network_Display_Text", "Network_ShowAllNic", "Network_ShowIBridge", "WifiDisconnectNotifyBool",
                 "Network_ShowMyLabel", "Network_EnaMenu_Amon", "Network_EnaMenu_Cnsl", "Network_EnaMenu_Tmnl"});
    b.copyTruncated({"Network_UpdateInterval", "Network_GraphWidth"});
    b.copyIntegers({"Network_Limen_Base"});
    b.padding("Network_Padding");
    // Mode numbers index the label lists; a value outside a list is brought into it.
    const QList<QStringList> udLabels = PlistFunction::retNetworkUdLabel();
    const qint64 udMode = store.integerForKey(QStringLiteral("Network_UdLabel_Mode"));
    b.set(QStringLiteral("Network_UdLabel_Mode"), PlistFunction::clampSetting(udMode, udLabels.size()));
    b.set(QStringLiteral("Network_Graph_Mode"),
          PlistFunction::clampSetting(store.integerForKey(QStringLiteral("Network_Graph_Mode")),
                                      PlistFunction::retGeneralGraphKind().size()));
    b.set(QStringLiteral("Network_Text_Mode"),
          PlistFunction::clampSetting(store.integerForKey(QStringLiteral("Network_Text_Mode")),
                                      PlistFunction::retNetworkBitOrByte().size()));
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('C', 1, 6);
    b.themeImages({"L03", "O01", "O02", "O11", "O12", "O13", "O21", "O22"});
    b.fontKeys();

    const double base = b.baseFontSize();
    const QStringList pair = udLabels.at(PlistFunction::entryIndex(udMode, udLabels.size()));
    b.set(QStringLiteral("Network_UdLabel_ModeAry"), pair);
    b.set(QStringLiteral("NetworkInnerUdLabelWidth"), std::floor(b.measure(pair, base)));
    b.set(QStringLiteral("NetworkInnerTextWidth"), std::floor(b.measure({QStringLiteral("888.8XXX")}, base)));
    b.set(QStringLiteral("PrefName"), QStringLiteral("Network"));
    return b.take();
}

} // namespace orb
